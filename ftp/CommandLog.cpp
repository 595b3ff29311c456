#include "CommandLog.h"

#include <QSaveFile>
#include <utility>

namespace ftp {

CommandLog::CommandLog(qint64 maxBytes) : m_maxBytes(maxBytes) {
    m_flushSoon.setSingleShot(true);
    QObject::connect(&m_flushSoon, &QTimer::timeout, [this] { flush(); });
}

CommandLog::~CommandLog() {
    flush();
}

void CommandLog::append(const QString& path, const QString& line) {
    if (path.isEmpty())
        return;
    if (m_file.fileName() != path || !m_file.isOpen()) {
        flush();
        m_file.close();
        m_file.setFileName(path);
        // A log that cannot be written must not stop the transfer it records.
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append))
            return;
        m_size = m_file.size();
    }
    m_pending += line.toUtf8() + '\n';
    if (!m_flushSoon.isActive())
        m_flushSoon.start(m_held ? kHeldMs : 0);
}

void CommandLog::hold(bool on) {
    m_held = on;
    if (!on)
        flush();
}

void CommandLog::flush() {
    m_flushSoon.stop();
    if (m_pending.isEmpty() || !m_file.isOpen())
        return;
    m_size += qMax<qint64>(0, m_file.write(std::exchange(m_pending, QByteArray())));
    m_file.flush();
    if (m_size > m_maxBytes)
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
    m_size = m_file.size();
}

}  // namespace ftp
