#pragma once

#include <sys/socket.h>

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <functional>

#include "FtpServers.h"

// A minimal FTP server on 127.0.0.1 that follows a script, for what real servers will not do on
// demand. It runs in the test's thread, driven by the component's nested event loops. A test may
// replace any verb's default answer in `replies` or `on`. EPRT connects back at once; STOR makes
// its file as it answers 150, as real servers do; SIZE, RNFR, RNTO and DELE work on `files`.
class ScriptedServer : public QObject {
    Q_OBJECT
public:
    QStringList features = {"EPSV", "MLST type*;size*;modify*;", "UTF8"};
    QByteArray pasvHost = "127,0,0,1";  // the address in 227 replies
    QByteArray listing;                 // what LIST and MLSD send
    QMap<QString, QByteArray> files;    // by name
    bool refusePassive = false;         // EPSV and PASV announce a port that refuses
    // Verb (upper case) or GREETING -> a fixed reply ("": none); login and "200 Okay." by default.
    QMap<QString, QByteArray> replies = {{"GREETING", "220 Scripted server ready."},
                                         {"USER", "331 Password required."},
                                         {"PASS", "230 Logged in."}};
    QMap<QString, std::function<void(const QString& argument)>> on;  // verb -> its handler
    QStringList received;                                            // command lines, in order

    ScriptedServer() {
        for (const char* verb : {"TYPE", "OPTS", "NOOP", "PBSZ"})
            replies[verb] = "200 Okay.";
        replies["QUIT"] = "221 Goodbye.";
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            auto* s = static_cast<QSslSocket*>(m_server.nextPendingConnection());
            m_control = s;
            m_buffer.clear();
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                if (s != m_control)
                    return;
                m_buffer += s->readAll();
                qsizetype end;
                while (m_control == s && (end = m_buffer.indexOf("\r\n")) >= 0) {
                    const QString line = QString::fromUtf8(m_buffer.left(end));
                    m_buffer.remove(0, end + 2);
                    onCommand(line);
                }
            });
            reply(replies.value("GREETING"));
        });
        connect(&m_passive, &QTcpServer::newConnection, this, [this] {
            auto* s = static_cast<QSslSocket*>(m_passive.nextPendingConnection());
            m_passive.close();  // which deletes the connections it did not hand out
            adoptData(s);
        });
    }
    quint16 port() const { return m_server.serverPort(); }

    // Takes AUTH TLS and PROT P with a certificate for "localhost" made in `folder`, which it
    // returns (null when openssl failed); data connections show another one.
    QSslCertificate offerTls(const QString& folder) {
        m_tls = serverTls(QDir(folder).filePath("control"));
        m_dataTls = serverTls(QDir(folder).filePath("data"));
        return m_dataTls.isNull() ? QSslCertificate() : m_tls.localCertificate();
    }

    void reply(const QByteArray& lines) {  // "\n" separated; each line is sent with CRLF
        for (const QByteArray& line : lines.split('\n'))
            if (m_control && !lines.isEmpty())
                m_control->write(line + "\r\n");
    }

    // Sends `pieces` on the data connection once it is open, one every `intervalMs` (at once with
    // 0), then closes it, or with `reset` resets it (RST), and replies 226.
    void sendData(const QList<QByteArray>& pieces, int intervalMs = 0, bool reset = false) {
        reply("150 Opening data connection.");
        m_transfer = true;
        withData([this, pieces, intervalMs, reset](QTcpSocket* s) {
            drip(s, pieces, intervalMs, [this, s, reset] {
                if (!reset) {
                    connect(s, &QTcpSocket::disconnected, this, &ScriptedServer::endTransfer);
                    return s->disconnectFromHost();
                }
                // Flushed, a zero linger time makes the close a reset.
                s->flush();
                const linger now{1, 0};
                ::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                s->abort();
                endTransfer();
            });
        });
    }

    // The reply in `pieces` (line ends included), one every `intervalMs`.
    void trickleReply(const QList<QByteArray>& pieces, int intervalMs) {
        drip(m_control, pieces, intervalMs, [] {});
    }

    // Keeps what arrives on the data connection as files[name] and replies 226 at its end.
    void receiveData(const QString& name) {
        reply("150 Ready for the data.");
        m_transfer = true;
        files[name].clear();
        withData([this, name](QTcpSocket* s) {
            const auto take = [this, name, s] { files[name] += s->readAll(); };
            connect(s, &QTcpSocket::readyRead, this, take);
            connect(s, &QTcpSocket::disconnected, this, [this, take] {
                take();
                endTransfer();
            });
            take();
        });
    }

    void standard(const QString& verb, const QString& argument) {  // the default answer
        const QByteArray missing = "550 No such file.";
        if (verb == "FEAT") {
            QByteArray text = "211-Features:\n";
            for (const QString& f : std::as_const(features))
                text += ' ' + f.toUtf8() + '\n';
            reply(text + "211 End");
        } else if (verb == "PWD") {
            reply("257 \"" + m_cwd.toUtf8() + "\" is the current folder.");
        } else if (verb == "CWD") {
            m_cwd = argument.startsWith('/') ? argument : QDir(m_cwd).filePath(argument);
            reply("250 Okay.");
        } else if (verb == "EPSV") {
            reply("229 Entering Extended Passive Mode (|||" + QByteArray::number(openPassive()) +
                  "|)");
        } else if (verb == "PASV") {
            const quint16 p = openPassive();
            reply("227 Entering Passive Mode (" + pasvHost + ',' + QByteArray::number(p >> 8) +
                  ',' + QByteArray::number(p & 0xff) + ").");
        } else if (verb == "LIST" || verb == "MLSD") {
            sendData({listing});
        } else if (verb == "RETR") {
            files.contains(argument) ? sendData({files.value(argument)}) : reply(missing);
        } else if (verb == "STOR") {
            receiveData(argument);
        } else if (verb == "SIZE") {
            reply(files.contains(argument) ? "213 " + QByteArray::number(files[argument].size())
                                           : missing);
        } else if (verb == "RNFR") {
            m_renameFrom = argument;
            reply(files.contains(argument) ? "350 Ready for RNTO." : missing);
        } else if (verb == "RNTO") {
            files[argument] = files.take(m_renameFrom);
            reply("250 Renamed.");
        } else if (verb == "DELE") {
            reply(files.remove(argument) > 0 ? "250 Deleted." : missing);
        } else if (verb == "EPRT") {  // "|1|127.0.0.1|4711|"
            auto* s = new QSslSocket(this);
            connect(s, &QTcpSocket::connected, this, [this, s] { adoptData(s); });
            s->connectToHost(argument.section('|', 2, 2),
                             quint16(argument.section('|', 3, 3).toUInt()));
            reply("200 Okay.");
        } else if (verb == "ABOR") {
            m_pending = nullptr;
            if (m_data) {
                m_data->disconnect(this);
                m_data->abort();
            }
            // The transfer it stopped gets its own reply first.
            reply(std::exchange(m_transfer, false) ? "426 Transfer aborted.\n226 Abort successful."
                                                   : "226 Abort successful.");
        } else if (verb == "AUTH" && !m_tls.isNull()) {
            reply("234 Proceed with the handshake.");
            m_control->setSslConfiguration(m_tls);
            m_control->startServerEncryption();
        } else if (verb == "PROT") {
            m_protected = argument == "P";
            reply("200 Okay.");
        } else {
            reply("502 Command not implemented.");
        }
    }

private:
    // A server's configuration with a new certificate in `folder`; null when openssl failed.
    static QSslConfiguration serverTls(const QString& folder) {
        QString why;
        QFile key(QDir(folder).filePath("key.pem"));
        if (!QDir().mkpath(folder) || !makeSelfSignedCertificate(folder, &why) ||
            !key.open(QIODevice::ReadOnly)) {
            qWarning("%s", qPrintable(why));
            return {};
        }
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        config.setLocalCertificateChain(
            QSslCertificate::fromPath(QDir(folder).filePath("cert.pem")));
        return config;
    }

    void onCommand(const QString& line) {
        received << line;
        const QString verb = line.section(' ', 0, 0).toUpper();
        const QString argument = line.section(' ', 1);
        if (replies.contains(verb))
            reply(replies.value(verb));
        else if (on.contains(verb))
            on[verb](argument);
        else
            standard(verb, argument);
    }

    quint16 openPassive() {
        m_passive.close();
        if (refusePassive)
            return freeLoopbackPort();
        m_passive.listen(QHostAddress::LocalHost, 0);
        return m_passive.serverPort();
    }

    void adoptData(QSslSocket* socket) {
        m_data = socket;
        if (!m_protected)
            return withData(std::exchange(m_pending, nullptr));
        connect(socket, &QSslSocket::encrypted, this, [this, socket] {
            if (m_data == socket)
                withData(std::exchange(m_pending, nullptr));
        });
        socket->setSslConfiguration(m_dataTls);
        socket->startServerEncryption();
    }

    // Runs `use` on the data connection once it is open (and secured after PROT P).
    void withData(std::function<void(QTcpSocket*)> use) {
        if (!use)
            return;
        if (m_data && m_data->state() == QAbstractSocket::ConnectedState &&
            (!m_protected || m_data->isEncrypted()))
            use(m_data);
        else
            m_pending = std::move(use);
    }

    void endTransfer() {
        m_transfer = false;
        reply("226 Transfer complete.");
    }

    // Writes `pieces` to `socket` one every `intervalMs`, then runs `done`; stops should it close.
    void drip(QTcpSocket* socket, QList<QByteArray> pieces, int intervalMs,
              std::function<void()> done) {
        if (intervalMs == 0) {
            socket->write(pieces.join());
            return done();
        }
        auto* timer = new QTimer(this);
        const QPointer<QTcpSocket> target(socket);
        connect(timer, &QTimer::timeout, this, [timer, target, pieces, done]() mutable {
            if (target && target->state() == QAbstractSocket::ConnectedState && !pieces.isEmpty()) {
                target->write(pieces.takeFirst());
                if (!pieces.isEmpty())
                    return;
                done();
            }
            timer->deleteLater();
        });
        timer->start(intervalMs);
    }

    // Accepts connections as QSslSocket, to secure them once the client asks.
    class Listener : public QTcpServer {
        void incomingConnection(qintptr descriptor) override {
            auto* socket = new QSslSocket(this);
            socket->setSocketDescriptor(descriptor);
            addPendingConnection(socket);
        }
    };
    Listener m_server, m_passive;
    QPointer<QSslSocket> m_control, m_data;
    QByteArray m_buffer;
    QSslConfiguration m_tls, m_dataTls;          // null: no TLS
    bool m_protected = false;                    // PROT P
    bool m_transfer = false;                     // a 150 went out and its 226 did not yet
    QString m_cwd = QStringLiteral("/");         // the current folder
    QString m_renameFrom;                        // RNFR's name
    std::function<void(QTcpSocket*)> m_pending;  // waits for the data connection
};
