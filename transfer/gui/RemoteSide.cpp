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

RemoteSide::RemoteSide(QComboBox* cboRemotePath, QTreeWidget* lstRemoteFileList,
                       ftp::FtpClient& xFtp, TransferWindow& window, QObject* parent)
    : QObject(parent),
      m_cboRemotePath(cboRemotePath),
      m_lstRemoteFileList(lstRemoteFileList),
      m_xFtp(xFtp),
      m_window(window),
      m_folders(xFtp, window, *this) {
    connect(&m_xFtp, &ftp::FtpClient::ListingItem, this, &RemoteSide::xFtp_ListingItem);
    connect(m_cboRemotePath, &QComboBox::currentIndexChanged, this,
            &RemoteSide::cboRemotePath_Click);
}

void RemoteSide::xFtp_ListingItem(const QString& name, const QDateTime& date, qint64, int kind,
                                  const QString&) {
    if (!m_bListing || !m_lstRemoteFileList)
        return;
    if (kind == ftp::kFolder || kind == ftp::kLink)
        addListRow(m_lstRemoteFileList, name, name, rowKindFor(ftp::ItemKind(kind)),
                   dateText(date));
}

void RemoteSide::ClearRemoteFileList() {
    if (m_lstRemoteFileList)
        m_lstRemoteFileList->clear();
}

void RemoteSide::RefreshRemoteFileList() {
    WaitPointer wait(m_window.dialogParent());
    const BusyState::Hold busy = m_window.busy().hold();
    ClearRemoteFileList();
    ListFilesOnServer();
}

void RemoteSide::cboRemotePath_Click() {
    if (!m_cboRemotePath || m_cboRemotePath->currentIndex() < 0)
        return;
    // Selecting an entry while not connected (the box is being emptied) must not reach the server;
    // while an operation runs, the entry is the one that operation just added.
    if (m_xFtp.State() == ftp::kNotConnected)
        return;
    const std::optional<BusyState::Hold> busy = m_window.busy().tryHold();
    if (!busy)
        return;
    m_folders.openFolder(m_cboRemotePath->currentText());
}

void RemoteSide::addVisitedFolder(const QString& path) {
    AddPathToComboBox(path, m_cboRemotePath);
}

void RemoteSide::beginListing() {
    m_sortingSuspended.emplace(m_lstRemoteFileList);
    m_bListing = true;
}

void RemoteSide::endListing() {
    m_bListing = false;
    m_sortingSuspended.reset();
}
