#include "LocalPaths.h"

#include <QDir>
#include <QFileInfo>

#include "Dialogs.h"
#include "LocalChanges.h"

namespace {

int AttributesOf(const QFileInfo& entry) {
    // exists() follows links: a dangling link has no details to report.
    if (!entry.exists() || !entry.lastModified().isValid())
        return LocalPaths::kUnreadable;
    int attributes = 0;
    if (entry.isDir())
        attributes |= LocalPaths::kFolder;
    if (!(entry.permissions() & QFileDevice::WriteOwner))
        attributes |= LocalPaths::kReadOnly;
    if (entry.fileName().startsWith(u'.'))
        attributes |= LocalPaths::kHidden;
    return attributes;
}

}  // namespace

LocalPaths::LocalPaths(QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_dialogParent(dialogParent) {}

void LocalPaths::RetrieveLocalFolderContents(const QString& sPath) {
    const QFileInfo folder(sPath);
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
        dialogs().message(m_dialogParent, QMessageBox::Critical,
                          boxTitle(QStringLiteral("[Error]")),
                          QStringLiteral("Cannot read the contents of ") + sPath, QMessageBox::Ok,
                          QMessageBox::Ok);
        return;
    }
    // The whole listing is taken before the first report, so a handler may start another read.
    const QFileInfoList entries = QDir(sPath).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    const QPointer<LocalPaths> self(this);
    for (const QFileInfo& entry : entries) {
        const int attributes = AttributesOf(entry);
        if (attributes == kUnreadable)
            emit UpdateLocalEntry(entry.fileName(), QDateTime(), 0, kUnreadable);
        else
            emit UpdateLocalEntry(entry.fileName(), entry.lastModified(), entry.size(), attributes);
        if (!self)
            return;
    }
    emit AddToLocalPaths(sPath);
}

void LocalPaths::RetrieveLogicalDrives() {
    const QPointer<LocalPaths> self(this);
    for (const QFileInfo& drive : QDir::drives()) {
        emit LogicalDriveFound(drive.absoluteFilePath());
        if (!self)
            return;
    }
}

bool LocalPaths::DeleteLocalFile(const QString& sFileToDelete) {
    return Reported(local_changes::DeleteFile(sFileToDelete));
}

bool LocalPaths::RenameLocalFile(const QString& sCurrentName, const QString& sNewName) {
    return Reported(local_changes::Rename(sCurrentName, sNewName));
}

bool LocalPaths::RemoveLocalFolder(const QString& sFolderToDelete) {
    return Reported(local_changes::RemoveFolder(sFolderToDelete));
}

bool LocalPaths::CreateLocalFolder(const QString& sFolderToCreate) {
    return Reported(local_changes::CreateFolder(sFolderToCreate));
}

bool LocalPaths::Reported(const LocalOutcome& outcome) {
    if (!outcome.done())
        dialogs().message(m_dialogParent, QMessageBox::Critical,
                          boxTitle(QStringLiteral("[Notice]")), outcome.failure,
                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    return outcome.done();
}
