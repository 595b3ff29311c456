#pragma once

#include <QString>

class QComboBox;

// Path boxes: combo boxes listing folder paths, each folder once whatever its letter case.
// An entry's text is what the box shows; when it differs from the path (the local box shows paths
// upper-cased) the real path is kept as the entry's Qt::UserRole data.

// Enters a path and selects it. A path already present (letter case ignored) adds nothing: its
// entry takes the path as now given and is selected without the box's selection signals, so a
// handler never moves to the folder the entry named before. A new entry shows `display` (the path
// itself when empty) and its selection is signalled as usual.
void AddPathToComboBox(const QString& sPathToAdd, QComboBox* CB, const QString& display = {});

// Whether the box holds the path, letter case ignored.
bool IsPathInComboBox(const QString& path, QComboBox* CB);

// The real path of an entry: its data if set, else its text.
QString pathOfEntry(QComboBox* CB, int index);
