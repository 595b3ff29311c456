#include "RemoteSide.h"

#include <QComboBox>
#include <QTreeWidget>

#include "BusyState.h"
#include "DateText.h"
#include "FtpClient.h"
#include "ListRows.h"
#include "PathBox.h"
#include "TransferWindow.h"
#include "WaitPointer.h"

namespace {

// Keeps a list unsorted while many rows are appended, so each insert is cheap; sorts once after.
class SortingSuspended {
public:
    explicit SortingSuspended(QTreeWidget* list) : m_list(list) {
        if (m_list) {
            m_wasSorted = m_list->isSortingEnabled();
            m_list->setSortingEnabled(false);
            m_list->setUpdatesEnabled(false);
        }
    }
    ~SortingSuspended() {
        if (m_list) {
            m_list->setUpdatesEnabled(true);
            m_list->setSortingEnabled(m_wasSorted);
        }
    }

private:
    QPointer<QTreeWidget> m_list;
    bool m_wasSorted = false;
};

}  // namespace

RemoteSide::RemoteSide(QComboBox* cboRemotePath, QTreeWidget* lstRemoteFileList,
                       ftp::FtpClient& xFtp, TransferWindow& window, QObject* parent)
    : QObject(parent),
      m_cboRemotePath(cboRemotePath),
      m_lstRemoteFileList(lstRemoteFileList),
      m_xFtp(xFtp),
      m_window(window) {
    connect(&m_xFtp, &ftp::FtpClient::ListingItem, this, &RemoteSide::xFtp_ListingItem);
    connect(m_cboRemotePath, &QComboBox::currentIndexChanged, this,
            &RemoteSide::cboRemotePath_Click);
}

void RemoteSide::ListFilesOnServer() {
    const BusyState::Hold busy = m_window.Busy().hold();
    try {
        m_xFtp.setListingOption(1);
        m_window.StatusBarInfo(QStringLiteral("Obtaining remote folder's contents..."));
        {
            SortingSuspended suspended(m_lstRemoteFileList);
            m_bListing = true;
            struct Reset {
                bool& flag;
                ~Reset() { flag = false; }
            } reset{m_bListing};
            m_xFtp.ListFolder(QString());
        }
        m_window.StatusBarInfo(QStringLiteral("Listing of remote folder completed."));
    } catch (const ftp::FtpError& e) {
        m_window.DisplayMessage(
            QStringLiteral("Error while listing remote folder's contents. Description: ") +
            e.description);
        m_window.StatusBarInfo(QStringLiteral("Could not list remote folder's contents."));
    }
}

void RemoteSide::xFtp_ListingItem(const QString& name, const QDateTime& date, qint64, int kind,
                                  const QString&) {
    if (!m_bListing || !m_lstRemoteFileList)
        return;
    if (kind == ftp::kFolder || kind == ftp::kLink)
        AddListRow(m_lstRemoteFileList, name, name, RowKindFor(ftp::ItemKind(kind)),
                   DateText(date));
}

void RemoteSide::ClearRemoteFileList() {
    if (m_lstRemoteFileList)
        m_lstRemoteFileList->clear();
}

void RemoteSide::RefreshRemoteFileList() {
    WaitPointer wait(m_window.DialogParent());
    const BusyState::Hold busy = m_window.Busy().hold();
    ClearRemoteFileList();
    ListFilesOnServer();
}

QString RemoteSide::GetRemoteFolder() {
    try {
        return m_xFtp.CurrentFolder();
    } catch (const ftp::FtpError& e) {
        m_window.DisplayMessage(
            QStringLiteral("Error while querying current remote folder. Description: ") +
            e.description);
        return QString();
    }
}

bool RemoteSide::ChangeCurrentRemoteFolder(QString sNewRemotePath, bool bInteractive) {
    const BusyState::Hold busy = m_window.Busy().hold();
    try {
        m_xFtp.ChangeFolder(sNewRemotePath);
    } catch (const ftp::FtpError& e) {
        if (bInteractive) {
            m_window.DisplayMessage(
                QStringLiteral("Error while attempting to change current remote folder to '") +
                sNewRemotePath + QStringLiteral("'. Description: ") + e.description);
            m_window.StatusBarInfo(QStringLiteral("Could not change current remote folder."));
        }
        return false;
    }
    try {
        sNewRemotePath = m_xFtp.CurrentFolder();
        AddPathToComboBox(sNewRemotePath, m_cboRemotePath);
        m_window.StatusBarInfo(QStringLiteral("Remote folder changed to ") + sNewRemotePath);
        return true;
    } catch (const ftp::FtpError& e) {
        if (bInteractive) {
            m_window.DisplayMessage(
                QStringLiteral("Error obtaining new current remote folder while attempting to "
                               "change current remote folder to '") +
                sNewRemotePath + QStringLiteral("'. Description: ") + e.description);
            m_window.StatusBarInfo(QStringLiteral("Current folder changed but new path unknown."));
        }
        return false;
    }
}

void RemoteSide::cboRemotePath_Click() {
    if (!m_cboRemotePath || m_cboRemotePath->currentIndex() < 0)
        return;
    // Selecting an entry while not connected (the box is being emptied) must not reach the server;
    // while an operation runs, the entry is the one that operation just added.
    if (m_xFtp.State() == ftp::kNotConnected)
        return;
    const std::optional<BusyState::Hold> busy = m_window.Busy().tryHold();
    if (!busy)
        return;
    const QString selected = m_cboRemotePath->currentText();
    if (selected == GetRemoteFolder())
        return;
    if (ChangeCurrentRemoteFolder(selected, true)) {
        ClearRemoteFileList();
        ListFilesOnServer();
        m_window.EnableRemoteCommands();
    }
}

void RemoteSide::cmdUpFtp_Click() {
    const std::optional<BusyState::Hold> busy = m_window.Busy().tryHold();
    if (!busy)
        return;
    const QString oldPath = GetRemoteFolder();
    try {
        m_xFtp.ChangeToParentFolder();
        const QString newPath = GetRemoteFolder();
        if (newPath != oldPath) {
            if (ChangeCurrentRemoteFolder(newPath, true)) {
                ClearRemoteFileList();
                ListFilesOnServer();
                m_window.EnableRemoteCommands();
                m_window.StatusBarInfo(QStringLiteral("Remote path now up one folder."));
            }
        } else {
            m_window.StatusBarInfo(QStringLiteral("Remote path already at a root folder."));
        }
    } catch (const ftp::FtpError& e) {
        m_window.DisplayMessage(QStringLiteral("Error while attempting to change current remote "
                                               "folder to its parent folder. Description: ") +
                                e.description);
        m_window.StatusBarInfo(QStringLiteral("Could not change to remote folder's parent."));
    }
}
