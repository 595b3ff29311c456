#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

class TransferWindow;
namespace ftp {
class FtpClient;
}

// The window's answers to the component's per-file notifications, for uploads and downloads.
class TransferNotifications : public QObject {
    Q_OBJECT
public:
    TransferNotifications(ftp::FtpClient& xFtp, TransferWindow& window, QObject* parent = nullptr);

public slots:
    void xFtp_TransferProgress(const QString& fileName, const QString& secondName, qint64 fileSize,
                               qint64 bytesDone, int percent);
    void xFtp_ReplacingFile(const QString& existingName, const QString& newName,
                            qint64 existingSize, qint64 newSize, const QDateTime& existingDate,
                            int& answer);
    void xFtp_SendingFile(const QString& fileName, const QString& remoteName, qint64 fileSize);
    void xFtp_SkippingFile(const QString& firstName, const QString& secondName, qint32 reason);

private:
    ftp::FtpClient& m_xFtp;
    TransferWindow& m_window;
};
