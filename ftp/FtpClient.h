#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include "FtpError.h"

namespace ftp {

// State values. 0 and 2 are the two resting states; every other value means an operation runs.
// After an abort the state is 2 at once (or 0 when the connection had to be closed).
enum State : int {
    kNotConnected = 0,
    kConnecting = 1,
    kIdle = 2,  // connected and idle
    kChangingFolder = 3,
    kListing = 4,
    kCreatingFolder = 5,
    kDeleting = 6,
    kRenaming = 7,
    kRemovingFolder = 8,
    kDisconnecting = 9,
    kReadingFolder = 10,   // CurrentFolder asks the server (PWD)
    kSendingFile = 17,     // SendFile runs
    kReceivingFile = 18,   // ReceiveFile runs
    kReceivingFiles = 19,  // ReceiveFiles runs
    kSendingFiles = 20,    // SendFiles runs
};

// Kinds of a listed entry (ListingItem's kind, FolderItem::ItemType).
enum ItemKind : int { kFile = 0, kFolder = 1, kLink = 2 };

// Reasons given with SkippingFile(firstName, secondName, reason). Where one name says it all,
// it comes first and the second is empty: the local path for local entries, the remote name
// (control characters shown as "?") for listed entries. A file kept after ReplacingFile gives
// both names: local then remote for sends, remote then local for receives.
enum SkipReason : qint32 {
    kSkipKept = 1,        // the target existed and ReplacingFile answered 0
    kSkipUnsafeName = 2,  // a listed name that would leave the target folder
    kSkipNotRegular = 3,  // a local entry that is neither file nor folder (device, socket)
    kSkipUnreadable = 4,  // a local file or folder that cannot be read
    kSkipLink = 5,        // a remote link met by a receive with a mask
    kSkipUnparsed = 6,    // a listing line that parses as nothing (see kListUnparsed)
    kSkipUnsendable = 7,  // a local name with a line break or NUL: no FTP command can carry it
    // A local name that is not valid in the system's encoding: it cannot be opened by the name
    // it shows (invalid characters appear as U+FFFD).
    kSkipBadEncoding = 8,
    // A send with SkipUnchanged met a remote file of the local size that is not older than the
    // local one: nothing needs sending.
    kSkipUnchanged = 9,
};

// CommandLogged's second argument. Every command sent and every reply line received is logged
// (PASS as "PASS ****") and appended to CommandLogFilename.
enum LogDirection : int {
    kLogSent = 0,      // a command sent to the server
    kLogReceived = 1,  // a reply line received
    kLogNote = 2,      // a remark of the component, such as the switch to passive mode
};

// Bits of ConnectOption, read by Connect. The value 200 (the default) sets all three; other
// bits are ignored.
enum ConnectOptionBits : qint32 {
    kOptUtf8 = 0x08,      // OPTS UTF8 ON and UTF-8 names where FEAT offers UTF8, else Latin-1
    kOptMlsd = 0x40,      // MLSD listings (RFC 3659) where FEAT offers MLST, else LIST
    kOptExtended = 0x80,  // EPSV and EPRT (RFC 2428) before PASV and PORT
};

// Bits of ListingOption (ListFolder) and of GetFolderItems' option; other bits are ignored.
enum ListingOptionBits : qint32 {
    // A listing line that parses as nothing is reported as an entry of kind 0 with an empty
    // name and the line as its text. Without the bit it is left out of the entries and
    // reported through SkippingFile (the line, "", kSkipUnparsed) instead. "." and ".." are
    // never reported; names that are unsafe as local names (see kSkipUnsafeName) are always
    // reported through SkippingFile (the name, "", kSkipUnsafeName) instead of as entries.
    kListUnparsed = 0x01,
};

// TlsMode: explicit TLS (AUTH TLS right after the greeting, then the login, PBSZ 0 and PROT P,
// every data connection encrypted too).
enum TlsMode : int {
    kTlsOff = 0,      // never: everything in clear
    kTlsAuto = 1,     // when the server accepts AUTH TLS; in clear when it answers 500, 502, 504
                      // or 530 (the default)
    kTlsRequire = 2,  // TLS or nothing: a server without it fails Connect with kErrTlsRequired
};

struct FolderItem {
    QString ItemName;
    int ItemType = kFile;
    qint64 size = 0;
    QDateTime date;
    QString raw;  // the listing line as the server sent it
};

class FolderItems : public QList<FolderItem> {
public:
    using QList<FolderItem>::QList;
    int Count() const { return int(size()); }
};

// The FTP component. Operations block their caller in a nested event loop, so window messages
// keep flowing, and fail by throwing FtpError. Notifications are signals delivered on the
// caller's thread during the operation; the by-reference arguments are read back after the
// signal returns, so connect them directly. With TLS (see TlsMode) the server's certificate
// must verify or be trusted through CertificateUntrusted; nothing is accepted silently.
class FtpClient : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~FtpClient() override = default;

    // Properties.
    virtual QString ServerAddress() const = 0;
    virtual void setServerAddress(const QString& address) = 0;
    virtual quint16 ServerPort() const = 0;
    virtual void setServerPort(quint16 port) = 0;
    virtual QString UserName() const = 0;
    virtual void setUserName(const QString& name) = 0;
    virtual QString Password() const = 0;
    virtual void setPassword(const QString& password) = 0;
    virtual bool PassiveMode() const = 0;
    virtual void setPassiveMode(bool passive) = 0;
    // Connect options: see the implementation's header for the bits.
    virtual qint32 ConnectOption() const = 0;
    virtual void setConnectOption(qint32 option) = 0;
    virtual QString CommandLogFilename() const = 0;
    virtual void setCommandLogFilename(const QString& path) = 0;
    virtual qint32 ListingOption() const = 0;
    virtual void setListingOption(qint32 option) = 0;
    // 0 binary, 1 ASCII.
    virtual int TransferMode() const = 0;
    virtual void setTransferMode(int mode) = 0;
    virtual bool AbortRequested() const = 0;
    // Asks the running operation to stop; throws FtpError when the request cannot be taken.
    virtual void setAbortRequested(bool abort) = 0;
    // Seconds of server silence after which an operation fails and the connection is closed.
    virtual int Timeout() const = 0;
    virtual void setTimeout(int seconds) = 0;
    // See TlsMode; read by Connect.
    virtual int TlsMode() const = 0;
    virtual void setTlsMode(int mode) = 0;
    // Certificate authorities trusted besides the system's, for servers with their own.
    virtual QList<QSslCertificate> ExtraCaCertificates() const = 0;
    virtual void setExtraCaCertificates(const QList<QSslCertificate>& certificates) = 0;
    // Connections SendFiles and ReceiveFiles may move files over at once (1 to 10): the control
    // connection and extra ones opened as needed and kept until Disconnect. Notifications still
    // come on the caller's thread, all questions before the first file moves.
    virtual int Connections() const = 0;
    virtual void setConnections(int count) = 0;
    // Sends skip files whose remote copy has the local size and is not older, allowing for the
    // server's clock (kSkipUnchanged); when that cannot be told for sure, the file is sent.
    virtual bool SkipUnchanged() const = 0;
    virtual void setSkipUnchanged(bool skip) = 0;
    // The connection is encrypted (control and data). False when not connected.
    virtual bool Encrypted() const = 0;
    // The absolute path of the current remote folder. Throws when not connected.
    virtual QString CurrentFolder() = 0;
    virtual int State() const = 0;

    // Operations.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void ChangeToParentFolder() = 0;
    virtual void ChangeFolder(const QString& path) = 0;
    virtual void CreateFolder(const QString& path) = 0;
    virtual void DeleteFile(const QString& name) = 0;
    virtual void RemoveFolder(const QString& name) = 0;
    virtual void RenameFile(const QString& oldName, const QString& newName) = 0;
    virtual void ListFolder(const QString& mask) = 0;
    virtual FolderItems GetFolderItems(const QString& mask, qint32 option) = 0;
    // A transferred file takes its name only whole: a send goes under a temporary name renamed
    // when complete, a receive into a temporary file; a size other than the one announced or
    // planned fails the transfer and leaves the old version in place.
    virtual void SendFile(const QString& localPath, qint32 option, const QString& remotePath,
                          bool flag) = 0;
    virtual void SendFiles(const QString& localMask, const QString& remoteFolder,
                           bool includeSubfolders, bool flag) = 0;
    virtual void ReceiveFile(const QString& remoteName, qint32 option,
                             const QString& localPath) = 0;
    virtual void ReceiveFiles(const QString& remoteMask, const QString& localFolder,
                              bool includeSubfolders) = 0;

signals:
    void ListingItem(const QString& name, const QDateTime& date, qint64 size, int kind,
                     const QString& text);
    // fileName: local (send) or remote (receive) name; secondName: the other side's name.
    // percent: of the whole operation, 0 to 100.
    void TransferProgress(const QString& fileName, const QString& secondName, qint64 fileSize,
                          qint64 bytesDone, int percent);
    void SendingFile(const QString& fileName, const QString& remoteName, qint64 fileSize);
    void SkippingFile(const QString& firstName, const QString& secondName, qint32 reason);
    // answer: 1 replace, 0 keep. Preset to 1 before the signal.
    void ReplacingFile(const QString& existingName, const QString& newName, qint64 existingSize,
                       qint64 newSize, const QDateTime& existingDate, int& answer);
    void CommandLogged(const QString& line, int direction);
    void Disconnected();
    // A transfer or listing lost its control connection and tries to reconnect: raised before
    // each try, attempt 1 to attempts, with the description of the error that cut it.
    void Reconnecting(int attempt, int attempts, const QString& cause);
    void AccountRequired(QString& account);
    // The server's certificate does not verify against the system's and the extra certificate
    // authorities, or not for `host`: reasons says why. trust is preset to false, which fails
    // Connect with kErrCertificate before anything is sent over the connection; true accepts
    // the certificate for that connection, its data connections included (they must show the
    // same certificate). Each new control connection asks again.
    void CertificateUntrusted(const QString& host, const QString& fingerprintSha256,
                              const QString& subject, const QString& issuer,
                              const QDateTime& validFrom, const QDateTime& validTo,
                              const QStringList& reasons, bool& trust);
    void PasswordRequired(QString& password);
};

}  // namespace ftp
