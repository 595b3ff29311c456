#include "Notifier.h"

namespace ftp {

void Notifier::listingItem(const QString& name, const QDateTime& date, qint64 size, int kind,
                           const QString& text) {
    if (m_client)
        emit m_client->ListingItem(name, date, size, kind, text);
    m_ctx.checkAfterNotification();
}

void Notifier::progress(const QString& fileName, const QString& secondName, qint64 fileSize,
                        qint64 bytesDone, int percent) {
    if (m_client)
        emit m_client->TransferProgress(fileName, secondName, fileSize, bytesDone, percent);
    m_ctx.checkAfterNotification();
}

void Notifier::sending(const QString& fileName, const QString& remoteName, qint64 fileSize) {
    if (m_client)
        emit m_client->SendingFile(fileName, remoteName, fileSize);
    m_ctx.checkAfterNotification();
}

void Notifier::skipping(const QString& firstName, const QString& secondName, qint32 reason) {
    if (m_client)
        emit m_client->SkippingFile(firstName, secondName, reason);
    m_ctx.checkAfterNotification();
}

int Notifier::replacing(const QString& existingName, const QString& newName, qint64 existingSize,
                        qint64 newSize, const QDateTime& existingDate) {
    int answer = 1;
    if (m_client)
        emit m_client->ReplacingFile(existingName, newName, existingSize, newSize, existingDate,
                                     answer);
    m_ctx.checkAfterNotification();
    return answer;
}

void Notifier::reconnecting(int attempt, int attempts, const QString& cause) {
    if (m_client)
        emit m_client->Reconnecting(attempt, attempts, cause);
    m_ctx.checkAfterNotification();
}

bool Notifier::certificateUntrusted(const QString& host, const CertificateReport& report) {
    bool trust = false;
    if (m_client)
        emit m_client->CertificateUntrusted(host, report.fingerprintSha256, report.subject,
                                            report.issuer, report.validFrom, report.validTo,
                                            report.reasons, trust);
    m_ctx.checkAfterNotification();
    return trust;
}

QString Notifier::account() {
    QString account;
    if (m_client)
        emit m_client->AccountRequired(account);
    m_ctx.checkAfterNotification();
    return account;
}

QString Notifier::password() {
    QString password;
    if (m_client)
        emit m_client->PasswordRequired(password);
    m_ctx.checkAfterNotification();
    return password;
}

}  // namespace ftp
