#include "FullDisk.h"

#include <sys/mount.h>
#include <QDir>
#include <QFile>

SmallDisk::SmallDisk(const QString& dir, qint64 bytes) : m_dir(dir) {
    const QByteArray options = "size=" + QByteArray::number(bytes);
    m_mounted = QDir().mkpath(dir) && ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs",
                                              0, options.constData()) == 0;
}

SmallDisk::~SmallDisk() {
    // Detached even while a file on it is still open.
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir).constData(), MNT_DETACH);
}

bool SmallDisk::makeReadOnly() {
    return m_mounted && ::mount("tmpfs", QFile::encodeName(m_dir).constData(), "tmpfs",
                                MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void SmallDisk::fill() {
    QFile filler(QDir(m_dir).filePath(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    // Whole pages first, then the bytes left in the last one.
    for (const qint64 chunk : {qint64(4096), qint64(1)}) {
        const QByteArray zeros(chunk, '\0');
        while (filler.write(zeros) == chunk) {
        }
    }
}
