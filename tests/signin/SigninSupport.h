#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AppPath.h"

// GetAppPath points into a fresh temporary folder while this lives.
struct ProgramFolder {
    QTemporaryDir dir;
    ProgramFolder() { setAppPathForTesting(dir.path()); }
    ~ProgramFolder() { setAppPathForTesting(QString()); }
    QString path(const QString& name) const { return dir.filePath(name); }
};

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
