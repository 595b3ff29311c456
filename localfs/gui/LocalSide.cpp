#include "LocalSide.h"

#include <QComboBox>
#include <QDir>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "DateText.h"
#include "ListRows.h"
#include "PathBox.h"

namespace {

QString WithSeparator(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

}  // namespace

LocalSide::LocalSide(QComboBox* cboLocalPath, QTreeWidget* lstLocalFileList,
                     LocalSide::Hooks& hooks, QWidget* dialogParent, QObject* parent)
    : QObject(parent),
      m_cboLocalPath(cboLocalPath),
      m_lstLocalFileList(lstLocalFileList),
      m_hooks(hooks),
      m_dialogParent(dialogParent),
      m_xLocalPaths(dialogParent) {
    connect(&m_xLocalPaths, &LocalPaths::UpdateLocalEntry, this,
            &LocalSide::m_xLocalPaths_UpdateLocalEntry, Qt::DirectConnection);
    connect(&m_xLocalPaths, &LocalPaths::AddToLocalPaths, this,
            &LocalSide::m_xLocalPaths_AddToLocalPaths, Qt::DirectConnection);
    connect(&m_xLocalPaths, &LocalPaths::LogicalDriveFound, this,
            &LocalSide::m_xLocalPaths_LogicalDriveFound, Qt::DirectConnection);
    connect(cboLocalPath, &QComboBox::currentIndexChanged, this, &LocalSide::cboLocalPath_Click);
    // Choosing the entry already shown changes no index, yet it may name another folder than the
    // current one: one whose path differs only in letter case.
    connect(cboLocalPath, &QComboBox::activated, this, &LocalSide::cboLocalPath_Click);
}

void LocalSide::setLocalPath(const QString& path) {
    m_sLocalPath = WithSeparator(path);
}

bool LocalSide::ChangeCurrentLocalFolder(const QString& sNewLocalPath) {
    // Full paths are the current folder followed by a name: a relative one would resolve against
    // whatever the working folder happens to be.
    if (QDir::isRelativePath(sNewLocalPath)) {
        m_hooks.DisplayMessage(
            QStringLiteral("Error while attempting to change current local folder to '") +
            sNewLocalPath + QStringLiteral("'. Description: The path is not absolute."));
        m_hooks.StatusBarInfo(QStringLiteral("Could not change current local folder."));
        return false;
    }
    m_sLocalPath = WithSeparator(sNewLocalPath);
    const QString path = m_sLocalPath;
    const QPointer<LocalSide> self(this);
    if (m_cboLocalPath)
        AddPathToComboBox(path, m_cboLocalPath, path.toUpper());
    if (!self)
        return false;
    m_hooks.StatusBarInfo(QStringLiteral("Local folder changed to ") + path);
    return true;
}

void LocalSide::ClearLocalFileList() {
    if (m_lstLocalFileList)
        m_lstLocalFileList->clear();
}

void LocalSide::RefreshLocalFileList() {
    ClearLocalFileList();
    m_xLocalPaths.RetrieveLocalFolderContents(m_sLocalPath);
}

void LocalSide::showNewFolder() {
    const QPointer<LocalSide> self(this);
    RefreshLocalFileList();
    if (self)
        m_hooks.EnableLocalCommands();
}

void LocalSide::m_xLocalPaths_UpdateLocalEntry(const QString& sName, const QDateTime& dtDate,
                                               qint64, int nAttrib) {
    if (!m_lstLocalFileList)
        return;
    if (nAttrib == LocalPaths::kUnreadable)
        addListRow(m_lstLocalFileList, sName, sName, kFileRow, QString());
    else if (nAttrib & LocalPaths::kFolder)
        addListRow(m_lstLocalFileList, sName.toUpper(), sName, kFolderRow, dateText(dtDate));
}

void LocalSide::m_xLocalPaths_AddToLocalPaths(const QString& sPathToAdd) {
    if (m_cboLocalPath)
        AddPathToComboBox(sPathToAdd, m_cboLocalPath, sPathToAdd.toUpper());
}

void LocalSide::m_xLocalPaths_LogicalDriveFound(const QString& sDriveToAdd) {
    if (!m_cboLocalPath)
        return;
    // Listed, not chosen: the first entry of an empty box would otherwise become current and be
    // read before the start folder.
    const QSignalBlocker quiet(m_cboLocalPath.data());
    const int current = m_cboLocalPath->currentIndex();
    m_cboLocalPath->addItem(sDriveToAdd.toUpper(), sDriveToAdd);
    m_cboLocalPath->setCurrentIndex(current);
}

void LocalSide::cboLocalPath_Click() {
    if (!hasControls())
        return;
    const int index = m_cboLocalPath->currentIndex();
    if (index < 0)
        return;
    const QString path = pathOfEntry(m_cboLocalPath, index);
    if (path == m_sLocalPath)
        return;
    if (ChangeCurrentLocalFolder(path))
        showNewFolder();
}

void LocalSide::cmdUpLocal_Click() {
    const qsizetype cut = m_sLocalPath.lastIndexOf(u'/', m_sLocalPath.size() - 2);
    if (QDir(m_sLocalPath).isRoot() || cut < 0) {
        m_hooks.StatusBarInfo(QStringLiteral("Local path already at root folder."));
        return;
    }
    if (ChangeCurrentLocalFolder(m_sLocalPath.left(cut + 1)))
        showNewFolder();
}
