#include "ProjectUpload.h"

#include <QTreeWidget>

#include "BusyState.h"
#include "ConnectionRecord.h"
#include "Dialogs.h"
#include "FtpClient.h"
#include "ListRows.h"
#include "RemoteSide.h"
#include "TransferTexts.h"
#include "TransferWindow.h"
#include "WaitPointer.h"
#include "WebPage.h"

ProjectUpload::ProjectUpload(QTreeWidget* lstLocalFileList, QTreeWidget* lstRemoteFileList,
                             ftp::FtpClient& xFtp, RemoteSide& remote, TransferWindow& window,
                             const ConnectionRecord& record, QObject* parent)
    : QObject(parent),
      m_lstLocalFileList(lstLocalFileList),
      m_lstRemoteFileList(lstRemoteFileList),
      m_xFtp(xFtp),
      m_remote(remote),
      m_window(window),
      m_record(record),
      m_sender(xFtp, window) {}

void ProjectUpload::UploadSelectedProjects() {
    const BusyState::Hold busy = m_window.busy().hold(true);
    QString outcome;
    {
        WaitPointer wait(m_window.dialogParent());
        // The names and their folder are taken first: the lists may be reread, and the local
        // folder changed, while the transfers pump events. Each name keeps the spelling of the
        // file system; the row shows it upper-cased.
        QStringList projects;
        for (int i = 0; m_lstLocalFileList && i < m_lstLocalFileList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = m_lstLocalFileList->topLevelItem(i);
            if (row->isSelected() && rowKindOf(row) == kFolderRow)
                projects << rowNameOf(row);
        }
        outcome = m_sender.Send(m_window.localPath(), projects);
    }
    m_remote.RefreshRemoteFileList();
    // The listing's own texts would hide how the upload ended.
    m_window.StatusBarInfo(outcome);
}

void ProjectUpload::cmdSend_Click() {
    m_window.busy().runIfIdle([this] {
        UploadSelectedProjects();
        m_window.EnableLocalCommands();
    });
}

void ProjectUpload::lstLocalFileList_DblClick() {
    if (!m_lstLocalFileList || m_window.busy().busy())
        return;
    const QTreeWidgetItem* row = m_lstLocalFileList->currentItem();
    if (!row || !row->isSelected() || rowKindOf(row) != kFolderRow)
        return;
    if (m_xFtp.State() == ftp::kNotConnected) {
        m_window.StatusBarInfo(QStringLiteral("Cannot upload Pictavo(s) when not connected."));
        return;
    }
    if (Confirm(m_window.dialogParent(),
                QStringLiteral("Upload Pictavo '") + row->text(0) + QStringLiteral("'?")))
        UploadSelectedProjects();
    else
        m_window.StatusBarInfo(QStringLiteral("Pictavo(s) not uploaded to FTP server."));
}

void ProjectUpload::cmdView_Click() {
    QStringList addresses;
    for (int i = 0; m_lstRemoteFileList && i < m_lstRemoteFileList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_lstRemoteFileList->topLevelItem(i);
        if (row->isSelected())
            addresses << projectViewAddress(m_record.sAddress, row->text(0));
    }
    for (const QString& address : addresses)
        OpenWebPage(address);
}
