#include "AppPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString& AppPathOverride() {
    static QString dir;
    return dir;
}

QString ConfigPath() {
    return appPathFrom(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

}  // namespace

QString appPathFrom(const QString& dir) {
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString GetAppPath() {
    const QString& dir = AppPathOverride();
    return appPathFrom(dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir);
}

void setAppPathForTesting(const QString& dir) {
    AppPathOverride() = dir;
}

QString dataPath() {
    const QString program = GetAppPath();
    const QFileInfo folder(program);
    if (folder.isDir() && folder.isWritable())
        return program;
    const QString config = ConfigPath();
    QDir().mkpath(config);
    // The first time, the settings beside the program (a service section an installation
    // came with) are where the user's own start.
    const QString settings = QStringLiteral("Ferrymate.ini");
    if (!QFileInfo::exists(config + settings))
        QFile::copy(program + settings, config + settings);
    return config;
}

QString settingsPath() {
    return dataPath() + QStringLiteral("Ferrymate.ini");
}

QString initializePath() {
    const QString beside = GetAppPath() + QStringLiteral("initialize.txt");
    const QString config = ConfigPath() + QStringLiteral("initialize.txt");
    return !QFileInfo::exists(beside) && QFileInfo::exists(config) ? config : beside;
}
