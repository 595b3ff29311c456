#pragma once

#include <QString>

class Questions;
class RemoteView;
class TransferHost;
namespace ftp {
class FtpClient;
class FtpError;
}  // namespace ftp

// Changes to what is on the server: deleting, renaming and creating entries of the current
// remote folder, and deleting whole published projects. Each asks first, holds the busy state
// while it runs and reports how it ended.
class RemoteChanges {
public:
    RemoteChanges(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions, RemoteView& view);

    void DeleteSelectedRemoteFiles();
    void RenameRemoteFile();
    void RemoveRemoteFolder();
    void createRemoteFolder();
    void DeleteSelectedProjects();

private:
    QString chosenRowText() const;
    // Every failure is logged with its description, followed by a fresh listing, and shown.
    void Failed(const QString& logText, const ftp::FtpError& error, const QString& status);

    ftp::FtpClient& m_xFtp;
    TransferHost& m_host;
    Questions& m_questions;
    RemoteView& m_view;
};
