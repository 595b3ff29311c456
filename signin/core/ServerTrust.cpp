#include "ServerTrust.h"

#include "ProfileFile.h"

namespace {

const QString kCertificates = QStringLiteral("Certificates");
const QString kEncryption = QStringLiteral("Encryption");

QString AccountKey(const QString& user, const QString& host) {
    return user + QLatin1Char('@') + host;
}

}  // namespace

QString TrustedFingerprint(const QString& host, const QString& path) {
    return ReadProfileString(kCertificates, host, QString(), 256, path);
}

bool RememberFingerprint(const QString& host, const QString& fingerprint, const QString& path) {
    return WriteProfileString(kCertificates, host, fingerprint, path);
}

bool HadEncryption(const QString& user, const QString& host, const QString& path) {
    return ReadProfileString(kEncryption, AccountKey(user, host), QString(), 16, path) ==
           QLatin1String("TLS");
}

bool RememberEncryption(const QString& user, const QString& host, const QString& path) {
    return HadEncryption(user, host, path) ||
           WriteProfileString(kEncryption, AccountKey(user, host), QStringLiteral("TLS"), path);
}
