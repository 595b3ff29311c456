#pragma once

#include <QFile>
#include <QString>

namespace ftp {

// The command log file: each line appended as it is logged, so that it survives a crash.
class CommandLog {
public:
    // Appends `line` to the file at `path` (nothing when `path` is empty).
    void append(const QString& path, const QString& line);

private:
    QFile m_file;
};

}  // namespace ftp
