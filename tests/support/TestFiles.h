#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes a file and its folders, dated a day ahead (newer than any copy on a server); reads one.
void writeFile(const QString& path, const QByteArray& data);
QByteArray readFile(const QString& path);
// Every file below `root`, as relative paths, sorted.
QStringList tree(const QString& root);
