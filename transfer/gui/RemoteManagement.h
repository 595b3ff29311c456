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
    void createRemoteFolder() { m_changes.createRemoteFolder(); }
    void DeleteSelectedProjects() { m_changes.DeleteSelectedProjects(); }

    QList<Row> selectedRemoteRows() const override;
    std::optional<QString> chosenRemoteRow() const override;
    void RefreshRemoteFileList() override;

public slots:
    void cmdDeleteRemoteFile_Click() { runIfIdle(&RemoteManagement::DeleteSelectedRemoteFiles); }
    void cmdRenameRemoteFile_Click() { runIfIdle(&RemoteManagement::RenameRemoteFile); }
    void cmdDeleteRemoteFolder_Click() { runIfIdle(&RemoteManagement::RemoveRemoteFolder); }
    void cmdCreateRemoteFolder_Click() { runIfIdle(&RemoteManagement::createRemoteFolder); }
    void cmdDelete_Click();

private:
    void runIfIdle(void (RemoteManagement::*procedure)());

    QPointer<QTreeWidget> m_lstRemoteFileList;
    RemoteSide& m_remote;
    TransferWindow& m_window;
    RemoteChanges m_changes;
};
