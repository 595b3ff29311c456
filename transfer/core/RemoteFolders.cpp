#include "RemoteFolders.h"

#include "BusyState.h"
#include "FtpClient.h"
#include "RemoteListView.h"
#include "TransferHost.h"

namespace {

// The view's listing bracket, closed also when the listing throws.
class ListingScope {
public:
    explicit ListingScope(RemoteListView& view) : m_view(view) { m_view.beginListing(); }
    ~ListingScope() { m_view.endListing(); }
    ListingScope(const ListingScope&) = delete;
    ListingScope& operator=(const ListingScope&) = delete;

private:
    RemoteListView& m_view;
};

}  // namespace

RemoteFolders::RemoteFolders(ftp::FtpClient& xFtp, TransferHost& host, RemoteListView& view)
    : m_xFtp(xFtp), m_host(host), m_view(view) {}

void RemoteFolders::ListFilesOnServer() {
    const BusyState::Hold busy = m_host.busy().hold();
    try {
        m_xFtp.setListingOption(1);
        m_host.StatusBarInfo(QStringLiteral("Obtaining remote folder's contents..."));
        {
            const ListingScope listing(m_view);
            m_xFtp.ListFolder(QString());
        }
        m_host.StatusBarInfo(QStringLiteral("Listing of remote folder completed."));
    } catch (const ftp::FtpError& e) {
        m_host.DisplayMessage(
            QStringLiteral("Error while listing remote folder's contents. Description: ") +
            e.description);
        m_host.StatusBarInfo(QStringLiteral("Could not list remote folder's contents."));
    }
}

QString RemoteFolders::GetRemoteFolder() {
    try {
        return m_xFtp.CurrentFolder();
    } catch (const ftp::FtpError& e) {
        m_host.DisplayMessage(
            QStringLiteral("Error while querying current remote folder. Description: ") +
            e.description);
        return QString();
    }
}

bool RemoteFolders::ChangeCurrentRemoteFolder(QString sNewRemotePath, bool bInteractive) {
    const BusyState::Hold busy = m_host.busy().hold();
    try {
        m_xFtp.ChangeFolder(sNewRemotePath);
    } catch (const ftp::FtpError& e) {
        if (bInteractive) {
            m_host.DisplayMessage(
                QStringLiteral("Error while attempting to change current remote folder to '") +
                sNewRemotePath + QStringLiteral("'. Description: ") + e.description);
            m_host.StatusBarInfo(QStringLiteral("Could not change current remote folder."));
        }
        return false;
    }
    try {
        sNewRemotePath = m_xFtp.CurrentFolder();
        m_view.addVisitedFolder(sNewRemotePath);
        m_host.StatusBarInfo(QStringLiteral("Remote folder changed to ") + sNewRemotePath);
        return true;
    } catch (const ftp::FtpError& e) {
        if (bInteractive) {
            m_host.DisplayMessage(
                QStringLiteral("Error obtaining new current remote folder while attempting to "
                               "change current remote folder to '") +
                sNewRemotePath + QStringLiteral("'. Description: ") + e.description);
            m_host.StatusBarInfo(QStringLiteral("Current folder changed but new path unknown."));
        }
        return false;
    }
}

void RemoteFolders::openFolder(const QString& path) {
    if (path == GetRemoteFolder())
        return;
    if (ChangeCurrentRemoteFolder(path, true)) {
        m_view.ClearRemoteFileList();
        ListFilesOnServer();
        m_host.EnableRemoteCommands();
    }
}

void RemoteFolders::openParentFolder() {
    const std::optional<BusyState::Hold> busy = m_host.busy().tryHold();
    if (!busy)
        return;
    const QString oldPath = GetRemoteFolder();
    try {
        m_xFtp.ChangeToParentFolder();
        const QString newPath = GetRemoteFolder();
        if (newPath != oldPath) {
            if (ChangeCurrentRemoteFolder(newPath, true)) {
                m_view.ClearRemoteFileList();
                ListFilesOnServer();
                m_host.EnableRemoteCommands();
                m_host.StatusBarInfo(QStringLiteral("Remote path now up one folder."));
            }
        } else {
            m_host.StatusBarInfo(QStringLiteral("Remote path already at a root folder."));
        }
    } catch (const ftp::FtpError& e) {
        m_host.DisplayMessage(QStringLiteral("Error while attempting to change current remote "
                                             "folder to its parent folder. Description: ") +
                              e.description);
        m_host.StatusBarInfo(QStringLiteral("Could not change to remote folder's parent."));
    }
}
