#pragma once

#include <QDateTime>
#include <QString>

// The general date of the user's locale: short date and long time, the time left out at exactly
// midnight. Qt's long time format names the time zone, which the general date does not.
QString dateText(const QDateTime& when);
