#pragma once

#include <QComboBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTreeWidget>

#include "LocalPaths.h"

// The local side of the transfer window: the current local folder, its subfolders in the local
// list, the path box of drives and folders read, and the commands that change the current folder.
//
// Folder rows show upper-cased names and the path box upper-cased paths, for display only: every
// path is built from a row's real name (NameRole) and the real current folder, so the side works
// on case-sensitive file systems. Folder paths end with "/".
class LocalSide : public QObject {
    Q_OBJECT
public:
    // What the side needs from the window that holds it.
    struct Hooks {
        virtual ~Hooks() = default;
        virtual void StatusBarInfo(const QString&) = 0;
        virtual void DisplayMessage(const QString&) = 0;
        virtual void EnableLocalCommands() = 0;
    };

    LocalSide(QComboBox* cboLocalPath, QTreeWidget* lstLocalFileList, LocalSide::Hooks& hooks,
              QWidget* dialogParent, QObject* parent = nullptr);

    LocalPaths& localPaths() { return m_xLocalPaths; }
    QString localPath() const { return m_sLocalPath; }
    // The start folder, before its first read; a missing trailing "/" is added.
    void setLocalPath(const QString& path);

    // Makes a folder current and shows it in the path box and status line; reads nothing. Refuses
    // a path that is not absolute.
    bool ChangeCurrentLocalFolder(const QString& sNewLocalPath);
    void ClearLocalFileList();
    void RefreshLocalFileList();

public slots:
    void cboLocalPath_Click();
    void cmdUpLocal_Click();
    // The local file commands; each returns true when its change was made (every selected file
    // deleted), false when it was refused, cancelled or failed.
    bool DeleteSelectedLocalFiles();
    bool RenameSelectedLocalFile();
    bool CreateNewLocalFolder();
    bool RemoveSelectedLocalFolder();

private slots:
    void m_xLocalPaths_UpdateLocalEntry(const QString& sName, const QDateTime& dtDate, qint64 lSize,
                                        int nAttrib);
    void m_xLocalPaths_AddToLocalPaths(const QString& sPathToAdd);
    void m_xLocalPaths_LogicalDriveFound(const QString& sDriveToAdd);

private:
    bool hasControls() const { return m_cboLocalPath && m_lstLocalFileList; }
    // Lists the folder just made current and re-evaluates the commands.
    void showNewFolder();
    // A name typed for an entry of the current folder; refused with a notice when it would name
    // something elsewhere.
    bool isAcceptableName(const QString& name);

    QPointer<QComboBox> m_cboLocalPath;
    QPointer<QTreeWidget> m_lstLocalFileList;
    Hooks& m_hooks;
    QPointer<QWidget> m_dialogParent;
    LocalPaths m_xLocalPaths;
    QString m_sLocalPath;
};
