#pragma once

#include <QString>

class RemoteListView;
class TransferHost;
namespace ftp {
class FtpClient;
}

// Browsing the server's folders: listing the current one, changing to another or to its parent,
// each holding the busy state and reporting how it went.
class RemoteFolders {
public:
    RemoteFolders(ftp::FtpClient& xFtp, TransferHost& host, RemoteListView& view);

    void ListFilesOnServer();
    // The current remote folder; empty (and logged) when the server cannot tell.
    QString GetRemoteFolder();
    // `bInteractive`: failures are reported; otherwise the caller reports them.
    bool ChangeCurrentRemoteFolder(QString sNewRemotePath, bool bInteractive);
    // Makes `path` current, unless it is already, and lists it.
    void openFolder(const QString& path);
    void openParentFolder();

private:
    ftp::FtpClient& m_xFtp;
    TransferHost& m_host;
    RemoteListView& m_view;
};
