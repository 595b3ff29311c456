#include "LocalChanges.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace local_changes {

namespace {

LocalOutcome Outcome(bool done, const QString& failure) {
    return {done ? QString() : failure};
}

}  // namespace

LocalOutcome DeleteFile(const QString& path) {
    const QFileInfo entry(path);
    const bool refused =
        entry.isDir() || (entry.exists() && !(entry.permissions() & QFileDevice::WriteOwner));
    return Outcome(!refused && QFile::remove(path), QStringLiteral("Cannot delete ") + path);
}

LocalOutcome Rename(const QString& currentName, const QString& newName) {
    return Outcome(QDir().rename(currentName, newName),
                   QStringLiteral("Cannot rename ") + currentName);
}

LocalOutcome RemoveFolder(const QString& path) {
    return Outcome(QDir().rmdir(path), QStringLiteral("Cannot remove ") + path);
}

LocalOutcome CreateFolder(const QString& path) {
    return Outcome(QDir().mkdir(path), QStringLiteral("Cannot create ") + path);
}

}  // namespace local_changes
