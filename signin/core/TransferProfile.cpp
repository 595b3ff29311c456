#include "TransferProfile.h"

#include <algorithm>

#include "AppPath.h"
#include "ProfileFile.h"

int connectionsSetting() {
    bool ok = false;
    const int count = readProfileString(QStringLiteral("Transfer"), QStringLiteral("Connections"),
                                        QString(), 16, settingsPath())
                          .toInt(&ok);
    return ok ? std::clamp(count, 1, 10) : 4;
}
