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

// A local side started as the window does on "Sites" (mixed-case project folders, one hidden, one
// not empty; a file, a dangling link), beside a file. Records each step's boxes ("title: text"),
// then the status texts, log lines, "enable" for the commands re-evaluated and "read" for each
// folder read.
struct SideFixture final : LocalSide::Hooks {
    ScriptedDialogs script;
    QTemporaryDir tmp;
    QString root = tmp.path() + u"/Sites/"_s;
    QComboBox box;
    QTreeWidget list;
    QStringList events, disk;
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
        diskChanges();
        list.sortItems(0, Qt::AscendingOrder);
    }
    void StatusBarInfo(const QString& text) override { events << text; }
    void DisplayMessage(const QString& text) override { events << "log: " + text; }
    void EnableLocalCommands() override { events << u"enable"_s; }

    // Entries gone ("-") and made ("+") in the temporary folder since the last call.
    QStringList diskChanges() {
        QStringList now, changes;
        QDirIterator it(tmp.path(),
                        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            now << QDir(root).relativeFilePath(it.next());
        now.sort();
        for (const QString& entry : disk + now)
            if (disk.contains(entry) != now.contains(entry))
                changes << (now.contains(entry) ? u'+' : u'-') + entry;
        disk = now;
        return changes;
    }
    QTreeWidgetItem* row(const QString& text) const {
        return list.findItems(text, Qt::MatchExactly).value(0);
    }
    // A step of a scenario, "verb:argument"; a button's name or "=" and a text typed answers the
    // next box or prompt.
    void run(const QString& step) {
        const QString verb = step.section(u':', 0, 0), arg = step.section(u':', 1);
        const qsizetype at = events.size(), shown = script.shown.size();
        const int button =
            QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(qPrintable(verb));
        QStringList texts;
        if (verb.startsWith(u'=')) {
            script.answerInput(verb.mid(1));
        } else if (button >= 0) {
            script.answer(QMessageBox::StandardButton(button));
        } else if (verb == u"box") {  // the path box's entries, the current one marked
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
        } else if (verb == u"pick") {  // a path box entry chosen: maybe a new index, then activated
            box.setCurrentIndex(arg.toInt());
            emit box.activated(arg.toInt());
        } else if (verb == u"go") {
            side.ChangeCurrentLocalFolder(arg);
        } else if (verb == u"add") {
            box.addItem(arg.toUpper(), arg);
        } else {  // a slot of the side
            QVERIFY2(QMetaObject::invokeMethod(&side, qPrintable(verb)), qPrintable(step));
        }
        for (qsizetype i = shown; i < script.shown.size(); ++i)
            events.insert(at + i - shown, script.shown[i].title + ": " + script.shown[i].text);
    }
};

}  // namespace

class TestLocalSide : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Steps on a fresh side, what they showed and told, and the entries changed on disk. "~"
    // stands for the temporary folder, "^" for it upper-cased. Paths are built from the rows'
    // real names; a failed change shows its box, yet the list is reread and the change reported
    // as done.
    void scenarios_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("trace");
        QTest::addColumn<QStringList>("changes");
        auto row = [](const char* tag, const QString& steps, const QStringList& trace,
                      const QStringList& changes = {}) {
            QTest::newRow(tag) << steps << trace << changes;
        };
        const QString listed =
            ".DRAFTS/ 12/31/20|Dangling |EMPTY SITE/ 12/31/20|"
            "MY SITE/ 3/4/21 1:02:03 PM|OLD SITE/ 12/31/20";
        // The projects folder stays as configured, is read once and is in the box once, beside
        // the drive. Another spelling of the same path adds nothing, and selecting its entry does
        // not move to the folder the entry named before: on this file system that is another one.
        row("start", "box,rows,pick:0,go:^SITES/,box",
            {"/=/ | *^SITES/=~Sites/", listed, "Local folder changed to /", "read", "enable",
             "Local folder changed to ^SITES/", "/=/ | *^SITES/=^SITES/"});
        // The entry of the current folder, or a relative path: nothing moves. Up; to the drive by
        // the path box, where up goes no further; back to the projects folder by its upper-cased
        // entry, read by its real path. A folder that cannot be read still becomes current, with
        // an empty list.
        row("moves",
            "pick:1,go:Sites/,cmdUpLocal_Click,rows,pick:0,has:TMP,cmdUpLocal_Click,pick:1,rows,"
            "add:~notes.txt/,Ok,pick:3,rows",
            {"log: Error while attempting to change current local folder to 'Sites/'. "
             "Description: The path is not absolute.",
             "Could not change current local folder.", "Local folder changed to ~", "read",
             "enable", "SITES/ 12/31/20", "Local folder changed to /", "read", "enable", "TMP",
             "Local path already at root folder.", "Local folder changed to ~Sites/", "read",
             "enable", listed, "Pictavo Ferrymate [Error]: Cannot read the contents of ~notes.txt/",
             "Local folder changed to ~notes.txt/", "enable", ""});
        const QString confirm = u"Pictavo Ferrymate [Confirm]: "_s;
        const QString cannot = u"Pictavo Ferrymate [Notice]: Cannot "_s;
        const QString refused =
            u"Pictavo Ferrymate [Notice]: The name \"%1\" cannot be used: a name "
            "must not contain / or \\ and must not be . or .."_s;
        // Declined, nothing changes and nothing is reread. The failing deletion goes first;
        // Cancel on its box stops nothing.
        const QString deleting =
            confirm + "Are you sure you want to delete the selected local file(s)?";
        row("delete",
            "select:.DRAFTS,select:Dangling,No,DeleteSelectedLocalFiles,Yes,Cancel,"
            "DeleteSelectedLocalFiles",
            {deleting, "Local file(s) not deleted.", deleting, cannot + "delete ~Sites/.Drafts",
             "read", "Local file(s) deleted."},
            {"-Dangling"});
        // Declined, no name, names that would reach outside the current folder, the name of a
        // folder there; the failure is reread, so the row is selected again.
        const QString renaming = confirm + "Rename local file ~Sites/Old Site?";
        const QString newName = u"Pictavo - Ferrymate: Enter the new name for ~Sites/Old Site"_s;
        const QString no = u"Local file not renamed."_s, renamed = u"Local file renamed."_s;
        row("rename",
            "select:OLD SITE,No,RenameSelectedLocalFile,Yes,=,RenameSelectedLocalFile,Yes,=..,Ok,"
            "RenameSelectedLocalFile,Yes,=My Site/Escaped,Ok,RenameSelectedLocalFile,Yes,=My Site,"
            "Ok,RenameSelectedLocalFile,select:OLD SITE,Yes,=old site 2,RenameSelectedLocalFile",
            QStringList{renaming, no, renaming, newName, no, renaming, newName, refused.arg(".."),
                        no} +
                QStringList{renaming, newName, refused.arg("My Site/Escaped"), no, renaming,
                            newName, cannot + "rename ~Sites/Old Site", "read", renamed, renaming,
                            newName, "read", renamed},
            {"-Old Site", "-Old Site/images", "+old site 2", "+old site 2/images"});
        const QString creating =
            u"Pictavo - Ferrymate: Enter the name of the local folder you wish to create."_s;
        row("create",
            "=,CreateNewLocalFolder,=..\\Escaped,Ok,CreateNewLocalFolder,=My Site,Ok,"
            "CreateNewLocalFolder,=New Site,CreateNewLocalFolder",
            {creating, creating, refused.arg("..\\Escaped"), creating,
             cannot + "create ~Sites/My Site", "read", creating, "read"},
            {"+New Site"});
        const QString removing = confirm + "Are you sure you want to delete the local folder '%1'?";
        row("remove",
            "select:OLD SITE,No,RemoveSelectedLocalFolder,Yes,Cancel,RemoveSelectedLocalFolder,"
            "select:EMPTY SITE,Yes,RemoveSelectedLocalFolder",
            {removing.arg("OLD SITE"), "Local folder not deleted.", removing.arg("OLD SITE"),
             cannot + "remove ~Sites/Old Site", "read", "enable", "Local folder deleted.",
             removing.arg("EMPTY SITE"), "read", "enable", "Local folder deleted."},
            {"-Empty Site"});
    }

    void scenarios() {
        QFETCH(QString, steps);
        QFETCH(QStringList, trace);
        QFETCH(QStringList, changes);
        SideFixture f;
        const QString tmp = f.tmp.path() + u'/';
        for (const QString& step : steps.split(u','))
            f.run(QString(step).replace(u'~', tmp).replace(u'^', tmp.toUpper()));
        trace.replaceInStrings(u"~"_s, tmp).replaceInStrings(u"^"_s, tmp.toUpper());
        QCOMPARE(f.events, trace);
        QCOMPARE(f.diskChanges(), changes);
        QCOMPARE(u"%1 unexpected, %2 pending"_s.arg(f.script.unexpected).arg(f.script.pending()),
                 u"0 unexpected, 0 pending"_s);
    }
};

QTEST_MAIN(TestLocalSide)
#include "tst_LocalSide.moc"
