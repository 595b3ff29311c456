#pragma once

#include <QString>

// True for a name typed for an entry of the current folder that names nothing elsewhere: no "/"
// or "\", not "." or "..".
bool isPlainName(const QString& name);
