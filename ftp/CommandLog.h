#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTimer>

namespace ftp {

// The command log file. Lines go out each time the event loop runs again, so that a burst of
// replies costs one write and a crash loses no more than that burst; while held (during an
// operation), they wait up to a quarter second, so that a busy transfer costs a few writes a
// second rather than one per reply. It stays below a size: past it, the oldest half is dropped
// and a line at the top says so.
class CommandLog {
public:
    static constexpr qint64 kMaxBytes = 8 * 1024 * 1024;
    static constexpr int kHeldMs = 250;
    static constexpr char kDroppedNote[] = "[Older lines were dropped to keep this log small.]";

    explicit CommandLog(qint64 maxBytes = kMaxBytes);
    ~CommandLog();
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;

    // Appends `line` to the file at `path` (nothing when `path` is empty).
    void append(const QString& path, const QString& line);
    // Writes out what was appended so far.
    void flush();
    // Holds lines back while `on`; releasing writes out what waits.
    void hold(bool on);

private:
    void dropOldest();

    QFile m_file;
    qint64 m_maxBytes;
    bool m_held = false;
    qint64 m_size = 0;  // of the file, counted here rather than asked of the system on each write
    QByteArray m_pending;  // appended, not yet written
    QTimer m_flushSoon;
};

}  // namespace ftp
