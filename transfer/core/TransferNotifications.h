#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <optional>

class Questions;
class TransferHost;
namespace ftp {
class FtpClient;
}

// The window's answers to the component's per-file notifications, for uploads and downloads.
// "Yes to All" and "No to All" answer the replace questions for the rest of the operation; files
// the server already has are counted and reported once the operation ends.
class TransferNotifications : public QObject {
    Q_OBJECT
public:
    TransferNotifications(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions,
                          QObject* parent = nullptr);

public slots:
    void xFtp_TransferProgress(const QString& fileName, const QString& secondName, qint64 fileSize,
                               qint64 bytesDone, int percent);
    void xFtp_ReplacingFile(const QString& existingName, const QString& newName,
                            qint64 existingSize, qint64 newSize, const QDateTime& existingDate,
                            int& answer);
    void xFtp_SendingFile(const QString& fileName, const QString& remoteName, qint64 fileSize);
    void xFtp_SkippingFile(const QString& firstName, const QString& secondName, qint32 reason);

private:
    void operationEnded();

    ftp::FtpClient& m_xFtp;
    TransferHost& m_host;
    Questions& m_questions;
    std::optional<int> m_replaceAnswer;  // the answer for every further file, once given
    int m_unchanged = 0;
};
