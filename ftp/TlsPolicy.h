#pragma once

#include <QDateTime>
#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QStringList>

#include "Reply.h"
#include "Settings.h"

namespace ftp {

// The TLS configuration of a control connection: the system's certificate authorities plus the
// extra ones, the protocol versions allowed, and sessions kept so that data connections can
// resume the control connection's session (servers such as vsftpd refuse them otherwise).
QSslConfiguration tlsConfiguration(const Settings& settings);

// A reply to AUTH TLS that means the server has no TLS, rather than a failure.
bool declinesTls(const Reply& reply);

// What CertificateUntrusted tells about a certificate that does not verify.
struct CertificateReport {
    QString fingerprintSha256;  // hex pairs separated by ":"
    QString subject;
    QString issuer;
    QDateTime validFrom;
    QDateTime validTo;
    QStringList reasons;
};

CertificateReport describeCertificate(const QSslCertificate& certificate,
                                      const QList<QSslError>& errors);

}  // namespace ftp
