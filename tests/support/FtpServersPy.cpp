#include "FtpServers.h"

QStringList PyFtpServer::command() {
    QStringList command{
        "/usr/bin/python3",     FERRYMATE_TEST_SUPPORT_DIR "/pyftpd.py", m_root, m_user, m_password,
        QString::number(m_port)};
    if (!m_cut.isEmpty())
        command << "--cut" << m_cut;
    return command;
}
