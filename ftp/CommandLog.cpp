#include "CommandLog.h"

#include <QSaveFile>

namespace ftp {

void CommandLog::append(const QString& path, const QString& line) {
    if (path.isEmpty())
        return;
    if (m_file.fileName() != path || !m_file.isOpen()) {
        m_file.close();
        m_file.setFileName(path);
        // A log that cannot be written must not stop the transfer it records.
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append))
            return;
    }
    m_file.write(line.toUtf8() + '\n');
    m_file.flush();
    if (m_file.size() > m_maxBytes)
        dropOldest();
}

void CommandLog::dropOldest() {
    // Keeps the newest half, from a line start on.
    m_file.seek(m_file.size() - m_maxBytes / 2);
    QByteArray kept = m_file.readAll();
    kept.remove(0, kept.indexOf('\n') + 1);
    m_file.close();
    QSaveFile rewritten(m_file.fileName());
    if (rewritten.open(QIODevice::WriteOnly)) {
        rewritten.write(QByteArray(kDroppedNote) + '\n' + kept);
        rewritten.commit();
    }
    m_file.open(QIODevice::ReadWrite | QIODevice::Append);
}

}  // namespace ftp
