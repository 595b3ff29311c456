#include "TlsPolicy.h"

namespace ftp {

namespace {

// The whole distinguished name ("CN=..., O=..."), so a look-alike common name does not pass
// for the real one.
QString distinguishedName(const QSslCertificate& c, bool issuer) {
    QStringList parts;
    const QList<QByteArray> attributes =
        issuer ? c.issuerInfoAttributes() : c.subjectInfoAttributes();
    for (const QByteArray& a : attributes) {
        const QStringList values = issuer ? c.issuerInfo(a) : c.subjectInfo(a);
        for (const QString& v : values)
            parts << QString::fromLatin1(a) + '=' + v;
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace

QSslConfiguration tlsConfiguration(const Settings& settings) {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    // Qt finds the system's authorities on demand, but not once the list is set or added to,
    // even with nothing: extra authorities then come with the system's, listed in full.
    if (!settings.extraCaCertificates.isEmpty())
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() +
                                 settings.extraCaCertificates);
    config.setProtocol(settings.tlsProtocol);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    return config;
}

bool declinesTls(const Reply& reply) {
    return reply.code == 500 || reply.code == 502 || reply.code == 504 || reply.code == 530;
}

CertificateReport describeCertificate(const QSslCertificate& certificate,
                                      const QList<QSslError>& errors) {
    CertificateReport r;
    r.fingerprintSha256 =
        QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':')).toUpper();
    r.subject = distinguishedName(certificate, false);
    r.issuer = distinguishedName(certificate, true);
    r.validFrom = certificate.effectiveDate();
    r.validTo = certificate.expiryDate();
    for (const QSslError& e : errors)
        if (!r.reasons.contains(e.errorString()))
            r.reasons << e.errorString();
    return r;
}

}  // namespace ftp
