#include "ScriptedServer.h"

ScriptedServer::ScriptedServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* s = m_server.nextPendingConnection();
        s->setParent(this);
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
    m_passive.close();
    m_passive.listen(QHostAddress::LocalHost, 0);
}

void ScriptedServer::sendData(const QByteArray& data, bool complete) {
    reply("150 Opening data connection.");
    const auto send = [this, data, complete](QTcpSocket* s) {
        s->write(data);
        if (!complete)
            return;
        connect(s, &QTcpSocket::disconnected, this, [this] { reply("226 Transfer complete."); });
        s->disconnectFromHost();
    };
    if (m_data && m_data->state() == QAbstractSocket::ConnectedState)
        send(m_data);
    else
        m_pending = send;
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
    } else if (verb == "EPSV") {
        openPassive();
        reply("229 Entering Extended Passive Mode (|||" +
              QByteArray::number(m_passive.serverPort()) + "|)");
    } else if (verb == "PASV") {
        openPassive();
        const quint16 p = m_passive.serverPort();
        reply("227 Entering Passive Mode (" + pasvHost + ',' + QByteArray::number(p >> 8) + ',' +
              QByteArray::number(p & 0xff) + ").");
    } else if (verb == "LIST" || verb == "MLSD") {
        sendData(listing);
    } else if (verb == "RETR") {
        if (files.contains(argument))
            sendData(files.value(argument));
        else
            reply("550 No such file.");
    } else if (verb == "ABOR") {
        if (m_data)
            m_data->abort();
        reply("226 Abort successful.");
    } else if (verb == "QUIT") {
        reply("221 Goodbye.");
        closeControl();
    } else if (QStringList{"TYPE", "OPTS", "NOOP", "EPRT", "PORT"}.contains(verb)) {
        reply("200 Okay.");
    } else {
        reply("502 Command not implemented.");
    }
}
