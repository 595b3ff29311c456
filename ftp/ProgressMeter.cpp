#include "ProgressMeter.h"

#include "ByteCount.h"
#include "Notifier.h"

namespace ftp {

ProgressMeter::ProgressMeter(Notifier& notify, qint64 totalBytes, int totalFiles)
    : m_notify(notify), m_total(totalBytes), m_files(totalFiles) {}

void ProgressMeter::start(const QString& fileName, const QString& secondName, qint64 fileSize) {
    m_file = fileName;
    m_second = secondName;
    m_size = fileSize;
    m_fileBytes = 0;
}

int ProgressMeter::percent(qint64 fileBytes) const {
    if (m_total <= 0)
        return 100;
    const qint64 done = qMin(m_total, addBytes(m_doneBefore, qMin(fileBytes, m_size)));
    qint64 scaled = 0;
    if (!qMulOverflow(done, qint64(100), &scaled))
        return int(scaled / m_total);
    // Totals this large have hundredths of many bytes each.
    return int(qMin<qint64>(100, done / (m_total / 100)));
}

bool ProgressMeter::due() const {
    return !m_sinceLast.isValid() || m_sinceLast.elapsed() >= kIntervalMs;
}

void ProgressMeter::notify(qint64 fileSize, qint64 fileBytes, int percent) {
    m_sinceLast.start();
    // A file sent again after a reconnect starts over: the percentage holds until it passes.
    m_percent = qMax(m_percent, percent);
    m_notify.progress(m_file, m_second, fileSize, fileBytes, m_percent);
}

void ProgressMeter::update(qint64 fileBytes) {
    if (fileBytes == m_fileBytes || !due())
        return;
    m_fileBytes = fileBytes;
    notify(m_size, fileBytes, percent(fileBytes));
}

void ProgressMeter::complete(qint64 fileBytes) {
    const bool last = ++m_filesDone >= m_files;
    const int done = percent(m_size);
    m_doneBefore = addBytes(m_doneBefore, m_size);
    if (last || due())
        notify(qMax(m_size, fileBytes), fileBytes, done);
}

void ProgressMeter::skip(qint64 fileSize) {
    ++m_filesDone;
    m_doneBefore = addBytes(m_doneBefore, fileSize);
}

}  // namespace ftp
