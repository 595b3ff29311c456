#include "CommandLog.h"

namespace ftp {

void CommandLog::append(const QString& path, const QString& line) {
    if (path.isEmpty())
        return;
    if (m_file.fileName() != path || !m_file.isOpen()) {
        m_file.close();
        m_file.setFileName(path);
        // A log that cannot be written must not stop the transfer it records.
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
    }
    m_file.write(line.toUtf8() + '\n');
    m_file.flush();
}

}  // namespace ftp
