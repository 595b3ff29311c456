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
    // A command arriving while an operation runs (a queued click, a key) is dropped.
    void cmdDeleteRemoteFile_Click() { RunIfIdle(&RemoteManagement::DeleteSelectedRemoteFiles); }
    void cmdRenameRemoteFile_Click() { RunIfIdle(&RemoteManagement::RenameRemoteFile); }
    void cmdDeleteRemoteFolder_Click() { RunIfIdle(&RemoteManagement::RemoveRemoteFolder); }
    void cmdCreateRemoteFolder_Click() { RunIfIdle(&RemoteManagement::CreateRemoteFolder); }
    void cmdDelete_Click();

private:
    void RunIfIdle(void (RemoteManagement::*procedure)());
    QString SelectedRowText() const;
    // Every failure is logged with its description, followed by a fresh listing, and shown.
    void Failed(const QString& logText, const ftp::FtpError& error, const QString& status);

    QPointer<QTreeWidget> m_lstRemoteFileList;
    ftp::FtpClient& m_xFtp;
    RemoteSide& m_remote;
    TransferWindow& m_window;
};
