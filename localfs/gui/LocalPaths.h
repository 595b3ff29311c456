#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

struct LocalOutcome;

// Reads local folders and drives and makes single-step changes to local entries. It reports what
// it reads through its signals (connect them directly: they run inside the call that raises them)
// and what fails in its own message boxes; each change also returns whether it was made.
//
// Folder paths end with "/"; an entry's full path is the folder path followed by its name.
//
// Attribute bits of UpdateLocalEntry, mapped from what Linux has: 16 folder, 1 read-only (not
// writable by its owner), 2 hidden (a name starting with "."). There is no system or archive bit.
// -1 is not a combination: it marks an entry whose details could not be read (a dangling link, an
// entry gone since the folder was listed); its date and size then mean nothing.
class LocalPaths : public QObject {
    Q_OBJECT
public:
    enum Attribute { kReadOnly = 1, kHidden = 2, kFolder = 16, kUnreadable = -1 };

    explicit LocalPaths(QWidget* dialogParent = nullptr, QObject* parent = nullptr);

    // UpdateLocalEntry once per entry ("." and ".." excepted, hidden entries included), in the
    // file system's order, then AddToLocalPaths once with sPath as passed.
    void RetrieveLocalFolderContents(const QString& sPath);
    // LogicalDriveFound once per drive root, in the platform's order.
    void RetrieveLogicalDrives();

    bool DeleteLocalFile(const QString& sFileToDelete);
    bool RenameLocalFile(const QString& sCurrentName, const QString& sNewName);
    bool RemoveLocalFolder(const QString& sFolderToDelete);
    bool CreateLocalFolder(const QString& sFolderToCreate);

signals:
    void UpdateLocalEntry(const QString& sName, const QDateTime& dtDate, qint64 lSize, int nAttrib);
    void AddToLocalPaths(const QString& sPathToAdd);
    void LogicalDriveFound(const QString& sDriveToAdd);

private:
    // Shows the failure of a change, if any; true when the change was made.
    bool Reported(const LocalOutcome& outcome);

    QPointer<QWidget> m_dialogParent;
};
