#include "ServerTrust.h"

#include "ProfileFile.h"

namespace {

const QString kCertificates = QStringLiteral("Certificates");
const QString kEncryption = QStringLiteral("Encryption");

QString AccountKey(const QString& user, const QString& host) {
    return user + QLatin1Char('@') + host;
}

}  // namespace

QString trustedFingerprint(const QString& host, const QString& path) {
    return readProfileString(kCertificates, host, QString(), 256, path);
}

bool rememberFingerprint(const QString& host, const QString& fingerprint, const QString& path) {
    return writeProfileString(kCertificates, host, fingerprint, path);
}

bool hadEncryption(const QString& user, const QString& host, const QString& path) {
    return readProfileString(kEncryption, AccountKey(user, host), QString(), 16, path) ==
           QLatin1String("TLS");
}

bool rememberEncryption(const QString& user, const QString& host, const QString& path) {
    return hadEncryption(user, host, path) ||
           writeProfileString(kEncryption, AccountKey(user, host), QStringLiteral("TLS"), path);
}
