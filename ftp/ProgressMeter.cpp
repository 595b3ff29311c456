#include "ProgressMeter.h"

#include "ByteCount.h"
#include "Notifier.h"

namespace ftp {

ProgressMeter::ProgressMeter(Notifier& notify, qint64 totalBytes, int totalFiles)
    : m_notify(notify), m_total(totalBytes), m_files(totalFiles) {}

void ProgressMeter::start(const QString& fileName, const QString& secondName, qint64 fileSize,
                          int slot) {
    m_moving.insert(slot, File{fileName, secondName, fileSize, 0});
}

int ProgressMeter::percent() const {
    if (m_total <= 0)
        return 100;
    qint64 done = m_doneBefore;
    for (const File& f : m_moving)
        done = addBytes(done, qMin(f.bytes, f.size));
    done = qMin(m_total, done);
    qint64 scaled = 0;
    if (!qMulOverflow(done, qint64(100), &scaled))
        return int(scaled / m_total);
    // Totals this large have hundredths of many bytes each.
    return int(qMin<qint64>(100, done / (m_total / 100)));
}

bool ProgressMeter::due() const {
    return !m_sinceLast.isValid() || m_sinceLast.elapsed() >= kIntervalMs;
}

void ProgressMeter::notify(const File& file, qint64 fileSize, qint64 fileBytes) {
    m_sinceLast.start();
    // A file sent again after a reconnect starts over: the percentage holds until it passes.
    m_percent = qMax(m_percent, percent());
    m_notify.progress(file.name, file.second, fileSize, fileBytes, m_percent);
}

void ProgressMeter::update(qint64 fileBytes, int slot) {
    const auto it = m_moving.find(slot);
    if (it == m_moving.end() || fileBytes == it->bytes)
        return;
    it->bytes = fileBytes;
    if (due())
        notify(*it, it->size, fileBytes);
}

void ProgressMeter::complete(qint64 fileBytes, int slot) {
    const File file = m_moving.take(slot);
    const bool last = ++m_filesDone >= m_files;
    m_doneBefore = addBytes(m_doneBefore, file.size);
    if (last || due())
        notify(file, qMax(file.size, fileBytes), fileBytes);
}

void ProgressMeter::drop(int slot) {
    m_moving.remove(slot);
}

void ProgressMeter::skip(qint64 fileSize) {
    ++m_filesDone;
    m_doneBefore = addBytes(m_doneBefore, fileSize);
}

}  // namespace ftp
