#include "CertificateTrust.h"

#include "BoxTitle.h"
#include "Questions.h"
#include "ServerTrust.h"

QString certificateQuestionText(const UntrustedCertificate& c, const QString& previous) {
    QString text;
    if (!previous.isEmpty())
        text = QStringLiteral(
                   "WARNING: the certificate of %1 has changed since you trusted it. "
                   "This happens when the server gets a new certificate, but also "
                   "when someone intercepts the connection.\n"
                   "Trusted before: %2\n\n")
                   .arg(c.host, previous);
    text += QStringLiteral("The certificate of %1 could not be verified:\n").arg(c.host);
    for (const QString& reason : c.reasons)
        text += QStringLiteral("- ") + reason + QLatin1Char('\n');
    text += QStringLiteral(
                "\nSubject: %1\nIssuer: %2\nValid from %3 to %4\n"
                "SHA-256 fingerprint: %5\n\n"
                "Trust it only if you know this is your server's certificate; the "
                "password is sent only after you do.")
                .arg(c.subject, c.issuer, c.validFrom.toString(Qt::ISODate),
                     c.validTo.toString(Qt::ISODate), c.fingerprint);
    return text;
}

bool trustCertificate(Questions& questions, const UntrustedCertificate& c,
                      const QString& settingsPath) {
    const QString previous = trustedFingerprint(c.host, settingsPath);
    if (!previous.isEmpty() && previous.compare(c.fingerprint, Qt::CaseInsensitive) == 0)
        return true;
    if (!questions.accept(boxTitle(QStringLiteral("[Security]")),
                          certificateQuestionText(c, previous),
                          QStringLiteral("Trust this certificate")))
        return false;
    // Not remembered (a full disk): the question comes again next time, nothing worse.
    rememberFingerprint(c.host, c.fingerprint, settingsPath);
    return true;
}
