// The local side: its list, path box, folder changes and file commands, offscreen on real
// temporary folders, with scripted answers checked against what is on disk.

#include <QLocale>
#include <memory>

#include "LocalSideFixture.h"
#include "PathBox.h"
#include "ScriptedDialogs.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList kStartRows{".DRAFTS", "Dangling", "EMPTY SITE", "MY SITE", "OLD SITE"};
const QString kConfirm = u"Pictavo Ferrymate [Confirm]: "_s;
const QString kPrompt = u"Pictavo - Ferrymate: "_s;
const QString kNotice = u"Pictavo Ferrymate [Notice]: "_s;
const QString kDeleting = kConfirm + "Are you sure you want to delete the selected local file(s)?";
const QString kCreating = kPrompt + "Enter the name of the local folder you wish to create.";

QStringList onDisk(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Every box and prompt shown, as "title: text".
QStringList Shown(const ScriptedDialogs& script) {
    QStringList shown;
    for (const ScriptedDialogs::Shown& box : script.shown)
        shown << box.title + ": " + box.text;
    return shown;
}

}  // namespace

class TestLocalSide : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        script = std::make_unique<ScriptedDialogs>();
        f = std::make_unique<SideFixture>();
    }
    void cleanup() {
        QCOMPARE(script->unexpected, 0);
        QCOMPARE(script->pending(), 0);
        f.reset();
        script.reset();
    }

    void startUpListsTheProjectFolders();
    void movesBetweenFolders();
    void pathBoxHoldsEachFolderOnce();
    void runsTheFileCommands();
    void refusesNamesOutsideTheFolder_data();
    void refusesNamesOutsideTheFolder();

private:
    std::unique_ptr<ScriptedDialogs> script;
    std::unique_ptr<SideFixture> f;
};

void TestLocalSide::startUpListsTheProjectFolders() {
    // The projects folder stays as configured, is read once and is in the box once.
    QCOMPARE(f->side.localPath(), f->root);
    QCOMPARE(f->reads.size(), 1);
    QCOMPARE(f->cboLocalPath.count(), 2);
    QCOMPARE(f->cboLocalPath.itemText(0), u"/"_s);
    QCOMPARE(f->cboLocalPath.currentText(), f->root.toUpper());
    QCOMPARE(pathOfEntry(&f->cboLocalPath, 1), f->root);
    QCOMPARE(f->rowTexts(), kStartRows);
    QVERIFY(f->hooks.status.isEmpty());

    setModified(f->root + "My Site", QDateTime(QDate(2021, 3, 4), QTime(13, 2, 3)));
    setModified(f->root + "Old Site", QDateTime(QDate(2020, 12, 31), QTime(0, 0)));
    f->side.RefreshLocalFileList();
    QCOMPARE(f->rowTexts(), kStartRows);
    const QTreeWidgetItem* mySite = f->row(u"My Site"_s);
    QCOMPARE(rowKindOf(mySite), int(kFolderRow));
    QCOMPARE(mySite->text(1), u"3/4/21 1:02:03 PM"_s);
    QVERIFY(!mySite->icon(0).isNull());
    QCOMPARE(f->row(u"Old Site"_s)->text(1), u"12/31/20"_s);
    QCOMPARE(rowKindOf(f->row(u"Dangling"_s)), int(kFileRow));
    QCOMPARE(f->row(u"Dangling"_s)->text(1), QString());
}

void TestLocalSide::movesBetweenFolders() {
    // The entry of the current folder, or a relative path: nothing moves.
    emit f->cboLocalPath.activated(1);
    QVERIFY(!f->side.ChangeCurrentLocalFolder(u"Sites/"_s));
    QCOMPARE(f->hooks.log, QStringList{"Error while attempting to change current local folder to "
                                       "'Sites/'. Description: The path is not absolute."});
    QCOMPARE(f->side.localPath(), f->root);

    // Up; to the drive by the path box, where up goes no further; back to the projects folder by
    // its upper-cased entry, read by its real path.
    f->side.cmdUpLocal_Click();
    const QString parent = f->tmp.path() + u'/';
    QCOMPARE(f->side.localPath(), parent);
    QCOMPARE(f->rowTexts(), QStringList{"SITES"});
    QCOMPARE(f->cboLocalPath.currentText(), parent.toUpper());
    f->cboLocalPath.setCurrentIndex(0);
    QVERIFY(f->rowTexts().contains(u"TMP"_s));
    const int rows = f->lstLocalFileList.topLevelItemCount();
    f->side.cmdUpLocal_Click();
    QCOMPARE(f->side.localPath(), u"/"_s);
    QCOMPARE(f->lstLocalFileList.topLevelItemCount(), rows);
    f->cboLocalPath.setCurrentIndex(1);
    QCOMPARE(f->side.localPath(), f->root);
    QCOMPARE(f->rowTexts(), kStartRows);
    QCOMPARE(
        f->hooks.status,
        (QStringList{"Could not change current local folder.", "Local folder changed to " + parent,
                     "Local folder changed to /", "Local path already at root folder.",
                     "Local folder changed to " + f->root}));
    QCOMPARE(f->reads.size(), 4);
    QCOMPARE(f->hooks.enables, 3);

    // A folder that cannot be read still becomes current, with an empty list.
    makeFile(f->tmp.path() + "/notes.txt");
    const QString notAFolder = f->tmp.path() + "/notes.txt/";
    f->cboLocalPath.addItem(notAFolder.toUpper(), notAFolder);
    script->answer(QMessageBox::Ok);
    f->cboLocalPath.setCurrentIndex(3);
    QCOMPARE(f->side.localPath(), notAFolder);
    QCOMPARE(f->hooks.status.last(), "Local folder changed to " + notAFolder);
    QCOMPARE(f->lstLocalFileList.topLevelItemCount(), 0);
    QCOMPARE(Shown(*script),
             QStringList{"Pictavo Ferrymate [Error]: Cannot read the contents of " + notAFolder});
    QCOMPARE(f->hooks.enables, 4);
}

void TestLocalSide::pathBoxHoldsEachFolderOnce() {
    // Another spelling of the same path adds nothing, and selecting its entry does not move to
    // the folder the entry named before: on this file system that is another folder.
    f->cboLocalPath.setCurrentIndex(0);
    QVERIFY(IsPathInComboBox(f->root.toLower(), &f->cboLocalPath));
    QVERIFY(f->side.ChangeCurrentLocalFolder(f->root.toUpper()));
    QCOMPARE(f->cboLocalPath.count(), 2);
    QCOMPARE(f->cboLocalPath.currentIndex(), 1);
    QCOMPARE(f->side.localPath(), f->root.toUpper());
    QCOMPARE(f->reads.size(), 2);

    // Plain entries, as the remote side keeps them: the text is the path, spelt as given last.
    QComboBox remote;
    QSignalSpy chosen(&remote, &QComboBox::currentIndexChanged);
    AddPathToComboBox(u"/www/Site"_s, &remote);
    AddPathToComboBox(u"/WWW/site"_s, &remote);
    AddPathToComboBox(u"/www"_s, &remote);
    QCOMPARE(remote.count(), 2);
    QCOMPARE(remote.itemText(0), u"/WWW/site"_s);
    QCOMPARE(pathOfEntry(&remote, 1), u"/www"_s);
    QCOMPARE(remote.currentIndex(), 1);
    QCOMPARE(chosen.size(), 2);
    QVERIFY(!IsPathInComboBox(u"/www/Site/x"_s, &remote));
}

// Paths are built from the rows' real names. Declined, the commands change nothing and reread
// nothing; a failed change shows its box, yet the list is reread and the change reported as
// done, and Cancel on that box stops nothing.
void TestLocalSide::runsTheFileCommands() {
    f->select({"Old Site"});
    script->answer(QMessageBox::No);
    f->side.DeleteSelectedLocalFiles();
    script->answer(QMessageBox::No);
    f->side.RenameSelectedLocalFile();
    script->answer(QMessageBox::Yes).answerInput(QString());
    f->side.RenameSelectedLocalFile();
    script->answerInput(QString());
    f->side.CreateNewLocalFolder();
    script->answer(QMessageBox::No);
    f->side.RemoveSelectedLocalFolder();
    QCOMPARE(f->reads.size(), 1);
    QCOMPARE(script->shown[0].icon, QMessageBox::Question);
    QCOMPARE(script->shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(script->shown[0].defaultButton, QMessageBox::Yes);

    f->select({"My Site"});
    script->answer(QMessageBox::Yes).answerInput(u"my site 2"_s);
    f->side.RenameSelectedLocalFile();
    f->select({"Dangling"});
    script->answer(QMessageBox::Yes).answerInput(u"index.html"_s).answer(QMessageBox::Ok);
    f->side.RenameSelectedLocalFile();
    script->answerInput(u"New Site"_s).answerInput(u"my site 2"_s).answer(QMessageBox::Ok);
    f->side.CreateNewLocalFolder();
    f->side.CreateNewLocalFolder();
    f->select({"Dangling", "my site 2"});
    script->answer(QMessageBox::Yes).answer(QMessageBox::Cancel).answer(QMessageBox::Yes);
    f->side.DeleteSelectedLocalFiles();
    f->side.DeleteSelectedLocalFiles();  // nothing selected after the reread
    f->select({"Old Site"});
    script->answer(QMessageBox::Yes).answer(QMessageBox::Cancel);
    f->side.RemoveSelectedLocalFolder();
    f->select({"Empty Site"});
    script->answer(QMessageBox::Yes);
    f->side.RemoveSelectedLocalFolder();
    // No current row after the reread: nothing to ask about.
    f->side.RenameSelectedLocalFile();
    f->side.RemoveSelectedLocalFolder();

    const QString& root = f->root;
    QCOMPARE(
        Shown(*script),
        (QStringList{kDeleting,
                     kConfirm + "Rename local file " + root + "Old Site?",
                     kConfirm + "Rename local file " + root + "Old Site?",
                     kPrompt + "Enter the new name for " + root + "Old Site",
                     kCreating,
                     kConfirm + "Are you sure you want to delete the local folder 'OLD SITE'?",
                     kConfirm + "Rename local file " + root + "My Site?",
                     kPrompt + "Enter the new name for " + root + "My Site",
                     kConfirm + "Rename local file " + root + "Dangling?",
                     kPrompt + "Enter the new name for " + root + "Dangling",
                     kNotice + "Cannot rename " + root + "Dangling",
                     kCreating,
                     kCreating,
                     kNotice + "Cannot create " + root + "my site 2",
                     kDeleting,
                     kNotice + "Cannot delete " + root + "my site 2",
                     kDeleting,
                     kConfirm + "Are you sure you want to delete the local folder 'OLD SITE'?",
                     kNotice + "Cannot remove " + root + "Old Site",
                     kConfirm + "Are you sure you want to delete the local folder 'EMPTY SITE'?"}));
    QCOMPARE(f->hooks.status,
             (QStringList{
                 "Local file(s) not deleted.", "Local file not renamed.", "Local file not renamed.",
                 "Local folder not deleted.", "Local file renamed.", "Local file renamed.",
                 "Local file(s) deleted.", "Local file(s) deleted.", "Local folder deleted.",
                 "Local folder deleted.", "Local file not renamed.", "Local folder not deleted."}));
    QCOMPARE(onDisk(root), (QStringList{"New Site", "Old Site", "index.html", "my site 2"}));
    QVERIFY(QFileInfo(root + "index.html").isFile());
    QVERIFY(QFileInfo(root + "Old Site/images").isDir());
    QCOMPARE(f->rowTexts(), (QStringList{".DRAFTS", "MY SITE 2", "NEW SITE", "OLD SITE"}));
    QCOMPARE(f->reads.size(), 9);
    QCOMPARE(f->hooks.enables, 2);
}

void TestLocalSide::refusesNamesOutsideTheFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << u".."_s;
    QTest::newRow("self") << u"."_s;
    QTest::newRow("up and over") << u"../Escaped"_s;
    QTest::newRow("into a subfolder") << u"My Site/Escaped"_s;
    QTest::newRow("backslash") << u"..\\Escaped"_s;
}

void TestLocalSide::refusesNamesOutsideTheFolder() {
    QFETCH(QString, name);
    const QStringList outside = onDisk(f->tmp.path());
    const QStringList inside = onDisk(f->root + "My Site");
    const QStringList here = onDisk(f->root);
    f->select({"Empty Site"});
    script->answer(QMessageBox::Yes).answerInput(name).answer(QMessageBox::Ok);
    f->side.RenameSelectedLocalFile();
    script->answerInput(name).answer(QMessageBox::Ok);
    f->side.CreateNewLocalFolder();

    const QString refusal = kNotice + "The name \"" + name +
                            "\" cannot be used: a name must not contain / or \\ and must not be "
                            ". or ..";
    const QStringList shown = Shown(*script);
    QCOMPARE(shown.size(), 5);
    QCOMPARE(shown[2], refusal);
    QCOMPARE(shown[4], refusal);
    QCOMPARE(script->shown[2].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(f->hooks.status, QStringList{"Local file not renamed."});
    QCOMPARE(onDisk(f->tmp.path()), outside);
    QCOMPARE(onDisk(f->root + "My Site"), inside);
    QCOMPARE(onDisk(f->root), here);
    QCOMPARE(f->reads.size(), 1);
}

QTEST_MAIN(TestLocalSide)
#include "tst_LocalSide.moc"
