#pragma once

#include <QString>

// The projects folder named by the line "projectDir=" of "initialize.txt": the rest of the line up
// to its first "&" (all of it when there is none), with a trailing separator.
struct ProjectDir {
    QString folder;   // empty when the file names none
    QString problem;  // what the user is told when folder is empty
};

ProjectDir readProjectDir(const QString& filePath);

// The projects folder the user chose when "initialize.txt" named none (kept in the settings
// file), with a trailing separator; empty when none was chosen or it is gone.
QString chosenProjectDir();
bool keepProjectDir(const QString& folder);
