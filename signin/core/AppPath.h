#pragma once

#include <QString>

// The program's folder with a trailing "/": the settings file, the projects folder file and the
// FTP command log live beside the program.
QString GetAppPath();
// dir with a trailing "/" unless it already ends with one (as a root folder does).
QString appPathFrom(const QString& dir);
// Points GetAppPath at another folder; empty text restores the program's own.
void setAppPathForTesting(const QString& dir);

// Where the program writes its settings and its FTP log, with a trailing "/": the program's
// folder when it can be written there, else the user's configuration folder (created when
// missing, and given a copy of the settings file beside the program), as for a program
// installed in a system folder.
QString dataPath();
// dataPath() + "Ferrymate.ini".
QString settingsPath();
// "initialize.txt" beside the program, else the one in the user's configuration folder; the
// one beside the program when neither exists.
QString initializePath();
