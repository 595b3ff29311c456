#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>

#include "FtpServers.h"

bool PyFtpServer::start(const QString& root, const QString& user, const QString& password) {
    m_root = QDir(root).absolutePath();
    m_user = user;
    m_password = password;
    m_error.clear();
    QStringList arguments{FERRYMATE_TEST_SUPPORT_DIR "/pyftpd.py", m_root, user, password, "0"};
    if (!m_cut.isEmpty())
        arguments << "--cut" << m_cut;
    if (!launch("/usr/bin/python3", arguments))
        return false;
    // The first stdout line names the port.
    const QDeadlineTimer deadline(15000);
    while (!m_process->canReadLine()) {
        if (deadline.hasExpired() || !running())
            return fail("pyftpd.py did not report its port");
        m_process->waitForReadyRead(200);
    }
    const QByteArray line = m_process->readLine().trimmed();
    m_port = line.startsWith("PORT ") ? quint16(line.mid(5).toUInt()) : 0;
    if (m_port == 0)
        return fail("pyftpd.py answered \"" + QString::fromUtf8(line) + "\"");
    return true;
}
