#include "ProgressMeter.h"

#include "Notifier.h"

namespace ftp {

ProgressMeter::ProgressMeter(Notifier& notify, qint64 totalBytes)
    : m_notify(notify), m_total(totalBytes) {}

void ProgressMeter::start(const QString& fileName, const QString& secondName, qint64 fileSize) {
    m_file = fileName;
    m_second = secondName;
    m_size = fileSize;
    m_fileBytes = 0;
    m_sinceLast.start();
}

int ProgressMeter::percent(qint64 fileBytes) const {
    if (m_total <= 0)
        return 100;
    const qint64 done = qMin(m_total, m_doneBefore + qMin(fileBytes, m_size));
    return int(done * 100 / m_total);
}

void ProgressMeter::update(qint64 fileBytes) {
    if (fileBytes == m_fileBytes || m_sinceLast.elapsed() < kIntervalMs)
        return;
    m_fileBytes = fileBytes;
    m_sinceLast.start();
    m_notify.progress(m_file, m_second, m_size, fileBytes, percent(fileBytes));
}

void ProgressMeter::complete(qint64 fileBytes) {
    m_notify.progress(m_file, m_second, qMax(m_size, fileBytes), fileBytes, percent(m_size));
    m_doneBefore += m_size;
}

void ProgressMeter::skip(qint64 fileSize) {
    m_doneBefore += fileSize;
}

}  // namespace ftp
