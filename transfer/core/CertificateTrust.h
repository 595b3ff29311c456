#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class Questions;

// A server certificate that did not verify, as the component reports it.
struct UntrustedCertificate {
    QString host;
    QString fingerprint;  // SHA-256, hex pairs separated by colons
    QString subject, issuer;
    QDateTime validFrom, validTo;
    QStringList reasons;
};

// The question put to the user; `previous` is the fingerprint trusted for the host before, if
// any, and turns the question into a warning that the certificate changed.
QString certificateQuestionText(const UntrustedCertificate& c, const QString& previous);

// Whether to go on with the certificate: the one trusted for its host before passes silently;
// any other is put to the user, and a trusted one is remembered in the settings file at
// `settingsPath`.
bool trustCertificate(Questions& questions, const UntrustedCertificate& c,
                      const QString& settingsPath);
