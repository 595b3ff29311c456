#pragma once

#include <QFile>
#include <QString>

namespace ftp {

// The command log file: each line appended as it is logged, so that it survives a crash. It
// stays below a size: past it, the oldest half is dropped and a line at the top says so.
class CommandLog {
public:
    static constexpr qint64 kMaxBytes = 8 * 1024 * 1024;
    static constexpr char kDroppedNote[] = "[Older lines were dropped to keep this log small.]";

    explicit CommandLog(qint64 maxBytes = kMaxBytes) : m_maxBytes(maxBytes) {}

    // Appends `line` to the file at `path` (nothing when `path` is empty).
    void append(const QString& path, const QString& line);

private:
    void dropOldest();

    QFile m_file;
    qint64 m_maxBytes;
};

}  // namespace ftp
