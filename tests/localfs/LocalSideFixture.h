#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "ListRows.h"
#include "LocalSide.h"

inline void makeFolder(const QString& path) {
    QVERIFY(QDir().mkpath(path));
}

inline void makeFile(const QString& path, const QByteArray& content = "x") {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
}

// Sets an entry's modification time; works on folders too.
inline void setModified(const QString& path, const QDateTime& when) {
    const timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct RecordingHooks final : LocalSide::Hooks {
    QStringList status;
    QStringList log;
    int enables = 0;
    void StatusBarInfo(const QString& text) override { status << text; }
    void DisplayMessage(const QString& text) override { log << text; }
    void EnableLocalCommands() override { ++enables; }
};

// A local side started as the window starts it, on a projects folder "Sites" of mixed-case
// project folders (one hidden, one not empty), a file and a dangling link.
struct SideFixture {
    QTemporaryDir tmp;
    QString root = tmp.path() + QStringLiteral("/Sites/");
    QComboBox cboLocalPath;
    QTreeWidget lstLocalFileList;
    RecordingHooks hooks;
    LocalSide side{&cboLocalPath, &lstLocalFileList, hooks, nullptr};
    QSignalSpy reads{&side.localPaths(), &LocalPaths::AddToLocalPaths};

    SideFixture() {
        lstLocalFileList.setColumnCount(2);
        lstLocalFileList.setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const char* folder : {"My Site", "Old Site/images", "Empty Site", ".Drafts"})
            makeFolder(root + folder);
        makeFile(root + "index.html");
        QVERIFY(QFile::link(root + "gone", root + "Dangling"));
        side.localPaths().RetrieveLogicalDrives();
        side.setLocalPath(root);
        side.localPaths().RetrieveLocalFolderContents(side.localPath());
    }

    QStringList rowTexts() const {
        QStringList texts;
        for (int i = 0; i < lstLocalFileList.topLevelItemCount(); ++i)
            texts << lstLocalFileList.topLevelItem(i)->text(0);
        texts.sort();
        return texts;
    }

    QTreeWidgetItem* row(const QString& realName) const {
        for (int i = 0; i < lstLocalFileList.topLevelItemCount(); ++i)
            if (rowNameOf(lstLocalFileList.topLevelItem(i)) == realName)
                return lstLocalFileList.topLevelItem(i);
        return nullptr;
    }

    // Selects rows by their real names; the last becomes the current row.
    void select(const QStringList& realNames) {
        lstLocalFileList.clearSelection();
        for (const QString& name : realNames) {
            QTreeWidgetItem* item = row(name);
            QVERIFY2(item, qPrintable(name));
            item->setSelected(true);
            lstLocalFileList.setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        }
    }
};
