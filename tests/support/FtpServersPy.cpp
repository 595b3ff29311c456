#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>

#include "FtpServers.h"

PyFtpServer::~PyFtpServer() {
    stop();
}

bool PyFtpServer::start(const QString& root, const QString& user, const QString& password) {
    m_root = QDir(root).absolutePath();
    m_user = user;
    m_password = password;
    m_error.clear();
    const QString script = QStringLiteral(FERRYMATE_TEST_SUPPORT_DIR "/pyftpd.py");
    QStringList arguments{script, m_root, user, password, "0"};
    if (!m_cut.isEmpty())
        arguments << "--cut" << m_cut;
    if (!launch("/usr/bin/python3", arguments))
        return false;
    // The first stdout line names the port.
    const QDeadlineTimer deadline(15000);
    QByteArray line;
    while (!m_process->canReadLine()) {
        if (deadline.hasExpired() || !running())
            return fail("pyftpd.py did not report its port");
        m_process->waitForReadyRead(200);
    }
    line = m_process->readLine().trimmed();
    bool ok = false;
    if (line.startsWith("PORT "))
        m_port = quint16(line.mid(5).toUInt(&ok));
    if (!ok || m_port == 0)
        return fail("pyftpd.py answered \"" + QString::fromUtf8(line) + "\"");
    return true;
}

void PyFtpServer::stop() {
    terminate();
}
