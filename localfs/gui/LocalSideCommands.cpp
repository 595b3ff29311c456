// The local file commands: delete, rename, create folder, remove folder. Whether the change itself
// worked is reported by LocalPaths in its own box, and returned; the status line tells only that it
// was tried.

#include <QTreeWidget>

#include "Dialogs.h"
#include "EntryName.h"
#include "ListRows.h"
#include "LocalSide.h"

namespace {

const QString kPromptTitle = QStringLiteral("Pictavo - Ferrymate");

}  // namespace

bool LocalSide::isAcceptableName(const QString& name) {
    // These commands change entries of the current folder only.
    if (isPlainName(name))
        return true;
    dialogs().message(m_dialogParent, QMessageBox::Warning, boxTitle(QStringLiteral("[Notice]")),
                      QStringLiteral("The name \"") + name +
                          QStringLiteral("\" cannot be used: a name must not contain / or \\ and "
                                         "must not be . or .."),
                      QMessageBox::Ok, QMessageBox::Ok);
    return false;
}

bool LocalSide::DeleteSelectedLocalFiles() {
    const QPointer<LocalSide> self(this);
    const bool yes =
        Confirm(m_dialogParent,
                QStringLiteral("Are you sure you want to delete the selected local file(s)?"));
    if (!self || !hasControls())
        return false;
    if (!yes) {
        m_hooks.StatusBarInfo(QStringLiteral("Local file(s) not deleted."));
        return false;
    }
    // Paths first: a failure box runs its own event loop between the deletions.
    QStringList paths;
    for (int i = 0; i < m_lstLocalFileList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_lstLocalFileList->topLevelItem(i);
        if (row->isSelected())
            paths << m_sLocalPath + rowNameOf(row);
    }
    bool deleted = true;
    for (const QString& path : paths) {
        deleted = m_xLocalPaths.DeleteLocalFile(path) && deleted;
        if (!self)
            return false;
    }
    RefreshLocalFileList();
    if (self)
        m_hooks.StatusBarInfo(QStringLiteral("Local file(s) deleted."));
    return deleted;
}

bool LocalSide::RenameSelectedLocalFile() {
    if (!hasControls())
        return false;
    const QTreeWidgetItem* row = m_lstLocalFileList->currentItem();
    if (!row) {
        m_hooks.StatusBarInfo(QStringLiteral("Local file not renamed."));
        return false;
    }
    const QString folder = m_sLocalPath;
    const QString path = folder + rowNameOf(row);
    const QPointer<LocalSide> self(this);
    const bool yes =
        Confirm(m_dialogParent, QStringLiteral("Rename local file ") + path + QStringLiteral("?"));
    if (!self)
        return false;
    const QString name =
        yes ? dialogs().input(m_dialogParent, kPromptTitle,
                              QStringLiteral("Enter the new name for ") + path, QString())
            : QString();
    if (!self)
        return false;
    if (name.isEmpty() || !isAcceptableName(name)) {
        if (self)
            m_hooks.StatusBarInfo(QStringLiteral("Local file not renamed."));
        return false;
    }
    const bool renamed = m_xLocalPaths.RenameLocalFile(path, folder + name);
    if (!self)
        return false;
    RefreshLocalFileList();
    if (self)
        m_hooks.StatusBarInfo(QStringLiteral("Local file renamed."));
    return renamed;
}

bool LocalSide::CreateNewLocalFolder() {
    const QPointer<LocalSide> self(this);
    const QString name = dialogs().input(
        m_dialogParent, kPromptTitle,
        QStringLiteral("Enter the name of the local folder you wish to create."), QString());
    // Only a refused name shows a box, and then nothing follows.
    if (!self || name.isEmpty() || !isAcceptableName(name))
        return false;
    const bool created = m_xLocalPaths.CreateLocalFolder(m_sLocalPath + name);
    if (self)
        RefreshLocalFileList();
    return created;
}

bool LocalSide::RemoveSelectedLocalFolder() {
    if (!hasControls())
        return false;
    const QTreeWidgetItem* row = m_lstLocalFileList->currentItem();
    if (!row) {
        m_hooks.StatusBarInfo(QStringLiteral("Local folder not deleted."));
        return false;
    }
    // The question names the row as shown; the path uses the folder's real name.
    const QString path = m_sLocalPath + rowNameOf(row);
    const QPointer<LocalSide> self(this);
    const bool yes = Confirm(m_dialogParent,
                             QStringLiteral("Are you sure you want to delete the local folder '") +
                                 row->text(0) + QStringLiteral("'?"));
    if (!self)
        return false;
    if (!yes) {
        m_hooks.StatusBarInfo(QStringLiteral("Local folder not deleted."));
        return false;
    }
    const bool removed = m_xLocalPaths.RemoveLocalFolder(path);
    if (!self)
        return false;
    RefreshLocalFileList();
    if (!self)
        return false;
    m_hooks.EnableLocalCommands();
    m_hooks.StatusBarInfo(QStringLiteral("Local folder deleted."));
    return removed;
}
