#include "RemoteChanges.h"

#include "BoxTitle.h"
#include "BusyState.h"
#include "CommandRules.h"
#include "EntryName.h"
#include "FtpClient.h"
#include "ProjectDeletion.h"
#include "Questions.h"
#include "RemoteView.h"
#include "RowKind.h"
#include "TransferHost.h"
#include "TransferTexts.h"

RemoteChanges::RemoteChanges(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions,
                             RemoteView& view)
    : m_xFtp(xFtp), m_host(host), m_questions(questions), m_view(view) {}

QString RemoteChanges::chosenRowText() const {
    const std::optional<QString> text = m_view.chosenRemoteRow();
    if (!text)
        throw ftp::FtpError(ftp::kErrBadArgument, QStringLiteral("No entry is selected."));
    return *text;
}

void RemoteChanges::Failed(const QString& logText, const ftp::FtpError& error,
                           const QString& status) {
    m_host.DisplayMessage(logText + error.description);
    m_view.RefreshRemoteFileList();
    // Shown after the listing, so the failure is what the status line keeps: the message log
    // is not on screen.
    m_host.StatusBarInfo(withCause(status, error));
}

void RemoteChanges::DeleteSelectedRemoteFiles() {
    const BusyState::Hold busy = m_host.busy().hold();
    if (!m_questions.Confirm(
            QStringLiteral("Are you sure you want to delete the selected remote file(s)?"))) {
        m_host.StatusBarInfo(QStringLiteral("Remote file(s) not deleted."));
        return;
    }
    try {
        for (const RemoteView::Row& row : m_view.selectedRemoteRows())
            m_xFtp.DeleteFile(row.text);
        m_view.RefreshRemoteFileList();
        m_host.StatusBarInfo(QStringLiteral("Remote file(s) deleted."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error deleting remote file(s): "), e,
               QStringLiteral("Remote files not deleted."));
    }
}

void RemoteChanges::RenameRemoteFile() {
    const BusyState::Hold busy = m_host.busy().hold();
    try {
        const QString oldName = chosenRowText();
        if (!m_questions.Confirm(QStringLiteral("Rename remote file ") + oldName +
                                 QStringLiteral("?"))) {
            m_host.StatusBarInfo(QStringLiteral("Remote file not renamed."));
            return;
        }
        const QString newName = m_questions.input(QStringLiteral("Pictavo Ferrymate "),
                                                  QStringLiteral("Rename remote file to : "));
        // An empty answer (Cancel gives one too) names nothing to rename to.
        if (newName.isEmpty()) {
            m_host.StatusBarInfo(QStringLiteral("Remote file not renamed."));
            return;
        }
        m_xFtp.RenameFile(oldName, newName);
        m_view.RefreshRemoteFileList();
        m_host.StatusBarInfo(QStringLiteral("Remote file renamed."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error renaming remote file: "), e,
               QStringLiteral("Remote file not renamed."));
    }
}

void RemoteChanges::RemoveRemoteFolder() {
    const BusyState::Hold busy = m_host.busy().hold();
    try {
        const QString name = chosenRowText();
        if (!m_questions.Confirm(QStringLiteral("Delete ") + name + QStringLiteral("?"))) {
            m_host.StatusBarInfo(QStringLiteral("Remote folder not deleted."));
            return;
        }
        m_xFtp.RemoveFolder(name);
        m_view.RefreshRemoteFileList();
        m_host.StatusBarInfo(QStringLiteral("Remote folder deleted."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error deleting remote folder: "), e,
               QStringLiteral("Remote folder not deleted."));
    }
}

void RemoteChanges::createRemoteFolder() {
    const BusyState::Hold busy = m_host.busy().hold();
    const QString name = m_questions.input(
        boxTitle(QStringLiteral("[Query]")),
        QStringLiteral("Enter the name of the remote folder you wish to create."));
    if (name.isEmpty())
        return;
    if (!isPlainName(name)) {
        m_questions.warn(boxTitle(QStringLiteral("[Notice]")),
                         QStringLiteral("A folder name cannot contain \"/\" or \"\\\" and cannot "
                                        "be \".\" or \"..\"."),
                         Questions::Buttons::Ok);
        m_host.StatusBarInfo(QStringLiteral("Remote folder not created."));
        return;
    }
    try {
        m_xFtp.CreateFolder(name);
        m_view.RefreshRemoteFileList();
        m_host.StatusBarInfo(QStringLiteral("Remote folder created."));
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error creating remote folder: "), e,
               QStringLiteral("Remote folder not created."));
    }
}

void RemoteChanges::DeleteSelectedProjects() {
    const BusyState::Hold busy = m_host.busy().hold();
    if (!m_questions.Confirm(
            QStringLiteral("Are you sure you want to delete the selected Pictavo(s)?"))) {
        m_host.StatusBarInfo(QStringLiteral("Selected Pictavo(s) not deleted."));
        m_host.setProgress(0);
        return;
    }
    ProjectDeletion deletion(
        m_xFtp, [this](int percent) { m_host.setProgress(percent); },
        [this] { return m_host.Progress(); }, [this] { m_host.busy().throwIfStopRequested(); });
    try {
        for (const RemoteView::Row& row : m_view.selectedRemoteRows()) {
            m_host.StatusBarInfo(QStringLiteral("Deleting '") + row.text + QStringLiteral("'."));
            // Links and the hosting account's own folders are no published projects.
            if (row.kind != kFolderRow || isSpecialRemoteFolder(row.text))
                continue;
            deletion.deleteProject(row.text);
        }
        m_view.RefreshRemoteFileList();
        m_host.StatusBarInfo(QStringLiteral("Selected Pictavo(s) successfully deleted."));
        m_host.setProgress(0);
    } catch (const ftp::FtpError& e) {
        Failed(QStringLiteral("Error deleting the selected Pictavo(s): "), e,
               QStringLiteral("Selected Pictavo(s) not deleted."));
    }
}
