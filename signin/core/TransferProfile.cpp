#include "TransferProfile.h"

#include <algorithm>

#include "AppPath.h"
#include "ProfileFile.h"

int ConnectionsSetting() {
    bool ok = false;
    const int count = ReadProfileString(QStringLiteral("Transfer"), QStringLiteral("Connections"),
                                        QString(), 16, SettingsPath())
                          .toInt(&ok);
    return ok ? std::clamp(count, 1, 10) : 4;
}
