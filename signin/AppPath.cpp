#include "AppPath.h"

#include <QCoreApplication>

namespace {

QString& AppPathOverride() {
    static QString dir;
    return dir;
}

}  // namespace

QString AppPathFrom(const QString& dir) {
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString GetAppPath() {
    const QString& dir = AppPathOverride();
    return AppPathFrom(dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir);
}

void SetAppPathForTesting(const QString& dir) {
    AppPathOverride() = dir;
}

QString SettingsPath() {
    return GetAppPath() + QStringLiteral("Ferrymate.ini");
}
