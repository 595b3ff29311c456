#pragma once

#include <QObject>
#include <QPointer>

class QTreeWidget;
class RemoteSide;
class TransferWindow;
namespace ftp {
class FtpClient;
class FtpError;
}  // namespace ftp

// Changes to what is on the server: deleting, renaming and creating entries of the current
// remote folder, and deleting whole published projects.
class RemoteManagement : public QObject {
    Q_OBJECT
public:
    RemoteManagement(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp, RemoteSide& remote,
                     TransferWindow& window, QObject* parent = nullptr);

    void DeleteSelectedRemoteFiles();
    void RenameRemoteFile();
    void RemoveRemoteFolder();
    void CreateRemoteFolder();
    void DeleteSelectedProjects();

public slots:
    void cmdDeleteRemoteFile_Click();
    void cmdRenameRemoteFile_Click();
    void cmdDeleteRemoteFolder_Click();
    void cmdCreateRemoteFolder_Click();
    void cmdDelete_Click();

private:
    // A command arriving while an operation runs (a queued click, a key) is dropped.
    bool Idle() const;
    QString SelectedRowText() const;
    // Every failure is logged with its description, followed by a fresh listing, and shown.
    void Failed(const QString& logText, const ftp::FtpError& error, const QString& status);

    QPointer<QTreeWidget> m_lstRemoteFileList;
    ftp::FtpClient& m_xFtp;
    RemoteSide& m_remote;
    TransferWindow& m_window;
};
