#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

#include "RemoteFolders.h"
#include "RemoteListView.h"
#include "SortingSuspended.h"

class QComboBox;
class QTreeWidget;
class TransferWindow;
namespace ftp {
class FtpClient;
}

// The right-hand side of the transfer window: the current server folder's folders and links in
// lstRemoteFileList, and the folders visited in cboRemotePath. The browsing itself is
// RemoteFolders'.
class RemoteSide : public QObject, public RemoteListView {
    Q_OBJECT
public:
    RemoteSide(QComboBox* cboRemotePath, QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp,
               TransferWindow& window, QObject* parent = nullptr);

    void ListFilesOnServer() { m_folders.ListFilesOnServer(); }
    void ClearRemoteFileList() override;
    void RefreshRemoteFileList();
    QString GetRemoteFolder() { return m_folders.GetRemoteFolder(); }
    bool ChangeCurrentRemoteFolder(const QString& sNewRemotePath, bool bInteractive) {
        return m_folders.ChangeCurrentRemoteFolder(sNewRemotePath, bInteractive);
    }

    void addVisitedFolder(const QString& path) override;
    void beginListing() override;
    void endListing() override;

public slots:
    void cboRemotePath_Click();
    void cmdUpFtp_Click() { m_folders.openParentFolder(); }
    void xFtp_ListingItem(const QString& name, const QDateTime& date, qint64 size, int kind,
                          const QString& text);

private:
    QPointer<QComboBox> m_cboRemotePath;
    QPointer<QTreeWidget> m_lstRemoteFileList;
    ftp::FtpClient& m_xFtp;
    TransferWindow& m_window;
    RemoteFolders m_folders;
    std::optional<SortingSuspended> m_sortingSuspended;  // while a listing appends rows
    bool m_bListing = false;  // rows come only from the listing this side asked for
};
