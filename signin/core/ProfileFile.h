#pragma once

#include <QString>

// Settings files in the sectioned key=value profile format, read and written the way the Windows
// profile functions do, so files move between the two unchanged. Section and key names ignore
// letter case; text is Latin-1; lines end in CRLF (LF alone is read too).

// The value of key in section, or def when the file, the section or the key is missing. Like the
// platform, the value is trimmed, quotes around the whole value are dropped and at most
// bufferSize - 1 characters are returned.
QString readProfileString(const QString& section, const QString& key, const QString& def,
                          int bufferSize, const QString& path);

// Sets key in section to value, creating the file and the section when needed and keeping every
// other line in its place. The file is replaced atomically. False when nothing was written: the
// file could not be read or written, or a name or the value would break the line format.
bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path);
