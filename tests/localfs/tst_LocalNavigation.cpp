// The local side's list, path box and folder changes, offscreen, on real temporary folders.

#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "LocalSideFixture.h"
#include "PathBox.h"
#include "ScriptedDialogs.h"

class TestLocalNavigation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { script = std::make_unique<ScriptedDialogs>(); }
    void cleanup() {
        QCOMPARE(script->unexpected, 0);
        script.reset();
    }

    void startUpListsMixedCaseProjectsOnce();
    void showsNoRowsForFiles();
    void choosesFoldersFromThePathBox();
    void holdsEachFolderOnceWhateverTheCase();
    void goesUpToTheParentFolder();
    void refusesARelativeFolder();

private:
    std::unique_ptr<ScriptedDialogs> script;
};

void TestLocalNavigation::startUpListsMixedCaseProjectsOnce() {
    SideFixture f;
    MakeFolder(f.root + QStringLiteral("My Site"));
    MakeFolder(f.root + QStringLiteral("Old Site"));
    MakeFolder(f.root + QStringLiteral(".Drafts"));
    MakeFile(f.root + QStringLiteral("index.html"));
    QVERIFY(QFile::link(f.root + QStringLiteral("gone"), f.root + QStringLiteral("Dangling")));
    SetModified(f.root + QStringLiteral("My Site"), QDateTime(QDate(2021, 3, 4), QTime(13, 2, 3)));
    SetModified(f.root + QStringLiteral("Old Site"), QDateTime(QDate(2020, 12, 31), QTime(0, 0)));

    f.StartUp();

    // The projects folder stays as configured, is read once and is in the box once.
    QCOMPARE(f.side.LocalPath(), f.root);
    QCOMPARE(f.reads.size(), 1);
    QCOMPARE(f.BoxTexts(), (QStringList{"/", f.root.toUpper()}));
    QCOMPARE(f.cboLocalPath.currentIndex(), 1);
    QCOMPARE(PathOfEntry(&f.cboLocalPath, 1), f.root);
    QCOMPARE(f.RowTexts(), (QStringList{".DRAFTS", "Dangling", "MY SITE", "OLD SITE"}));

    const QTreeWidgetItem* mySite = f.Row(QStringLiteral("My Site"));
    QCOMPARE(mySite->text(0), QStringLiteral("MY SITE"));
    QCOMPARE(RowKindOf(mySite), int(kFolderRow));
    QCOMPARE(mySite->text(1), QStringLiteral("3/4/21 1:02:03 PM"));
    QVERIFY(!mySite->icon(0).isNull());
    QCOMPARE(f.Row(QStringLiteral("Old Site"))->text(1), QStringLiteral("12/31/20"));
    const QTreeWidgetItem* dangling = f.Row(QStringLiteral("Dangling"));
    QCOMPARE(RowKindOf(dangling), int(kFileRow));
    QCOMPARE(dangling->text(1), QString());
    QVERIFY(f.hooks.status.isEmpty());
    QVERIFY(script->shown.isEmpty());
}

void TestLocalNavigation::showsNoRowsForFiles() {
    SideFixture f;
    MakeFolder(f.root);
    f.StartUp();
    QCOMPARE(f.lstLocalFileList.topLevelItemCount(), 0);

    MakeFile(f.root + QStringLiteral("index.html"));
    MakeFile(f.root + QStringLiteral(".hidden"));
    f.side.RefreshLocalFileList();
    QCOMPARE(f.lstLocalFileList.topLevelItemCount(), 0);
    QCOMPARE(f.reads.size(), 2);
}

void TestLocalNavigation::choosesFoldersFromThePathBox() {
    SideFixture f;
    MakeFolder(f.root + QStringLiteral("My Site"));
    f.StartUp();

    // The entry of the current folder: nothing happens.
    f.cboLocalPath.setCurrentIndex(1);
    emit f.cboLocalPath.activated(1);
    QCOMPARE(f.reads.size(), 1);
    QVERIFY(f.hooks.status.isEmpty());

    f.cboLocalPath.setCurrentIndex(0);
    QCOMPARE(f.side.LocalPath(), QStringLiteral("/"));
    QCOMPARE(f.hooks.status, QStringList{"Local folder changed to /"});
    QCOMPARE(f.hooks.enables, 1);
    QVERIFY(f.Row(QStringLiteral("tmp")));
    QCOMPARE(f.Row(QStringLiteral("tmp"))->text(0), QStringLiteral("TMP"));

    // Back by the upper-cased entry, read by its real path.
    f.cboLocalPath.setCurrentIndex(1);
    QCOMPARE(f.side.LocalPath(), f.root);
    QCOMPARE(f.RowTexts(), QStringList{"MY SITE"});
    QCOMPARE(f.cboLocalPath.count(), 2);

    // A folder that cannot be read still becomes current, with an empty list.
    MakeFile(f.tmp.path() + QStringLiteral("/notes.txt"));
    const QString notAFolder = f.tmp.path() + QStringLiteral("/notes.txt/");
    f.cboLocalPath.addItem(notAFolder.toUpper(), notAFolder);
    f.hooks.status.clear();
    script->answer(QMessageBox::Ok);
    f.cboLocalPath.setCurrentIndex(2);
    QCOMPARE(f.side.LocalPath(), notAFolder);
    QCOMPARE(f.hooks.status, QStringList{"Local folder changed to " + notAFolder});
    QCOMPARE(f.lstLocalFileList.topLevelItemCount(), 0);
    QCOMPARE(script->messageTexts(), QStringList{"Cannot read the contents of " + notAFolder});
    QCOMPARE(script->shown.first().title, QStringLiteral("Pictavo Ferrymate [Error]"));
    QCOMPARE(f.hooks.enables, 3);
}

void TestLocalNavigation::holdsEachFolderOnceWhateverTheCase() {
    SideFixture f;
    MakeFolder(f.root + QStringLiteral("My Site"));
    f.StartUp();
    f.side.RefreshLocalFileList();
    QCOMPARE(f.cboLocalPath.count(), 2);

    // Another spelling of the same path adds nothing, and showing its entry does not move to
    // the entry's folder: on this file system it is another folder.
    f.cboLocalPath.setCurrentIndex(0);
    const int reads = int(f.reads.size());
    QVERIFY(IsPathInComboBox(f.root.toLower(), &f.cboLocalPath));
    QVERIFY(f.side.ChangeCurrentLocalFolder(f.root.toUpper()));
    QCOMPARE(f.cboLocalPath.count(), 2);
    QCOMPARE(f.cboLocalPath.currentIndex(), 1);
    QCOMPARE(f.side.LocalPath(), f.root.toUpper());
    QCOMPARE(f.reads.size(), reads);

    // Plain entries, as the remote side keeps them: the text is the path.
    QComboBox remote;
    QSignalSpy chosen(&remote, &QComboBox::currentIndexChanged);
    AddPathToComboBox(QStringLiteral("/www/Site"), &remote);
    AddPathToComboBox(QStringLiteral("/WWW/site"), &remote);
    AddPathToComboBox(QStringLiteral("/www"), &remote);
    QCOMPARE(remote.count(), 2);
    // The entry shows the spelling given last: that is the folder it names now.
    QCOMPARE(remote.itemText(0), QStringLiteral("/WWW/site"));
    QCOMPARE(PathOfEntry(&remote, 1), QStringLiteral("/www"));
    QCOMPARE(remote.currentIndex(), 1);
    QCOMPARE(chosen.size(), 2);
    QVERIFY(!IsPathInComboBox(QStringLiteral("/www/Site/x"), &remote));
}

void TestLocalNavigation::goesUpToTheParentFolder() {
    SideFixture f;
    MakeFolder(f.root + QStringLiteral("My Site/Pages"));
    f.root += QStringLiteral("My Site/");
    f.StartUp();
    QCOMPARE(f.RowTexts(), QStringList{"PAGES"});

    f.side.cmdUpLocal_Click();
    const QString sites = f.tmp.path() + QStringLiteral("/Sites/");
    QCOMPARE(f.side.LocalPath(), sites);
    QCOMPARE(f.hooks.status, QStringList{"Local folder changed to " + sites});
    QCOMPARE(f.RowTexts(), QStringList{"MY SITE"});
    QCOMPARE(f.hooks.enables, 1);
    QCOMPARE(f.cboLocalPath.itemText(f.cboLocalPath.currentIndex()), sites.toUpper());

    f.cboLocalPath.setCurrentIndex(0);
    f.hooks.status.clear();
    const int rows = f.lstLocalFileList.topLevelItemCount();
    const int reads = int(f.reads.size());
    f.side.cmdUpLocal_Click();
    QCOMPARE(f.hooks.status, QStringList{"Local path already at root folder."});
    QCOMPARE(f.side.LocalPath(), QStringLiteral("/"));
    QCOMPARE(f.lstLocalFileList.topLevelItemCount(), rows);
    QCOMPARE(f.reads.size(), reads);
}

void TestLocalNavigation::refusesARelativeFolder() {
    SideFixture f;
    MakeFolder(f.root);
    f.StartUp();
    QVERIFY(!f.side.ChangeCurrentLocalFolder(QStringLiteral("Sites/")));
    QCOMPARE(f.side.LocalPath(), f.root);
    QCOMPARE(f.hooks.log, QStringList{"Error while attempting to change current local folder to "
                                      "'Sites/'. Description: The path is not absolute."});
    QCOMPARE(f.hooks.status, QStringList{"Could not change current local folder."});
    QCOMPARE(f.cboLocalPath.count(), 2);
}

QTEST_MAIN(TestLocalNavigation)
#include "tst_LocalNavigation.moc"
