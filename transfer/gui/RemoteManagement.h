#pragma once

#include <QObject>
#include <QPointer>

#include "RemoteChanges.h"
#include "RemoteView.h"

class QTreeWidget;
class Questions;
class RemoteSide;
class TransferWindow;
namespace ftp {
class FtpClient;
}

// The remote list's commands that change what is on the server, run by RemoteChanges over the
// list's selection.
class RemoteManagement : public QObject, public RemoteView {
    Q_OBJECT
public:
    RemoteManagement(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp, RemoteSide& remote,
                     TransferWindow& window, Questions& questions, QObject* parent = nullptr);

    void DeleteSelectedRemoteFiles() { m_changes.DeleteSelectedRemoteFiles(); }
    void RenameRemoteFile() { m_changes.RenameRemoteFile(); }
    void RemoveRemoteFolder() { m_changes.RemoveRemoteFolder(); }
    void CreateRemoteFolder() { m_changes.CreateRemoteFolder(); }
    void DeleteSelectedProjects() { m_changes.DeleteSelectedProjects(); }

    QList<Row> SelectedRemoteRows() const override;
    std::optional<QString> ChosenRemoteRow() const override;
    void RefreshRemoteFileList() override;

public slots:
    void cmdDeleteRemoteFile_Click() { RunIfIdle(&RemoteManagement::DeleteSelectedRemoteFiles); }
    void cmdRenameRemoteFile_Click() { RunIfIdle(&RemoteManagement::RenameRemoteFile); }
    void cmdDeleteRemoteFolder_Click() { RunIfIdle(&RemoteManagement::RemoveRemoteFolder); }
    void cmdCreateRemoteFolder_Click() { RunIfIdle(&RemoteManagement::CreateRemoteFolder); }
    void cmdDelete_Click();

private:
    void RunIfIdle(void (RemoteManagement::*procedure)());

    QPointer<QTreeWidget> m_lstRemoteFileList;
    RemoteSide& m_remote;
    TransferWindow& m_window;
    RemoteChanges m_changes;
};
