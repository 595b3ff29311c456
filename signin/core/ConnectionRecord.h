#pragma once

#include <QString>

// What the sign-in hands to the transfer window's connection.
struct ConnectionRecord {
    QString sAddress;
    QString sPort = QStringLiteral("21");
    QString sUserName;
    QString sPassword;
    bool bIsAnonymous = true;
    bool bPassive = false;
};
