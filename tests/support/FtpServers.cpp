#include "FtpServers.h"

#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>

namespace {

// Kills every process below `pid`, the deepest first: vsftpd runs each session in a session of
// its own, out of reach of a signal to the server's process group.
void killDescendants(pid_t pid) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (!children.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& child : children.readAll().split(' ')) {
        if (child.toInt() > 0) {
            killDescendants(pid_t(child.toInt()));
            ::kill(pid_t(child.toInt()), SIGKILL);
        }
    }
}

}  // namespace

TestFtpServer::~TestFtpServer() {
    terminate();
}

bool TestFtpServer::launch(const QString& program, const QStringList& arguments) {
    terminate();
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setChildProcessModifier([] { ::setsid(); });
    m_process->start();
    if (!m_process->waitForStarted(10000))
        return fail(program + ": " + m_process->errorString());
    return true;
}

void TestFtpServer::terminate() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        const qint64 pid = m_process->processId();
        if (pid > 0) {
            killDescendants(pid_t(pid));
            ::kill(-pid_t(pid), SIGTERM);
        }
        if (!m_process->waitForFinished(5000) && pid > 0) {
            ::kill(-pid_t(pid), SIGKILL);
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    m_port = 0;
}

bool TestFtpServer::fail(const QString& why) {
    // With what the server wrote to stderr so far.
    m_error = (why + "\n" + (m_process ? m_process->readAllStandardError() : "")).trimmed();
    terminate();
    return false;
}

bool TestFtpServer::running() const {
    return m_process && m_process->state() == QProcess::Running;
}

quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
