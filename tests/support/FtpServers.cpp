#include "FtpServers.h"

#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// The processes `pid` started that are still running.
QList<pid_t> children(pid_t pid) {
    QFile list(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    QList<pid_t> found;
    if (list.open(QIODevice::ReadOnly))
        for (const QByteArray& child : list.readAll().split(' '))
            if (child.toInt() > 0)
                found << pid_t(child.toInt());
    return found;
}

// Kills every process below `pid`, the deepest first: vsftpd runs each session in a session of
// its own, out of reach of a signal to the server's process group.
void killDescendants(pid_t pid) {
    for (const pid_t child : children(pid)) {
        killDescendants(child);
        ::kill(child, SIGKILL);
    }
}

}  // namespace

TestFtpServer::~TestFtpServer() {
    stop();
}

bool TestFtpServer::busy() const {
    return m_process && !children(pid_t(m_process->processId())).isEmpty();
}

bool TestFtpServer::start(const QString& root, const QString& user, const QString& password) {
    stop();
    m_root = QDir(root).absolutePath();
    m_user = user;
    m_password = password;
    m_error.clear();
    if (!prepare())
        return false;
    // A port that is free now; another process may take it before the server binds, so retry.
    QStringList program;
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freeLoopbackPort();
        program = command();
        // In a session of its own, to stop vsftpd's children with it.
        m_process = std::make_unique<QProcess>();
        m_process->setChildProcessModifier([] { ::setsid(); });
        m_process->start(program.first(), program.mid(1));
        const QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired() && m_process->state() != QProcess::NotRunning) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(500)) {
                while (!probe.canReadLine() && probe.waitForReadyRead(1000)) {
                }
                if (probe.readLine().startsWith("220"))
                    return true;
            }
            m_process->waitForFinished(100);
        }
        if (m_process->state() != QProcess::NotRunning)
            return fail(program.first() + " did not greet on port " + QString::number(m_port));
    }
    return fail(program.first() + " did not stay up: " + m_process->errorString());
}

void TestFtpServer::stop() {
    const qint64 pid = m_process ? m_process->processId() : 0;  // 0 once it ended
    if (pid > 0) {
        killDescendants(pid_t(pid));
        ::kill(-pid_t(pid), SIGKILL);
        m_process->waitForFinished(5000);
    }
    m_process.reset();
    m_port = 0;
}

bool TestFtpServer::fail(const QString& why) {
    // With what the server wrote to stderr so far.
    m_error = (why + "\n" + (m_process ? m_process->readAllStandardError() : "")).trimmed();
    stop();
    return false;
}

quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
