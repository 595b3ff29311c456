#pragma once

#include <QString>

// The program's folder with a trailing "/": the settings file, the projects folder file and the
// FTP command log live beside the program.
QString GetAppPath();
// dir with a trailing "/" unless it already ends with one (as a root folder does).
QString AppPathFrom(const QString& dir);
// Points GetAppPath at another folder; empty text restores the program's own.
void SetAppPathForTesting(const QString& dir);

// GetAppPath() + "Ferrymate.ini".
QString SettingsPath();
