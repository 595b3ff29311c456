#include "ScriptedServer.h"

#include <sys/socket.h>

#include <QDir>
#include <QFile>
#include <QSslKey>
#include <QTimer>

#include "FtpServers.h"

namespace {

// A server's configuration with a new certificate in `folder`; null when openssl failed.
QSslConfiguration serverTls(const QString& folder) {
    QString why;
    QFile key(QDir(folder).filePath("key.pem"));
    if (!QDir().mkpath(folder) || !makeSelfSignedCertificate(folder, &why) ||
        !key.open(QIODevice::ReadOnly)) {
        qWarning("%s", qPrintable(why));
        return {};
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPrivateKey(QSslKey(&key, QSsl::Rsa));
    config.setLocalCertificateChain(QSslCertificate::fromPath(QDir(folder).filePath("cert.pem")));
    return config;
}

}  // namespace

void ScriptedServer::Listener::incomingConnection(qintptr descriptor) {
    auto* socket = new QSslSocket(this);
    socket->setSocketDescriptor(descriptor);
    addPendingConnection(socket);
}

QSslCertificate ScriptedServer::offerTls(const QString& folder) {
    m_tls = serverTls(QDir(folder).filePath("control"));
    m_dataTls = serverTls(QDir(folder).filePath("data"));
    return m_dataTls.isNull() ? QSslCertificate() : m_tls.localCertificate();
}

ScriptedServer::ScriptedServer() {
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
        reply(greeting);
    });
    connect(&m_passive, &QTcpServer::newConnection, this, [this] {
        auto* s = static_cast<QSslSocket*>(m_passive.nextPendingConnection());
        m_passive.close();  // which deletes the connections it did not hand out
        adoptData(s);
    });
}

void ScriptedServer::adoptData(QSslSocket* socket) {
    m_data = socket;
    if (!m_protected) {
        if (m_pending)
            std::exchange(m_pending, nullptr)(socket);
        return;
    }
    connect(socket, &QSslSocket::encrypted, this, [this, socket] {
        if (m_pending && m_data == socket)
            std::exchange(m_pending, nullptr)(socket);
    });
    socket->setSslConfiguration(m_dataTls);
    socket->startServerEncryption();
}

void ScriptedServer::withData(std::function<void(QTcpSocket*)> use) {
    if (m_data && m_data->state() == QAbstractSocket::ConnectedState &&
        (!m_protected || m_data->isEncrypted()))
        use(m_data);
    else
        m_pending = std::move(use);
}

void ScriptedServer::reply(const QByteArray& lines) {
    for (const QByteArray& line : lines.split('\n'))
        if (m_control && !lines.isEmpty())
            m_control->write(line + "\r\n");
}

void ScriptedServer::onCommand(const QString& line) {
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

quint16 ScriptedServer::openPassive() {
    m_passive.close();
    if (refusePassive)
        return freeLoopbackPort();
    m_passive.listen(QHostAddress::LocalHost, 0);
    return m_passive.serverPort();
}

void ScriptedServer::endTransfer() {
    m_transfer = false;
    reply("226 Transfer complete.");
}

void ScriptedServer::sendData(const QList<QByteArray>& pieces, int intervalMs, bool reset) {
    reply("150 Opening data connection.");
    m_transfer = true;
    withData([this, pieces, intervalMs, reset](QTcpSocket* s) {
        drip(s, pieces, intervalMs, [this, s, reset] {
            if (!reset) {
                connect(s, &QTcpSocket::disconnected, this, &ScriptedServer::endTransfer);
                s->disconnectFromHost();
                return;
            }
            // Once the data left, a zero linger time makes the close a reset.
            while (s->bytesToWrite() > 0 && s->waitForBytesWritten(2000)) {
            }
            const linger now{1, 0};
            ::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            s->abort();
            endTransfer();
        });
    });
}

void ScriptedServer::trickleReply(const QList<QByteArray>& pieces, int intervalMs) {
    drip(m_control, pieces, intervalMs, [] {});
}

void ScriptedServer::drip(QTcpSocket* socket, QList<QByteArray> pieces, int intervalMs,
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

void ScriptedServer::receiveData(const QString& name) {
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

void ScriptedServer::standard(const QString& verb, const QString& argument) {
    static const QMap<QString, QByteArray> fixed = {{"USER", "331 Password required."},
                                                    {"PASS", "230 Logged in."},
                                                    {"TYPE", "200 Okay."},
                                                    {"OPTS", "200 Okay."},
                                                    {"NOOP", "200 Okay."},
                                                    {"PBSZ", "200 Okay."}};
    const QByteArray missing = "550 No such file.";
    if (fixed.contains(verb)) {
        reply(fixed.value(verb));
    } else if (verb == "FEAT") {
        QByteArray text = "211-Features:\n";
        for (const QString& f : std::as_const(features))
            text += ' ' + f.toUtf8() + '\n';
        reply(text + "211 End");
    } else if (verb == "PWD") {
        reply("257 \"" + cwd.toUtf8() + "\" is the current folder.");
    } else if (verb == "CWD") {
        cwd = argument.startsWith('/') ? argument : (cwd == "/" ? "/" : cwd + "/") + argument;
        reply("250 Okay.");
    } else if (verb == "EPSV") {
        reply("229 Entering Extended Passive Mode (|||" + QByteArray::number(openPassive()) + "|)");
    } else if (verb == "PASV") {
        const quint16 p = openPassive();
        reply("227 Entering Passive Mode (" + pasvHost + ',' + QByteArray::number(p >> 8) + ',' +
              QByteArray::number(p & 0xff) + ").");
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
    } else if (verb == "EPRT") {
        // "|1|127.0.0.1|4711|"
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
    } else if (verb == "QUIT") {
        reply("221 Goodbye.");
        m_control->disconnectFromHost();
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
