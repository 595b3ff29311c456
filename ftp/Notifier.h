#pragma once

#include <QDateTime>
#include <QPointer>
#include <QString>

#include "FtpClient.h"
#include "OpContext.h"
#include "TlsPolicy.h"

namespace ftp {

// Raises the component's notifications for a running operation. The handlers run nested
// event loops (message boxes) in which the operation may be aborted or the component
// destroyed, so every notification checks the operation afterwards and throws if it ended
// (see OpContext::checkAfterNotification).
class Notifier {
public:
    Notifier(QPointer<FtpClient> client, OpContext& ctx) : m_client(client), m_ctx(ctx) {}

    void listingItem(const QString& name, const QDateTime& date, qint64 size, int kind,
                     const QString& text);
    void progress(const QString& fileName, const QString& secondName, qint64 fileSize,
                  qint64 bytesDone, int percent);
    void sending(const QString& fileName, const QString& remoteName, qint64 fileSize);
    void skipping(const QString& firstName, const QString& secondName, qint32 reason);
    // The handler's answer: 1 replace, 0 keep.
    int replacing(const QString& existingName, const QString& newName, qint64 existingSize,
                  qint64 newSize, const QDateTime& existingDate);
    void reconnecting(int attempt, int attempts, const QString& cause);
    // The handler's answer: true trusts the certificate.
    bool certificateUntrusted(const QString& host, const CertificateReport& report);
    QString account();
    QString password();

private:
    QPointer<FtpClient> m_client;
    OpContext& m_ctx;
};

}  // namespace ftp
