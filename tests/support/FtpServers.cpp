#include "FtpServers.h"

#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>

namespace {

// Every process below `root`: vsftpd runs each session in a session of its own, out of reach
// of a signal to the server's process group.
QList<pid_t> descendants(pid_t root) {
    QMultiMap<pid_t, pid_t> children;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool ok = false;
        const pid_t pid = pid_t(entry.toInt(&ok));
        if (!ok)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": comm may hold spaces, so read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.insert(pid_t(fields[1].toInt()), pid);
    }
    QList<pid_t> out;
    QList<pid_t> todo{root};
    while (!todo.isEmpty()) {
        for (const pid_t child : children.values(todo.takeFirst())) {
            out << child;
            todo << child;
        }
    }
    return out;
}

}  // namespace

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
        if (pid > 0) {
            for (const pid_t child : descendants(pid_t(pid)))
                ::kill(child, SIGKILL);
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
