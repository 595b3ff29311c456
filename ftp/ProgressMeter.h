#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QString>

namespace ftp {

class Notifier;

// TransferProgress for one operation: the percentage covers every byte the operation moves,
// notifications come at most every 40 ms (the first at once), and the last file ends with one
// for its last byte, so the operation is seen complete. Many small files do not flood the
// window with a notification each. Files may move at once, one per `slot` (a connection); the
// percentage counts the bytes of all of them and never goes back, also when a file starts over
// (start() again).
class ProgressMeter {
public:
    static constexpr int kIntervalMs = 40;

    ProgressMeter(Notifier& notify, qint64 totalBytes, int totalFiles);

    void start(const QString& fileName, const QString& secondName, qint64 fileSize, int slot = 0);
    void update(qint64 fileBytes, int slot = 0);    // throttled
    void complete(qint64 fileBytes, int slot = 0);  // the file is done; `fileBytes` moved in all
    void drop(int slot);         // the file of `slot` went to another one and starts over there
    void skip(qint64 fileSize);  // a file left out still counts toward the percentage

private:
    struct File {
        QString name, second;
        qint64 size = 0;
        qint64 bytes = 0;
    };
    int percent() const;
    bool due() const;
    void notify(const File& file, qint64 fileSize, qint64 fileBytes);

    Notifier& m_notify;
    qint64 m_total;
    int m_files;
    int m_filesDone = 0;
    qint64 m_doneBefore = 0;
    QMap<int, File> m_moving;
    int m_percent = 0;  // the highest reported
    QElapsedTimer m_sinceLast;
};

}  // namespace ftp
