#include "RemoteManagement.h"

#include <QTreeWidget>

#include "BusyState.h"
#include "CommandRules.h"
#include "Dialogs.h"
#include "FtpClient.h"
#include "ListRows.h"
#include "ProjectDeletion.h"
#include "RemoteSide.h"
#include "TransferTexts.h"
#include "TransferWindow.h"

namespace {

struct SelectedRow {
    QString text;
    int kind;
};

QList<SelectedRow> SelectedRows(const QTreeWidget* list) {
    QList<SelectedRow> rows;
    for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list->topLevelItem(i);
        if (row->isSelected())
            rows.append({row->text(0), RowKindOf(row)});
    }
    return rows;
}

// A name typed for a new folder must name an entry of the current folder, nothing else.
bool IsPlainName(const QString& name) {
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

}  // namespace

RemoteManagement::RemoteManagement(QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp,
                                   RemoteSide& remote, TransferWindow& window, QObject* parent)
    : QObject(parent),
      m_lstRemoteFileList(lstRemoteFileList),
      m_xFtp(xFtp),
      m_remote(remote),
      m_window(window) {}

QString RemoteManagement::SelectedRowText() const {
    const QTreeWidgetItem* row = m_lstRemoteFileList ? m_lstRemoteFileList->currentItem() : nullptr;
    if (!row || !row->isSelected()) {
        const QList<QTreeWidgetItem*> selected =
            m_lstRemoteFileList ? m_lstRemoteFileList->selectedItems() : QList<QTreeWidgetItem*>();
        row = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!row)
        throw ftp::FtpError(ftp::kErrBadArgument, QStringLiteral("No entry is selected."));
    return row->text(0);
}

void RemoteManagement::Failed(const QString& logText, const ftp::FtpError& error,
                              const QString& status) {
    m_window.DisplayMessage(logText + error.description);
    m_remote.RefreshRemoteFileList();
    // Shown after the listing, so the failure is what the status line keeps: the message log
    // is not on screen.
    m_window.StatusBarInfo(WithCause(status, error));
}

void RemoteManagement::RunIfIdle(void (RemoteManagement::*procedure)()) {
    if (!m_window.Busy().busy())
        (this->*procedure)();
}

void RemoteManagement::DeleteSelectedRemoteFiles() {
    const BusyState::Hold busy = m_window.Busy().hold();
    if (!Confirm(m_window.DialogParent(),
                 QStringLiteral("Are you sure you want to delete the selected remote file(s)?"))) {
        m_window.StatusBarInfo(QStringLiteral("Remote file(s) not deleted."));
        return;
    }
    try {
        for (const SelectedRow& row : SelectedRows(m_lstRemoteFileList))
            m_xFtp.DeleteFile(row.text);
        m_remote.RefreshRemoteFileList();
        m_window.StatusBarInfo(QStringLiteral("Remote file(s) deleted."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error deleting remote file(s): "), e,
               QStringLiteral("Remote files not deleted."));
    }
}

void RemoteManagement::RenameRemoteFile() {
    const BusyState::Hold busy = m_window.Busy().hold();
    try {
        const QString oldName = SelectedRowText();
        if (!Confirm(m_window.DialogParent(),
                     QStringLiteral("Rename remote file ") + oldName + QStringLiteral("?"))) {
            m_window.StatusBarInfo(QStringLiteral("Remote file not renamed."));
            return;
        }
        const QString newName =
            dialogs().input(m_window.DialogParent(), QStringLiteral("Pictavo Ferrymate "),
                            QStringLiteral("Rename remote file to : "), QString());
        // An empty answer (Cancel gives one too) names nothing to rename to.
        if (newName.isEmpty()) {
            m_window.StatusBarInfo(QStringLiteral("Remote file not renamed."));
            return;
        }
        m_xFtp.RenameFile(oldName, newName);
        m_remote.RefreshRemoteFileList();
        m_window.StatusBarInfo(QStringLiteral("Remote file renamed."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error renaming remote file: "), e,
               QStringLiteral("Remote file not renamed."));
    }
}

void RemoteManagement::RemoveRemoteFolder() {
    const BusyState::Hold busy = m_window.Busy().hold();
    try {
        const QString name = SelectedRowText();
        if (!Confirm(m_window.DialogParent(),
                     QStringLiteral("Delete ") + name + QStringLiteral("?"))) {
            m_window.StatusBarInfo(QStringLiteral("Remote folder not deleted."));
            return;
        }
        m_xFtp.RemoveFolder(name);
        m_remote.RefreshRemoteFileList();
        m_window.StatusBarInfo(QStringLiteral("Remote folder deleted."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error deleting remote folder: "), e,
               QStringLiteral("Remote folder not deleted."));
    }
}

void RemoteManagement::CreateRemoteFolder() {
    const BusyState::Hold busy = m_window.Busy().hold();
    const QString name = dialogs().input(
        m_window.DialogParent(), BoxTitle(QStringLiteral("[Query]")),
        QStringLiteral("Enter the name of the remote folder you wish to create."), QString());
    if (name.isEmpty())
        return;
    if (!IsPlainName(name)) {
        dialogs().message(m_window.DialogParent(), QMessageBox::Warning,
                          BoxTitle(QStringLiteral("[Notice]")),
                          QStringLiteral("A folder name cannot contain \"/\" or \"\\\" and cannot "
                                         "be \".\" or \"..\"."),
                          QMessageBox::Ok, QMessageBox::Ok);
        m_window.StatusBarInfo(QStringLiteral("Remote folder not created."));
        return;
    }
    try {
        m_xFtp.CreateFolder(name);
        m_remote.RefreshRemoteFileList();
        m_window.StatusBarInfo(QStringLiteral("Remote folder created."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error creating remote folder: "), e,
               QStringLiteral("Remote folder not created."));
    }
}

void RemoteManagement::cmdDelete_Click() {
    if (m_window.Busy().busy())
        return;
    DeleteSelectedProjects();
    m_window.EnableLocalCommands();
}

void RemoteManagement::DeleteSelectedProjects() {
    const BusyState::Hold busy = m_window.Busy().hold();
    if (!Confirm(m_window.DialogParent(),
                 QStringLiteral("Are you sure you want to delete the selected Pictavo(s)?"))) {
        m_window.StatusBarInfo(QStringLiteral("Selected Pictavo(s) not deleted."));
        m_window.SetProgress(0);
        return;
    }
    ProjectDeletion deletion(
        m_xFtp, [this](int percent) { m_window.SetProgress(percent); },
        [this] { return m_window.Progress(); }, [this] { m_window.Busy().throwIfStopRequested(); });
    try {
        for (const SelectedRow& row : SelectedRows(m_lstRemoteFileList)) {
            m_window.StatusBarInfo(QStringLiteral("Deleting '") + row.text + QStringLiteral("'."));
            // Links and the hosting account's own folders are no published projects.
            if (row.kind != kFolderRow || IsSpecialRemoteFolder(row.text))
                continue;
            deletion.DeleteProject(row.text);
        }
        m_remote.RefreshRemoteFileList();
        m_window.StatusBarInfo(QStringLiteral("Selected Pictavo(s) successfully deleted."));
        m_window.SetProgress(0);
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error deleting the selected Pictavo(s): "), e,
               QStringLiteral("Selected Pictavo(s) not deleted."));
    }
}
