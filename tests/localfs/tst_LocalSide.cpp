// The local side's list, path box, folder changes and file commands on real temporary folders.
#include <utime.h>

#include <QtTest>

#include "ListRows.h"
#include "LocalSide.h"
#include "PathBox.h"
#include "ScriptedDialogs.h"

using namespace Qt::StringLiterals;

namespace {

// Sets an entry's modification time; works on folders too.
void setModified(const QString& path, const QDateTime& when) {
    const utimbuf times{when.toSecsSinceEpoch(), when.toSecsSinceEpoch()};
    QCOMPARE(utime(QFile::encodeName(path).constData(), &times), 0);
}

// A local side started as the window does on "Sites" (mixed-case project folders, one hidden, one
// not empty; a file, a dangling link) beside a file. Records each folder read ("read", the start's
// too), each step's boxes ("title: text"), status texts, log lines, "enable" for commands enabled.
struct SideFixture final : LocalSide::Hooks {
    ScriptedDialogs script;
    QTemporaryDir tmp;
    QString root = tmp.path() + u"/Sites/"_s;
    QComboBox box;
    QTreeWidget list;
    QStringList events;
    LocalSide side{&box, &list, *this, nullptr};

    SideFixture() {
        list.sortByColumn(0, Qt::AscendingOrder);
        list.setSortingEnabled(true);
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
    }
    void StatusBarInfo(const QString& text) override { events << text; }
    void DisplayMessage(const QString& text) override { events << "log: " + text; }
    void EnableLocalCommands() override { events << u"enable"_s; }

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
            for (const QTreeWidgetItem* row : list.findItems(u"*"_s, Qt::MatchWildcard))
                texts << row->text(0) + (rowKindOf(row) == kFolderRow ? u"/ "_s : u" "_s) +
                             row->text(1);
            events << texts.join(u'|');
        } else if (verb == u"disk") {  // what the projects folder holds
            events << QDir(root)
                          .entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                     QDir::NoDotAndDotDot)
                          .join(u'|');
        } else if (verb == u"select") {
            list.setCurrentItem(list.findItems(arg, Qt::MatchExactly).value(0), 0,
                                QItemSelectionModel::Select);
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

    // Steps on a fresh side and what they showed and told. "~" stands for the temporary folder,
    // "^" for it upper-cased. Paths are built from the rows' real names; a failed change shows its
    // box, yet the list is reread and the change reported as done.
    void scenarios_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("trace");
        auto row = [](const char* tag, const QString& steps, const QStringList& trace) {
            QTest::newRow(tag) << steps << trace;
        };
        // The projects folder stays as configured, read once, in the box once beside the drive.
        // The current folder's entry, or a relative path: nothing moves. Up; to the drive by the
        // path box, where up goes no further; back by the upper-cased entry, read by its real
        // path. A folder that cannot be read still becomes current, with an empty list. Another
        // spelling of the current folder adds no entry: on this file system it is another one.
        row("folders",
            "box,rows,pick:1,go:Sites/,cmdUpLocal_Click,rows,pick:0,cmdUpLocal_Click,pick:1,"
            "add:~notes.txt/,Ok,pick:3,rows,pick:1,go:^SITES/,box",
            QStringList{"read", "/=/ | *^SITES/=~Sites/",
                        ".DRAFTS/ 12/31/20|Dangling |EMPTY SITE/ 12/31/20|"
                        "MY SITE/ 3/4/21 1:02:03 PM|OLD SITE/ 12/31/20",
                        "log: Error while attempting to change current local folder to "
                        "'Sites/'. Description: The path is not absolute.",
                        "Could not change current local folder.", "Local folder changed to ~",
                        "read", "enable", "SITES/ 12/31/20", "Local folder changed to /", "read",
                        "enable", "Local path already at root folder."} +
                QStringList{"Local folder changed to ~Sites/", "read", "enable",
                            "Pictavo Ferrymate [Error]: Cannot read the contents of ~notes.txt/",
                            "Local folder changed to ~notes.txt/", "enable", "",
                            "Local folder changed to ~Sites/", "read", "enable",
                            "Local folder changed to ^SITES/",
                            "/=/ | *^SITES/=^SITES/ | ^=~ | ^NOTES.TXT/=~notes.txt/"});
        // The file commands in turn: each declined, then failing (with a name refused or the
        // failure's box; Cancel on it stops nothing), then done. Declined, nothing is reread; the
        // failing deletion goes first; a failed rename rereads, so its row is selected again.
        const QString confirm = u"Pictavo Ferrymate [Confirm]: "_s;
        const QString cannot = u"Pictavo Ferrymate [Notice]: Cannot "_s;
        const QString refused =
            u"Pictavo Ferrymate [Notice]: The name \"%1\" cannot be used: a name "
            "must not contain / or \\ and must not be . or .."_s;
        const QString deleting =
            confirm + "Are you sure you want to delete the selected local file(s)?";
        const QString removing = confirm + "Are you sure you want to delete the local folder '%1'?";
        const QString creating =
            u"Pictavo - Ferrymate: Enter the name of the local folder you wish to create."_s;
        const QString renaming = confirm + "Rename local file ~Sites/Old Site?";
        const QString newName = u"Pictavo - Ferrymate: Enter the new name for ~Sites/Old Site"_s;
        const QString no = u"Local file not renamed."_s, renamed = u"Local file renamed."_s;
        row("commands",
            "select:.DRAFTS,select:Dangling,No,DeleteSelectedLocalFiles,Yes,Cancel,"
            "DeleteSelectedLocalFiles,select:OLD SITE,No,RemoveSelectedLocalFolder,Yes,Cancel,"
            "RemoveSelectedLocalFolder,select:EMPTY SITE,Yes,RemoveSelectedLocalFolder,"
            "=,CreateNewLocalFolder,=..\\Escaped,Ok,CreateNewLocalFolder,=My Site,Ok,"
            "CreateNewLocalFolder,=New Site,CreateNewLocalFolder,"
            "select:OLD SITE,No,RenameSelectedLocalFile,Yes,=,RenameSelectedLocalFile,Yes,=..,"
            "Ok,RenameSelectedLocalFile,Yes,=My Site/Escaped,Ok,RenameSelectedLocalFile,Yes,"
            "=My Site,Ok,RenameSelectedLocalFile,select:OLD SITE,Yes,=old site 2,"
            "RenameSelectedLocalFile,disk",
            QStringList{"read", deleting, "Local file(s) not deleted.", deleting,
                        cannot + "delete ~Sites/.Drafts", "read", "Local file(s) deleted."} +
                QStringList{removing.arg("OLD SITE"), "Local folder not deleted.",
                            removing.arg("OLD SITE"), cannot + "remove ~Sites/Old Site", "read",
                            "enable", "Local folder deleted.", removing.arg("EMPTY SITE"), "read",
                            "enable", "Local folder deleted."} +
                QStringList{creating, creating, refused.arg("..\\Escaped"), creating,
                            cannot + "create ~Sites/My Site", "read", creating, "read"} +
                QStringList{renaming, no, renaming, newName, no, renaming, newName,
                            refused.arg(".."), no, renaming, newName,
                            refused.arg("My Site/Escaped"), no} +
                QStringList{renaming, newName, cannot + "rename ~Sites/Old Site", "read", renamed,
                            renaming, newName, "read", renamed,
                            ".Drafts|index.html|My Site|New Site|old site 2"});
    }

    void scenarios() {
        QFETCH(QString, steps);
        QFETCH(QStringList, trace);
        SideFixture f;
        const QString tmp = f.tmp.path() + u'/';
        for (const QString& step : steps.split(u','))
            f.run(QString(step).replace(u'~', tmp).replace(u'^', tmp.toUpper()));
        QCOMPARE(f.events,
                 trace.replaceInStrings(u"~"_s, tmp).replaceInStrings(u"^"_s, tmp.toUpper()));
    }
};

QTEST_MAIN(TestLocalSide)
#include "tst_LocalSide.moc"
