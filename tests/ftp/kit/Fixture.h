#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "FtpClient.h"
#include "FtpComponent.h"
#include "FtpServers.h"
#include "TestFiles.h"

// Records the notifications of an FTP component, and answers the by-reference ones.
class Recorder : public QObject {
    Q_OBJECT
public:
    struct Progress {
        qint64 size, done;
        int percent;
        int state;  // the component's State during the notification
    };

    explicit Recorder(ftp::FtpClient& ftp);

    QList<ftp::FolderItem> items;  // ListingItem
    QList<Progress> progress;
    // The other notifications, in order: "sending LOCAL", "skip FIRST|SECOND|REASON",
    // "replace EXISTING|OLDSIZE|NEWSIZE", "password?", "account?", "disconnected STATE", ...
    QStringList events;
    QStringList causes;    // Reconnecting's causes
    QStringList log;       // CommandLogged lines
    QStringList commands;  // the sent ones among them

    int replaceAnswer = 1;
    QString account, password;  // answers to AccountRequired and PasswordRequired
    // Runs inside each TransferProgress, for tests that act mid-operation.
    std::function<void(const Progress&)> onProgress;

    QStringList of(const QString& kind) const;  // the events of one kind
    // The last percent; -1 when one went back or came in another state than `state` (-1: any).
    int risingPercent(int state = -1) const;
    bool logged(const QString& line) const { return log.contains(line); }
    qsizetype sentMatching(const QString& pattern) const {
        return commands.filter(QRegularExpression(pattern)).size();
    }
};

// A real server ("pyftpdlib" or "vsftpd" and options) serving a fresh temporary root, a local
// folder, and a component with its recorder; files for the server go under path() before start().
// Options: "TLS" required with a certificate the component trusts as an extra authority, "TLS 1.2",
// " x4" connections, "max 2" control connections taken, " active" mode, "no passive" refused.
class Peer {
    QTemporaryDir m_root, m_local, m_tls;
    std::unique_ptr<TestFtpServer> m_server;
    bool m_active = false;

public:
    explicit Peer(const QString& kind);
    // Starts the server and, with `connect`, connects; false with error() when it failed.
    bool start(bool connect = true);
    QString error() const { return m_server->error(); }
    QString root() const { return m_root.path(); }
    QString path(const QString& relative) const { return m_root.filePath(relative); }
    QString local(const QString& relative) const { return m_local.filePath(relative); }
    QString localRoot() const { return m_local.path(); }
    TestFtpServer& server() { return *m_server; }
    // The server's certificate; null without TLS.
    QSslCertificate certificate() const;

    ftp::FtpComponent ftp;
    Recorder rec{ftp};
};

// The error an operation fails with; number 0 when it succeeds.
ftp::FtpError failureOf(const std::function<void()>& operation);
qint32 errorOf(const std::function<void()>& operation);  // its number

void setModified(const QString& path, const QDateTime& time);
// Deterministic content of `size` bytes.
QByteArray pattern(qint64 size, char seed);
