// The local side's list, path box, folder changes and file commands on real temporary folders.
#include <fcntl.h>
#include <sys/stat.h>

#include <QtTest>

#include "ListRows.h"
#include "LocalSide.h"
#include "PathBox.h"
#include "ScriptedDialogs.h"

using namespace Qt::StringLiterals;

namespace {

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

// A local side started as the window does on "Sites" (mixed-case project folders, one hidden, one
// not empty; a file, a dangling link), beside a file. Records the status texts, log lines,
// "enable" for the commands re-evaluated and "read" for each folder read.
struct SideFixture final : LocalSide::Hooks {
    QTemporaryDir tmp;
    QString root = tmp.path() + u"/Sites/"_s;
    QComboBox box;
    QTreeWidget list;
    QStringList events;
    LocalSide side{&box, &list, *this, nullptr};

    SideFixture() {
        list.setColumnCount(2);
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const char* folder : {"My Site", "Old Site/images", "Empty Site", ".Drafts"})
            QVERIFY(QDir().mkpath(root + folder));
        for (const QString& file : {root + "index.html", tmp.path() + "/notes.txt"})
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(root + "gone", root + "Dangling"));
        for (const char* entry : {"Old Site", "Empty Site", ".Drafts", ""})
            setModified(root + entry, QDateTime(QDate(2020, 12, 31), QTime(0, 0)));
        setModified(root + "My Site", QDateTime(QDate(2021, 3, 4), QTime(13, 2, 3)));
        QObject::connect(&side.localPaths(), &LocalPaths::AddToLocalPaths,
                         [this] { events << u"read"_s; });
        side.localPaths().RetrieveLogicalDrives();
        side.setLocalPath(root);
        side.localPaths().RetrieveLocalFolderContents(side.localPath());
        // Started, the projects folder is read once, and nothing more told.
        QCOMPARE(events, QStringList{u"read"_s});
        events.clear();
    }
    void StatusBarInfo(const QString& text) override { events << text; }
    void DisplayMessage(const QString& text) override { events << "log: " + text; }
    void EnableLocalCommands() override { events << u"enable"_s; }

    QTreeWidgetItem* row(const QString& text) const {
        return list.findItems(text, Qt::MatchExactly).value(0);
    }
    // Each step of a scenario, as "verb:argument".
    void run(const QString& step) {
        const QString verb = step.section(u':', 0, 0), arg = step.section(u':', 1);
        QStringList texts;
        if (verb == u"box") {  // the path box's entries, the current one marked
            for (int i = 0; i < box.count(); ++i)
                texts << (i == box.currentIndex() ? "*" : "") + box.itemText(i) + u'=' +
                             pathOfEntry(&box, i);
            events << texts.join(u" | ");
        } else if (verb == u"rows") {  // the list's rows: folders end in "/", then their dates
            for (int i = 0; i < list.topLevelItemCount(); ++i) {
                const QTreeWidgetItem* row = list.topLevelItem(i);
                texts << row->text(0) + (rowKindOf(row) == kFolderRow ? u"/ "_s : u" "_s) +
                             row->text(1);
            }
            texts.sort();
            events << texts.join(u'|');
        } else if (verb == u"has") {
            events << (row(arg) ? arg : "no " + arg);
        } else if (verb == u"select") {
            row(arg)->setSelected(true);
            list.setCurrentItem(row(arg), 0, QItemSelectionModel::NoUpdate);
        } else if (verb == u"index") {
            box.setCurrentIndex(arg.toInt());
        } else if (verb == u"activate") {
            emit box.activated(arg.toInt());
        } else if (verb == u"go") {
            side.ChangeCurrentLocalFolder(arg);
        } else if (verb == u"add") {
            box.addItem(arg.toUpper(), arg);
        } else {  // a slot of the side
            QVERIFY2(QMetaObject::invokeMethod(&side, qPrintable(verb)), qPrintable(step));
        }
    }
};

}  // namespace

class TestLocalSide : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Steps on a fresh side and the answers to its boxes; the boxes shown ("title: text") and
    // what the window was told; entries gone ("-") and made ("+") on disk. "~" stands for the
    // temporary folder, "^" for it upper-cased. Paths are built from the rows' real names; a
    // failed change shows its box, yet the list is reread and the change reported as done.
    void scenarios_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("answers");  // buttons, or "=" and the text typed
        QTest::addColumn<QStringList>("trace");
        QTest::addColumn<QStringList>("changes");
        auto row = [](const char* tag, const QString& steps, const QStringList& answers,
                      const QStringList& trace, const QStringList& changes = {}) {
            QTest::newRow(tag) << steps << answers << trace << changes;
        };
        const QString listed =
            ".DRAFTS/ 12/31/20|Dangling |EMPTY SITE/ 12/31/20|"
            "MY SITE/ 3/4/21 1:02:03 PM|OLD SITE/ 12/31/20";
        // The projects folder stays as configured, is read once and is in the box once, beside
        // the drive. Another spelling of the same path adds nothing, and selecting its entry does
        // not move to the folder the entry named before: on this file system that is another one.
        row("start", "box,rows,index:0,go:^SITES/,box", {},
            {"/=/ | *^SITES/=~Sites/", listed, "Local folder changed to /", "read", "enable",
             "Local folder changed to ^SITES/", "/=/ | *^SITES/=^SITES/"});
        // The entry of the current folder, or a relative path: nothing moves. Up; to the drive by
        // the path box, where up goes no further; back to the projects folder by its upper-cased
        // entry, read by its real path. A folder that cannot be read still becomes current, with
        // an empty list.
        row("moves",
            "activate:1,go:Sites/"
            ",cmdUpLocal_Click,rows,index:0,has:TMP,cmdUpLocal_Click,index:1,rows,add:~notes.txt/,"
            "index:3,rows",
            {"Ok"},
            {"Pictavo Ferrymate [Error]: Cannot read the contents of ~notes.txt/",
             "log: Error while attempting to change current local folder to 'Sites/'. "
             "Description: The path is not absolute.",
             "Could not change current local folder.", "Local folder changed to ~", "read",
             "enable", "SITES/ 12/31/20", "Local folder changed to /", "read", "enable", "TMP",
             "Local path already at root folder.", "Local folder changed to ~Sites/", "read",
             "enable", listed, "Local folder changed to ~notes.txt/", "enable", ""});
        const QString confirm = u"Pictavo Ferrymate [Confirm]: "_s;
        const QString cannot = u"Pictavo Ferrymate [Notice]: Cannot "_s;
        const QString deleting =
            confirm + "Are you sure you want to delete the selected local file(s)?";
        const QString creating =
            u"Pictavo - Ferrymate: Enter the name of the local folder you wish to create."_s;
        const QString renameOld = confirm + "Rename local file ~Sites/Old Site?";
        const QString newNameOld = u"Pictavo - Ferrymate: Enter the new name for ~Sites/Old Site"_s;
        const QString removeOld =
            confirm + "Are you sure you want to delete the local folder 'OLD SITE'?";
        // Declined, nothing changes and nothing is reread.
        row("declined",
            "select:OLD SITE,DeleteSelectedLocalFiles,RenameSelectedLocalFile,"
            "RemoveSelectedLocalFolder",
            {"No", "No", "No"},
            {deleting, renameOld, removeOld, "Local file(s) not deleted.",
             "Local file not renamed.", "Local folder not deleted."});
        // The failing deletion goes first; Cancel on its box stops nothing.
        row("delete a folder and a link", "select:.DRAFTS,select:Dangling,DeleteSelectedLocalFiles",
            {"Yes", "Cancel"},
            {deleting, cannot + "delete ~Sites/.Drafts", "read", "Local file(s) deleted."},
            {"-Dangling"});
        row("rename, no name", "select:OLD SITE,RenameSelectedLocalFile", {"Yes", "="},
            {renameOld, newNameOld, "Local file not renamed."});
        row("rename", "select:OLD SITE,RenameSelectedLocalFile", {"Yes", "=old site 2"},
            {renameOld, newNameOld, "read", "Local file renamed."},
            {"+old site 2", "+old site 2/images", "-Old Site", "-Old Site/images"});
        row("rename onto a folder", "select:OLD SITE,RenameSelectedLocalFile",
            {"Yes", "=My Site", "Ok"},
            {renameOld, newNameOld, cannot + "rename ~Sites/Old Site", "read",
             "Local file renamed."});
        row("create", "CreateNewLocalFolder", {"=New Site"}, {creating, "read"}, {"+New Site"});
        row("create, no name", "CreateNewLocalFolder", {"="}, {creating});
        row("create, existing", "CreateNewLocalFolder", {"=My Site", "Ok"},
            {creating, cannot + "create ~Sites/My Site", "read"});
        row("remove, not empty", "select:OLD SITE,RemoveSelectedLocalFolder", {"Yes", "Cancel"},
            {removeOld, cannot + "remove ~Sites/Old Site", "read", "enable",
             "Local folder deleted."});
        row("remove", "select:EMPTY SITE,RemoveSelectedLocalFolder", {"Yes"},
            {confirm + "Are you sure you want to delete the local folder 'EMPTY SITE'?", "read",
             "enable", "Local folder deleted."},
            {"-Empty Site"});
        // Names that would reach outside the current folder are refused.
        const QString refused =
            u"Pictavo Ferrymate [Notice]: The name \"%1\" cannot be used: a name "
            "must not contain / or \\ and must not be . or .."_s;
        for (const char* name : {"..", "My Site/Escaped"})
            row(qPrintable(u"rename to "_s + name), "select:OLD SITE,RenameSelectedLocalFile",
                {"Yes", u"="_s + name, "Ok"},
                {renameOld, newNameOld, refused.arg(name), "Local file not renamed."});
        row("create ..\\Escaped", "CreateNewLocalFolder", {"=..\\Escaped", "Ok"},
            {creating, refused.arg("..\\Escaped")});
    }

    void scenarios() {
        QFETCH(QString, steps);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, trace);
        QFETCH(QStringList, changes);
        ScriptedDialogs script;
        SideFixture f;
        const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
        for (const QString& answer : answers) {
            if (answer.startsWith(u'='))
                script.answerInput(answer.mid(1));
            else
                script.answer(QMessageBox::StandardButton(buttons.keyToValue(qPrintable(answer))));
        }
        const QStringList before = onDisk(f.root);
        f.list.sortItems(0, Qt::AscendingOrder);
        const QString tmp = f.tmp.path() + u'/';
        for (const QString& step : steps.split(u','))
            f.run(QString(step).replace(u'~', tmp).replace(u'^', tmp.toUpper()));
        QStringList seen;
        for (const ScriptedDialogs::Shown& box : script.shown)
            seen << box.title + ": " + box.text;
        trace.replaceInStrings(u"~"_s, tmp).replaceInStrings(u"^"_s, tmp.toUpper());
        QCOMPARE(seen + f.events, trace);
        const QStringList after = onDisk(f.root);
        QStringList changed;
        for (const QString& entry : before + after)
            if (before.contains(entry) != after.contains(entry))
                changed << (after.contains(entry) ? u'+' : u'-') + entry;
        changed.sort();
        QCOMPARE(changed, changes);
        QCOMPARE(u"%1 unexpected, %2 pending"_s.arg(script.unexpected).arg(script.pending()),
                 u"0 unexpected, 0 pending"_s);
    }
};

QTEST_MAIN(TestLocalSide)
#include "tst_LocalSide.moc"
