#pragma once

#include <QElapsedTimer>
#include <QString>

namespace ftp {

class Notifier;

// TransferProgress for one operation: the percentage covers every byte the operation moves,
// notifications come at most every 40 ms, and each file ends with one for its last byte.
class ProgressMeter {
public:
    static constexpr int kIntervalMs = 40;

    ProgressMeter(Notifier& notify, qint64 totalBytes);

    void start(const QString& fileName, const QString& secondName, qint64 fileSize);
    void update(qint64 fileBytes);    // throttled
    void complete(qint64 fileBytes);  // the file is done; `fileBytes` moved in all
    void skip(qint64 fileSize);       // a file left out still counts toward the percentage

private:
    int percent(qint64 fileBytes) const;

    Notifier& m_notify;
    qint64 m_total;
    qint64 m_doneBefore = 0;
    QString m_file, m_second;
    qint64 m_size = 0;
    qint64 m_fileBytes = 0;
    QElapsedTimer m_sinceLast;
};

}  // namespace ftp
