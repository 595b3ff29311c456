#pragma once

#include <QPointer>
#include <algorithm>
#include <memory>

#include "CommandLog.h"
#include "ConnectionPool.h"
#include "FtpClient.h"
#include "Settings.h"

namespace ftp {

class Connection;
class OpContext;
class Session;

// The FTP component: FtpClient on Qt Network.
//
// Each operation runs in a nested event loop on the caller's thread and raises its
// notifications there. One operation at a time: another one started meanwhile (from a
// notification handler or a window event) fails with kErrBusy before anything is sent.
// AbortRequested stops the running operation at once: the data connection closes, ABOR and
// the commands that tidy up (removing a partial file, returning to the starting folder) go to
// the server, State becomes 2, and the operation fails with kErrAborted when control returns to
// it. Disconnected fires once when a connection that Connect completed ends, for whatever
// reason; a Connect that fails raises its error and no Disconnected. The component may be
// destroyed from a handler while an operation waits: the operation then fails with
// kErrConnectionLost without touching the component again.
//
// Transfers and listings (SendFile, SendFiles, ReceiveFile, ReceiveFiles, ListFolder,
// GetFolderItems) outlive a control connection that goes away (closed, reset, timed out): they
// reconnect with the same properties, log in, return to the folder they were in and start the
// interrupted file or listing over, up to two tries per file or listing, 1 s and 4 s after
// Reconnecting announced each. Nothing of the cut attempt stays: a send's temporary on the
// server is deleted, a receive's temporary discarded. The file goes on under its first
// SendingFile and ReplacingFile answer, and the percentage does not go back. A recovered drop
// raises no Disconnected; when no try is left the operation fails with the error that cut it
// and Disconnected fires once. A refused command, an abort or the component's end is never
// retried.
//
// Timeout bounds silence and also how long a reply may take once it began: a server that
// trickles a reply line by line is cut off like a silent one (kErrTimeout, the connection
// closed). A listing must complete within ten timeouts; one that does not fails with
// kErrTimeout and is not retried, and the connection stays.
//
// Notification arguments:
// - TransferProgress: a send reports the local path and the remote path as given; a receive
//   the remote path and the local path. Percent is of all bytes of the operation.
// - SendingFile: local path, remote path, size. Receives raise no SendingFile.
// - ReplacingFile: the existing file (remote path for sends, local path for receives), the
//   other side's name, both sizes and the existing file's date. With the last argument of
//   SendFile/SendFiles true, sends replace without asking.
// - SkippingFile: see SkipReason. Names the window can show alone come first with an empty
//   second name; a file kept after ReplacingFile gives both names.
// - CommandLogged: see LogDirection.
// Reserved arguments: the 32-bit option of SendFile and ReceiveFile is ignored.
//
// Data connections are passive unless PassiveMode is false (active first); a mode that fails
// to open is tried once in the other, and the mode that worked is kept for the session.
//
// TLS (TlsMode, by default kTlsAuto): AUTH TLS follows the greeting; after the server's 234 the
// control connection is encrypted before USER, and PBSZ 0 and PROT P follow the login, so every
// data connection, listings included, is TLS as well. A 500, 502, 504 or 530 to AUTH TLS means
// the server has none: kTlsAuto goes on in clear, kTlsRequire fails with kErrTlsRequired having
// sent nothing else. The certificate must verify against the system's authorities plus
// ExtraCaCertificates, for ServerAddress; one that does not is put to CertificateUntrusted, and
// Connect fails with kErrCertificate unless the handler trusts it. Data connections must show
// the control connection's certificate (kErrDataConnection otherwise) and resume its TLS
// session, which servers such as vsftpd insist on: each one resumes with the newest session
// ticket the server gave, on the control connection or the latest data connection. Encrypted
// tells whether the connection is.
//
// Paths: remote paths may be relative to the current folder and use "\" or "/"; local paths
// use the platform's separator. Masks take "*" and "?", ignore letter case, and "*.*" takes
// every name. Operations that move through folders leave the caller in the folder they started
// in (CurrentFolder names it); the server goes back there only when the next operation works in
// the current folder, so a send after a send goes on from where the last one ended.
//
// Sends create missing remote folders (MKD of the whole path where the parent exists, else one
// folder at a time) and list each existing target folder once to find what they replace; a folder
// they made, or an earlier send of the session made with no other operation since, needs no
// listing. RNFR and RNTO go out together. Every file, new or replacing, is sent
// under a temporary name (".NAME.ferrypart") beside its target and renamed into place (over the old
// version) when complete, so the site never serves part of a file. A transfer that fails or is
// aborted deletes its temporary where the connection allows; temporaries left when it did not are
// deleted by the next send that lists their folder. A local file that does not give the size it had
// when the send began fails it (kErrLocalFile). SendFiles takes the matching files of the mask's
// folder and, with include-subfolders, of its subfolders into same-named remote subfolders (a
// folder without a matching file is not created). A mask whose folder does not exist sends nothing
// and is no error; SendFile of a missing file is one (kErrLocalFile).
//
// SendFiles and ReceiveFiles move files over up to Connections() connections at once: the
// control connection and extra ones, opened when a transfer first wants them, logged in like
// the control connection (TLS with PBSZ 0 and PROT P when it is encrypted, each resuming its
// own TLS session on its data connections; a certificate trusted on the control connection is
// trusted again when the same one shows, another one ends that connection without asking),
// kept for the session and closed by Disconnect or the end of the control connection. They move
// data in passive mode only: a session in active mode uses the control connection alone. A
// server that refuses an extra connection (421, 530, any failure to log in) is used with those
// it took, without an error, and the session asks for no more than those later. Every target
// folder is made or listed and every ReplacingFile asked before the first file moves; each file
// has its SendingFile before its progress, the percentage counts the bytes of all running
// files and never goes back. A file whose extra connection fails is moved by the others; a
// command that an extra connection's server refuses fails the operation as on the control
// connection. An abort stops every connection at once, each removing its temporary. Only the
// control connection reconnects. Each connection sends TYPE once and enters each folder once.
//
// With SkipUnchanged, a send leaves out (SkippingFile: local path, remote path,
// kSkipUnchanged; no ReplacingFile) a file the server has in the local size with a
// modification time not older than the local one. The remote time must be exact (MLSD, else
// MDTM); the server's clock is set against ours once per connection by sending an empty probe
// (".ferrymate-clock.ferrypart", deleted at once) and reading its time with MDTM. Where a time
// is missing or the comparison too close to call, the file is sent; a file of another size
// always is.
//
// Receives write a temporary file beside the target and rename it when complete and whole; the
// old local file stays as it was otherwise. A binary file whose byte count differs from the
// size announced (by the listing for ReceiveFiles, by SIZE for ReceiveFile) fails with
// kErrDataConnection, as does a data connection that is reset; a write that fails (a full
// disk) fails with kErrLocalFile. A recursive ReceiveFiles fails with kErrProtocol, receiving
// nothing, where the folder tree is more than 64 levels deep. Byte totals stop at the largest
// count, whatever sizes a listing announces. ReceiveFiles with a mask such as "name\*" puts
// the folder's files into the local subfolder "name" (created even when empty); subfolders
// follow only with include-subfolders. Listed names that would leave the local folder, links
// and unreadable lines are skipped (SkippingFile).
class FtpComponent : public FtpClient {
    Q_OBJECT
public:
    explicit FtpComponent(QObject* parent = nullptr);
    ~FtpComponent() override;

    QString ServerAddress() const override { return m_settings.host; }
    void setServerAddress(const QString& address) override { m_settings.host = address; }
    quint16 ServerPort() const override { return m_settings.port; }
    void setServerPort(quint16 port) override { m_settings.port = port; }
    QString UserName() const override { return m_settings.user; }
    void setUserName(const QString& name) override { m_settings.user = name; }
    QString Password() const override { return m_settings.password; }
    void setPassword(const QString& password) override { m_settings.password = password; }
    bool PassiveMode() const override { return m_settings.passive; }
    void setPassiveMode(bool passive) override { m_settings.passive = passive; }
    qint32 ConnectOption() const override { return m_settings.connectOption; }
    void setConnectOption(qint32 option) override { m_settings.connectOption = option; }
    QString CommandLogFilename() const override { return m_logPath; }
    void setCommandLogFilename(const QString& path) override { m_logPath = path; }
    qint32 ListingOption() const override { return m_settings.listingOption; }
    void setListingOption(qint32 option) override { m_settings.listingOption = option; }
    int TransferMode() const override { return m_settings.transferMode; }
    void setTransferMode(int mode) override { m_settings.transferMode = mode; }
    bool AbortRequested() const override { return m_abortRequested; }
    // Without a running operation: nothing happens while connected; kErrNotConnected otherwise.
    void setAbortRequested(bool abort) override;
    int Timeout() const override { return m_timeout; }
    void setTimeout(int seconds) override;
    // Seconds of idleness after which NOOP keeps the connection open; 0 turns it off.
    int KeepAliveInterval() const { return m_keepAlive; }
    void setKeepAliveInterval(int seconds);
    int TlsMode() const override { return m_settings.tlsMode; }
    void setTlsMode(int mode) override { m_settings.tlsMode = mode; }
    QList<QSslCertificate> ExtraCaCertificates() const override {
        return m_settings.extraCaCertificates;
    }
    void setExtraCaCertificates(const QList<QSslCertificate>& certificates) override {
        m_settings.extraCaCertificates = certificates;
    }
    // The TLS versions offered (QSsl::SecureProtocols by default, TLS 1.2 and newer).
    QSsl::SslProtocol TlsProtocol() const { return m_settings.tlsProtocol; }
    void setTlsProtocol(QSsl::SslProtocol protocol) { m_settings.tlsProtocol = protocol; }
    // 1 by default; clamped to 1..10.
    int Connections() const override { return m_settings.connections; }
    void setConnections(int count) override { m_settings.connections = std::clamp(count, 1, 10); }
    bool SkipUnchanged() const override { return m_settings.skipUnchanged; }
    void setSkipUnchanged(bool skip) override { m_settings.skipUnchanged = skip; }
    bool Encrypted() const override;
    QString CurrentFolder() override;
    int State() const override { return m_state; }

    // Connect when already connected fails with kErrAlreadyConnected. Disconnect when not
    // connected does nothing; once connected it always ends at State 0.
    void Connect() override;
    void Disconnect() override;
    void ChangeToParentFolder() override;
    void ChangeFolder(const QString& path) override;
    void CreateFolder(const QString& path) override;
    void DeleteFile(const QString& name) override;
    void RemoveFolder(const QString& name) override;
    void RenameFile(const QString& oldName, const QString& newName) override;
    void ListFolder(const QString& mask) override;
    FolderItems GetFolderItems(const QString& mask, qint32 option) override;
    void SendFile(const QString& localPath, qint32 option, const QString& remotePath,
                  bool flag) override;
    void SendFiles(const QString& localMask, const QString& remoteFolder, bool includeSubfolders,
                   bool flag) override;
    void ReceiveFile(const QString& remoteName, qint32 option, const QString& localPath) override;
    void ReceiveFiles(const QString& remoteMask, const QString& localFolder,
                      bool includeSubfolders) override;

private:
    // Runs `body` as the one operation of the component in state `state`.
    void run(int state, bool needsConnection, const std::function<void(Session&)>& body);
    // run for transfers and listings, which reconnect when the control connection goes away.
    void runReconnecting(int state, const std::function<void(Session&)>& body);
    void finish(const std::shared_ptr<OpContext>& ctx);
    std::shared_ptr<Connection> makeConnection();
    // A new m_conn for the operation of `s`, logged in; closed again when that fails.
    void openAndLogIn(Session& s);
    void onLogged(const QString& line, int direction);
    void onClosed(Connection* conn, const FtpError& why);

    Settings m_settings;  // the properties, handed to each operation as they are when it starts
    QString m_logPath;
    bool m_abortRequested = false;
    int m_timeout = 30;
    int m_keepAlive = 60;
    int m_state = kNotConnected;

    std::shared_ptr<Connection> m_conn;
    bool m_established = false;  // Connect completed on m_conn
    // The established connection went away while an operation reconnects: Disconnected is
    // due should the operation give up.
    bool m_disconnectDue = false;
    std::shared_ptr<OpContext> m_op;
    CommandLog m_log;
    // Last: its connections may still report while the component goes away.
    ConnectionPool m_pool;
};

}  // namespace ftp
