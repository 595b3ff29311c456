#pragma once

#include <QList>
#include <QString>

class Questions;
class TransferHost;
namespace ftp {
class FtpClient;
}

// Receiving remote entries of the current remote folder into a local folder: files one by one,
// folders with their contents, their subfolders only when the user wants them.
class EntryReceiver {
public:
    struct Entry {
        QString name;
        bool folder = false;
    };

    EntryReceiver(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions);

    // Receives `entries` into `localFolder` (ends with a separator) and reports how it ended.
    void Receive(const QList<Entry>& entries, const QString& localFolder);

private:
    ftp::FtpClient& m_xFtp;
    TransferHost& m_host;
    Questions& m_questions;
};
