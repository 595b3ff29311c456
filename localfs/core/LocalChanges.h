#pragma once

#include <QString>

// How one change to a local entry went: `failure` tells the user what could not be done, and is
// empty when the change was made.
struct LocalOutcome {
    QString failure;
    bool done() const { return failure.isEmpty(); }
};

// Single-step changes to local entries.
namespace local_changes {

// Folders (links to them included) are never deleted as files, and a read-only file stays, as its
// attribute promises, even for root.
LocalOutcome DeleteFile(const QString& path);
LocalOutcome Rename(const QString& currentName, const QString& newName);
LocalOutcome RemoveFolder(const QString& path);
LocalOutcome CreateFolder(const QString& path);

}  // namespace local_changes
