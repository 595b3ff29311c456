#include "ScriptedServer.h"

ScriptedServer::ScriptedServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* s = m_server.nextPendingConnection();
        s->setParent(this);
        ++connections;
        m_control = s;
        m_buffer.clear();
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            if (s != m_control)
                return;
            m_buffer += s->readAll();
            qsizetype end;
            while (m_control == s && (end = m_buffer.indexOf("\r\n")) >= 0) {
                receivedBytes << m_buffer.left(end);
                const QString line = QString::fromUtf8(m_buffer.left(end));
                m_buffer.remove(0, end + 2);
                onCommand(line);
            }
        });
        reply(greeting);
    });
    connect(&m_passive, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* s = m_passive.nextPendingConnection();
        s->setParent(this);
        m_data = s;
        m_passive.close();
        if (m_pending)
            std::exchange(m_pending, nullptr)(s);
    });
}

void ScriptedServer::reply(const QByteArray& lines) {
    if (!m_control)
        return;
    for (const QByteArray& line : lines.split('\n'))
        m_control->write(line + "\r\n");
}

void ScriptedServer::closeControl() {
    if (m_control)
        m_control->disconnectFromHost();
}

void ScriptedServer::onCommand(const QString& line) {
    received << line;
    const QString verb = line.section(' ', 0, 0).toUpper();
    const QString argument = line.section(' ', 1);
    if (on.contains(verb))
        on[verb](argument);
    else
        standard(verb, argument);
}

void ScriptedServer::openPassive() {
    m_activeMode = false;
    m_passive.close();
    m_passive.listen(QHostAddress::LocalHost, 0);
}

void ScriptedServer::withData(std::function<void(QTcpSocket*)> action) {
    if (m_activeMode) {
        auto* s = new QTcpSocket(this);
        m_data = s;
        connect(s, &QTcpSocket::connected, this, [s, action] { action(s); });
        s->connectToHost(m_activeHost, m_activePort);
        return;
    }
    if (m_data && m_data->state() == QAbstractSocket::ConnectedState)
        action(m_data);
    else
        m_pending = std::move(action);
}

void ScriptedServer::sendData(const QByteArray& data, bool complete) {
    reply("150 Opening data connection.");
    withData([this, data, complete](QTcpSocket* s) {
        s->write(data);
        if (!complete)
            return;
        connect(s, &QTcpSocket::disconnected, this, [this] { reply("226 Transfer complete."); });
        s->disconnectFromHost();
    });
}

void ScriptedServer::standard(const QString& verb, const QString& argument) {
    if (verb == "USER") {
        reply("331 Password required.");
    } else if (verb == "PASS") {
        reply("230 Logged in.");
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
    } else if (verb == "CDUP") {
        cwd = cwd.section('/', 0, -2);
        if (cwd.isEmpty())
            cwd = "/";
        reply("250 Okay.");
    } else if (verb == "EPSV") {
        openPassive();
        reply("229 Entering Extended Passive Mode (|||" +
              QByteArray::number(m_passive.serverPort()) + "|)");
    } else if (verb == "PASV") {
        openPassive();
        const quint32 a = pasvShown.toIPv4Address();
        const quint16 p = m_passive.serverPort();
        reply(QStringLiteral("227 Entering Passive Mode (%1,%2,%3,%4,%5,%6).")
                  .arg(a >> 24)
                  .arg((a >> 16) & 0xff)
                  .arg((a >> 8) & 0xff)
                  .arg(a & 0xff)
                  .arg(p >> 8)
                  .arg(p & 0xff)
                  .toUtf8());
    } else if (verb == "EPRT") {
        const QStringList parts = argument.split(argument.left(1));
        m_activeMode = true;
        m_activeHost = QHostAddress(parts.value(2));
        m_activePort = quint16(parts.value(3).toUInt());
        reply("200 EPRT command successful.");
    } else if (verb == "PORT") {
        const QStringList n = argument.split(',');
        m_activeMode = true;
        m_activeHost = QHostAddress(n.mid(0, 4).join('.'));
        m_activePort = quint16(n.value(4).toUInt() * 256 + n.value(5).toUInt());
        reply("200 PORT command successful.");
    } else if (verb == "LIST" || verb == "MLSD") {
        sendData(listing);
    } else if (verb == "RETR") {
        if (!files.contains(argument))
            reply("550 No such file.");
        else
            sendData(files.value(argument));
    } else if (verb == "SIZE") {
        if (files.contains(argument))
            reply("213 " + QByteArray::number(files.value(argument).size()));
        else
            reply("550 No such file.");
    } else if (verb == "STOR") {
        reply("150 Ready for data.");
        withData([this, argument](QTcpSocket* s) {
            auto received = std::make_shared<QByteArray>();
            connect(s, &QTcpSocket::readyRead, this, [s, received] { *received += s->readAll(); });
            connect(s, &QTcpSocket::disconnected, this, [this, s, argument, received] {
                *received += s->readAll();
                files[argument] = *received;
                reply("226 Transfer complete.");
            });
        });
    } else if (verb == "DELE") {
        reply(files.remove(argument) ? "250 Deleted." : "550 No such file.");
    } else if (verb == "RNFR") {
        m_renameFrom = argument;
        reply("350 Ready for RNTO.");
    } else if (verb == "RNTO") {
        files[argument] = files.take(m_renameFrom);
        reply("250 Renamed.");
    } else if (verb == "MKD") {
        reply("257 \"" + argument.toUtf8() + "\" created.");
    } else if (verb == "ABOR") {
        if (m_data)
            m_data->abort();
        reply("226 Abort successful.");
    } else if (verb == "TYPE" || verb == "OPTS" || verb == "NOOP" || verb == "RMD") {
        reply("200 Okay.");
    } else if (verb == "QUIT") {
        reply("221 Goodbye.");
        closeControl();
    } else {
        reply("502 Command not implemented.");
    }
}
