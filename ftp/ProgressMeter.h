#pragma once

#include <QElapsedTimer>
#include <QString>

namespace ftp {

class Notifier;

// TransferProgress for one operation: the percentage covers every byte the operation moves,
// notifications come at most every 40 ms (the first at once), and the last file ends with one
// for its last byte, so the operation is seen complete. Many small files do not flood the
// window with a notification each. The percentage never goes back, also when a file starts
// over (start() again).
class ProgressMeter {
public:
    static constexpr int kIntervalMs = 40;

    ProgressMeter(Notifier& notify, qint64 totalBytes, int totalFiles);

    void start(const QString& fileName, const QString& secondName, qint64 fileSize);
    void update(qint64 fileBytes);    // throttled
    void complete(qint64 fileBytes);  // the file is done; `fileBytes` moved in all
    void skip(qint64 fileSize);       // a file left out still counts toward the percentage

private:
    int percent(qint64 fileBytes) const;
    bool due() const;
    void notify(qint64 fileSize, qint64 fileBytes, int percent);

    Notifier& m_notify;
    qint64 m_total;
    int m_files;
    int m_filesDone = 0;
    qint64 m_doneBefore = 0;
    QString m_file, m_second;
    qint64 m_size = 0;
    qint64 m_fileBytes = 0;
    int m_percent = 0;  // the highest reported
    QElapsedTimer m_sinceLast;
};

}  // namespace ftp
