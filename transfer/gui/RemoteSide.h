#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

class QComboBox;
class QTreeWidget;
class TransferWindow;
namespace ftp {
class FtpClient;
}

// The right-hand side of the transfer window: the current server folder's folders and links in
// lstRemoteFileList, and the folders visited in cboRemotePath.
class RemoteSide : public QObject {
    Q_OBJECT
public:
    RemoteSide(QComboBox* cboRemotePath, QTreeWidget* lstRemoteFileList, ftp::FtpClient& xFtp,
               TransferWindow& window, QObject* parent = nullptr);

    void ListFilesOnServer();
    void ClearRemoteFileList();
    void RefreshRemoteFileList();
    QString GetRemoteFolder();
    bool ChangeCurrentRemoteFolder(QString sNewRemotePath, bool bInteractive);

public slots:
    void cboRemotePath_Click();
    void cmdUpFtp_Click();
    void xFtp_ListingItem(const QString& name, const QDateTime& date, qint64 size, int kind,
                          const QString& text);

private:
    QPointer<QComboBox> m_cboRemotePath;
    QPointer<QTreeWidget> m_lstRemoteFileList;
    ftp::FtpClient& m_xFtp;
    TransferWindow& m_window;
    bool m_bListing = false;  // rows come only from the listing this side asked for
};
