// The local side's list, path box, folder changes and file commands on real temporary folders.

#include <fcntl.h>
#include <sys/stat.h>

#include <QDirIterator>
#include <QLocale>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "ListRows.h"
#include "LocalSide.h"
#include "PathBox.h"
#include "ScriptedDialogs.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList kStartRows{".DRAFTS", "Dangling", "EMPTY SITE", "MY SITE", "OLD SITE"};
const QString kDeleting =
    u"Pictavo Ferrymate [Confirm]: Are you sure you want to delete the selected local file(s)?"_s;
const QString kCreating =
    u"Pictavo - Ferrymate: Enter the name of the local folder you wish to create."_s;

void makeFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
}

// Sets an entry's modification time; works on folders too.
void setModified(const QString& path, const QDateTime& when) {
    const timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// Every entry below the folder's parent, relative to the folder.
QStringList onDisk(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder + "..",
                    QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

// A local side started as the window starts it, on a projects folder "Sites" of mixed-case
// project folders (one hidden, one not empty), a file and a dangling link. It records what the
// side tells the window: status texts, log lines, and "enable" for the commands re-evaluated.
struct SideFixture final : LocalSide::Hooks {
    QTemporaryDir tmp;
    QString root = tmp.path() + u"/Sites/"_s;
    QComboBox box;
    QTreeWidget list;
    QStringList events;
    LocalSide side{&box, &list, *this, nullptr};
    QSignalSpy reads{&side.localPaths(), &LocalPaths::AddToLocalPaths};

    SideFixture() {
        list.setColumnCount(2);
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const char* folder : {"My Site", "Old Site/images", "Empty Site", ".Drafts"})
            QVERIFY(QDir().mkpath(root + folder));
        makeFile(root + "index.html");
        QVERIFY(QFile::link(root + "gone", root + "Dangling"));
        side.localPaths().RetrieveLogicalDrives();
        side.setLocalPath(root);
        side.localPaths().RetrieveLocalFolderContents(side.localPath());
    }
    void StatusBarInfo(const QString& text) override { events << text; }
    void DisplayMessage(const QString& text) override { events << "log: " + text; }
    void EnableLocalCommands() override { events << u"enable"_s; }

    QStringList rowTexts() const {
        QStringList texts;
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            texts << list.topLevelItem(i)->text(0);
        texts.sort();
        return texts;
    }

    QTreeWidgetItem* row(const QString& text) const {
        return list.findItems(text, Qt::MatchExactly).value(0);
    }
};

// Every box and prompt shown, as "title: text".
QStringList shown(const ScriptedDialogs& script) {
    QStringList shown;
    for (const ScriptedDialogs::Shown& box : script.shown)
        shown << box.title + ": " + box.text;
    return shown;
}

}  // namespace

class TestLocalSide : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedDialogs> script;
    std::unique_ptr<SideFixture> f;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        script = std::make_unique<ScriptedDialogs>();
        f = std::make_unique<SideFixture>();
    }
    // Reset before the checks: a failed check returns, and a box left unscripted would wait.
    void cleanup() {
        const QString left =
            u"%1 unexpected, %2 pending"_s.arg(script->unexpected).arg(script->pending());
        f.reset();
        script.reset();
        QCOMPARE(left, u"0 unexpected, 0 pending"_s);
    }

    void startUpListsTheProjectFolders() {
        // The projects folder stays as configured, is read once and is in the box once, beside
        // the drive.
        QCOMPARE(f->reads.size(), 1);
        QCOMPARE(f->box.itemText(0), u"/"_s);
        QCOMPARE(f->box.currentText(), f->root.toUpper());
        QCOMPARE(pathOfEntry(&f->box, 1), f->root);
        QCOMPARE(f->rowTexts(), kStartRows);
        QVERIFY(f->events.isEmpty());

        setModified(f->root + "My Site", QDateTime(QDate(2021, 3, 4), QTime(13, 2, 3)));
        setModified(f->root + "Old Site", QDateTime(QDate(2020, 12, 31), QTime(0, 0)));
        f->side.RefreshLocalFileList();
        QCOMPARE(f->row(u"MY SITE"_s)->text(1), u"3/4/21 1:02:03 PM"_s);
        QCOMPARE(f->row(u"OLD SITE"_s)->text(1), u"12/31/20"_s);
        QCOMPARE(rowKindOf(f->row(u"Dangling"_s)), int(kFileRow));
        QCOMPARE(f->row(u"Dangling"_s)->text(1), QString());

        // Another spelling of the same path adds nothing, and selecting its entry does not move
        // to the folder the entry named before: on this file system that is another folder.
        f->box.setCurrentIndex(0);
        QVERIFY(f->side.ChangeCurrentLocalFolder(f->root.toUpper()));
        QCOMPARE(f->box.count(), 2);
        QCOMPARE(f->box.currentIndex(), 1);
        QCOMPARE(pathOfEntry(&f->box, 1), f->root.toUpper());
        QCOMPARE(f->reads.size(), 3);
    }

    void movesBetweenFolders();
    void runsTheFileCommands_data();
    void runsTheFileCommands();
};

void TestLocalSide::movesBetweenFolders() {
    // The entry of the current folder, or a relative path: nothing moves.
    emit f->box.activated(1);
    QVERIFY(!f->side.ChangeCurrentLocalFolder(u"Sites/"_s));

    // Up; to the drive by the path box, where up goes no further; back to the projects folder by
    // its upper-cased entry, read by its real path.
    f->side.cmdUpLocal_Click();
    const QString parent = f->tmp.path() + u'/';
    QCOMPARE(f->rowTexts(), QStringList{"SITES"});
    f->box.setCurrentIndex(0);
    QVERIFY(f->rowTexts().contains(u"TMP"_s));
    f->side.cmdUpLocal_Click();
    f->box.setCurrentIndex(1);
    QCOMPARE(f->rowTexts(), kStartRows);

    // A folder that cannot be read still becomes current, with an empty list.
    makeFile(f->tmp.path() + "/notes.txt");
    const QString notAFolder = f->tmp.path() + "/notes.txt/";
    f->box.addItem(notAFolder.toUpper(), notAFolder);
    script->answer(QMessageBox::Ok);
    f->box.setCurrentIndex(3);
    QCOMPARE(f->list.topLevelItemCount(), 0);
    QCOMPARE(shown(*script),
             QStringList{"Pictavo Ferrymate [Error]: Cannot read the contents of " + notAFolder});
    QCOMPARE(
        f->events,
        (QStringList{"log: Error while attempting to change current local folder to "
                     "'Sites/'. Description: The path is not absolute.",
                     "Could not change current local folder.", "Local folder changed to " + parent,
                     "enable", "Local folder changed to /", "enable",
                     "Local path already at root folder.", "Local folder changed to " + f->root,
                     "enable", "Local folder changed to " + notAFolder, "enable"}));
    QCOMPARE(f->reads.size(), 4);
}

// Paths are built from the rows' real names. Declined, the commands change nothing and reread
// nothing; a failed change shows its box, yet the list is reread and the change reported as
// done, and Cancel on that box stops nothing. A row's first word names the command; "@" in a
// text stands for the projects folder.
void TestLocalSide::runsTheFileCommands_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("answers");  // buttons, or "=" and the text typed
    QTest::addColumn<QStringList>("seen");     // the boxes shown, then what the window was told
    QTest::addColumn<QStringList>("changes");  // entries gone ("-") and made ("+")
    auto row = [](const QByteArray& tag, const QStringList& selected, const QStringList& answers,
                  const QStringList& seen, const QStringList& changes = {}) {
        QTest::newRow(tag.constData()) << selected << answers << seen << changes;
    };
    const QString confirm = u"Pictavo Ferrymate [Confirm]: "_s;
    const QString cannot = u"Pictavo Ferrymate [Notice]: Cannot "_s;
    const QString renameOld = confirm + "Rename local file @Old Site?";
    const QString newNameOld = u"Pictavo - Ferrymate: Enter the new name for @Old Site"_s;
    const QString removeOld =
        confirm + "Are you sure you want to delete the local folder 'OLD SITE'?";
    row("delete declined", {"OLD SITE"}, {"No"}, {kDeleting, "Local file(s) not deleted."});
    row("delete a folder and a link", {".DRAFTS", "Dangling"}, {"Yes", "Cancel"},
        {kDeleting, cannot + "delete @.Drafts", "Local file(s) deleted."}, {"-Dangling"});
    row("rename declined", {"OLD SITE"}, {"No"}, {renameOld, "Local file not renamed."});
    row("rename, no name", {"OLD SITE"}, {"Yes", "="},
        {renameOld, newNameOld, "Local file not renamed."});
    row("rename", {"OLD SITE"}, {"Yes", "=old site 2"},
        {renameOld, newNameOld, "Local file renamed."},
        {"+old site 2", "+old site 2/images", "-Old Site", "-Old Site/images"});
    row("rename onto a folder", {"OLD SITE"}, {"Yes", "=My Site", "Ok"},
        {renameOld, newNameOld, cannot + "rename @Old Site", "Local file renamed."});
    row("create", {}, {"=New Site"}, {kCreating}, {"+New Site"});
    row("create, no name", {}, {"="}, {kCreating});
    row("create, existing", {}, {"=My Site", "Ok"}, {kCreating, cannot + "create @My Site"});
    row("remove declined", {"OLD SITE"}, {"No"}, {removeOld, "Local folder not deleted."});
    row("remove, not empty", {"OLD SITE"}, {"Yes", "Cancel"},
        {removeOld, cannot + "remove @Old Site", "enable", "Local folder deleted."});
    row("remove", {"EMPTY SITE"}, {"Yes"},
        {confirm + "Are you sure you want to delete the local folder 'EMPTY SITE'?", "enable",
         "Local folder deleted."},
        {"-Empty Site"});
    // Names that would reach outside the current folder are refused.
    const QString refused =
        u"Pictavo Ferrymate [Notice]: The name \"%1\" cannot be used: a name "
        "must not contain / or \\ and must not be . or .."_s;
    for (const char* name : {"..", "My Site/Escaped"})
        row(QByteArray("rename to ") + name, {"OLD SITE"}, {"Yes", u"="_s + name, "Ok"},
            {renameOld, newNameOld, refused.arg(name), "Local file not renamed."});
    row("create ..\\Escaped", {}, {"=..\\Escaped", "Ok"}, {kCreating, refused.arg("..\\Escaped")});
}

void TestLocalSide::runsTheFileCommands() {
    QFETCH(QStringList, selected);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, seen);
    QFETCH(QStringList, changes);
    const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
    for (const QString& answer : answers) {
        if (answer.startsWith(u'='))
            script->answerInput(answer.mid(1));
        else
            script->answer(QMessageBox::StandardButton(buttons.keyToValue(qPrintable(answer))));
    }
    const QStringList before = onDisk(f->root);
    f->list.sortItems(0, Qt::AscendingOrder);  // the failing deletion goes first
    for (const QString& text : selected) {
        f->row(text)->setSelected(true);
        f->list.setCurrentItem(f->row(text), 0, QItemSelectionModel::NoUpdate);
    }
    const QMap<QString, bool (LocalSide::*)()> commands{
        {"delete", &LocalSide::DeleteSelectedLocalFiles},
        {"rename", &LocalSide::RenameSelectedLocalFile},
        {"create", &LocalSide::CreateNewLocalFolder},
        {"remove", &LocalSide::RemoveSelectedLocalFolder}};
    (f->side.*commands.value(QString(QTest::currentDataTag()).section(u' ', 0, 0).remove(u',')))();

    QCOMPARE(::shown(*script) + f->events, seen.replaceInStrings(u"@"_s, f->root));
    const QStringList after = onDisk(f->root);
    QStringList changed;
    for (const QString& entry : before + after)
        if (before.contains(entry) != after.contains(entry))
            changed << (after.contains(entry) ? u'+' : u'-') + entry;
    changed.sort();
    QCOMPARE(changed, changes);
    // Whatever was tried, the list shows the folder as it now is.
    const bool tried = changes.size() || seen.filter(u"[Notice]: Cannot"_s).size();
    QCOMPARE(f->reads.size(), tried ? 2 : 1);
}

QTEST_MAIN(TestLocalSide)
#include "tst_LocalSide.moc"
