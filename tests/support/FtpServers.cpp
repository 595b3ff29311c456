#include "FtpServers.h"

#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>

TestFtpServer::TestFtpServer() = default;

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
        if (pid > 0)
            ::kill(-pid_t(pid), SIGTERM);
        if (!m_process->waitForFinished(5000) && pid > 0) {
            ::kill(-pid_t(pid), SIGKILL);
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    m_port = 0;
}

bool TestFtpServer::fail(const QString& why) {
    m_error = why;
    const QString out = output().trimmed();
    if (!out.isEmpty())
        m_error += "\n" + out;
    terminate();
    return false;
}

bool TestFtpServer::running() const {
    return m_process && m_process->state() == QProcess::Running;
}

QString TestFtpServer::output() const {
    return m_process ? QString::fromLocal8Bit(m_process->readAllStandardError()) : QString();
}

quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
