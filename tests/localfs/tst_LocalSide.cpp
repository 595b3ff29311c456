// The local side's list, path box, folder changes and file commands on real temporary folders.
#include <utime.h>

#include <QtTest>

#include "ListRows.h"
#include "LocalSide.h"
#include "PathBox.h"
#include "ScriptedDialogs.h"

using namespace Qt::StringLiterals;

namespace {

// A local side started on "Sites" (project folders, one hidden, one not empty; a file, a dangling
// link) beside a file. Records folders read, boxes, status texts, log lines, commands enabled.
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
        for (const char* entry : {"Old Site", "Empty Site", ".Drafts", "My Site"}) {
            const QDateTime when = *entry == 'M' ? QDateTime(QDate(2021, 3, 4), QTime(13, 2, 3))
                                                 : QDateTime(QDate(2020, 12, 31), QTime(0, 0));
            const utimbuf times{when.toSecsSinceEpoch(), when.toSecsSinceEpoch()};
            QCOMPARE(utime(QFile::encodeName(root + entry).constData(), &times), 0);
        }
        QObject::connect(&side.localPaths(), &LocalPaths::AddToLocalPaths,
                         [this] { events << u"read"_s; });
        side.localPaths().RetrieveLogicalDrives();
        side.setLocalPath(root);
        side.localPaths().RetrieveLocalFolderContents(side.localPath());
    }
    void StatusBarInfo(const QString& text) override { events << text; }
    void DisplayMessage(const QString& text) override { events << "log: " + text; }
    void EnableLocalCommands() override { events << u"enable"_s; }

    // Runs the steps and compares what they showed and told ("~": the temporary folder, "^": same).
    void check(const QString& steps, QString trace) {
        const QString dir = tmp.path() + u'/';
        for (const QString& step : steps.split(u','))
            run(QString(step).replace(u'~', dir).replace(u'^', dir.toUpper()));
        QCOMPARE(events.join(u'\n'), trace.replace(u'~', dir).replace(u'^', dir.toUpper()));
    }

    // A step, "verb:argument"; a button's name or "=" and a text answers the next box or prompt.
    void run(const QString& step) {
        const QString verb = step.section(u':', 0, 0), arg = step.section(u':', 1);
        const qsizetype at = events.size(), shown = script.shown.size();
        const int button =
            QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(qPrintable(verb));
        QStringList texts;
        if (verb.startsWith(u'='))
            script.answerInput(verb.mid(1));
        else if (button >= 0)
            script.answer(QMessageBox::StandardButton(button));
        else if (verb == u"box")  // the path box's entries, the current one marked
            for (int i = 0; i < box.count(); ++i)
                texts << (i == box.currentIndex() ? "*" : "") + box.itemText(i) + u'=' +
                             pathOfEntry(&box, i);
        else if (verb == u"rows")  // the list's rows: folders end in "/", then their dates
            for (const QTreeWidgetItem* row : list.findItems(u"*"_s, Qt::MatchWildcard))
                texts << row->text(0) + (rowKindOf(row) == kFolderRow ? "/ " : " ") + row->text(1);
        else if (verb == u"disk")  // what the projects folder holds
            texts = QDir(root).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                         QDir::NoDotAndDotDot);
        else if (verb == u"select")
            list.setCurrentItem(list.findItems(arg, Qt::MatchExactly).value(0), 0,
                                QItemSelectionModel::Select);
        else if (verb == u"pick") {  // a path box entry chosen: maybe a new index, then activated
            box.setCurrentIndex(arg.toInt());
            emit box.activated(arg.toInt());
        } else if (verb == u"go")
            side.ChangeCurrentLocalFolder(arg);
        else if (verb == u"add")
            box.addItem(arg.toUpper(), arg);
        else  // a slot of the side
            QVERIFY2(QMetaObject::invokeMethod(&side, qPrintable(verb)), qPrintable(step));
        if (verb == u"box" || verb == u"rows" || verb == u"disk")
            events << texts.join(u'|');
        for (qsizetype i = shown; i < script.shown.size(); ++i)
            events.insert(at + i - shown, script.shown[i].title + ": " + script.shown[i].text);
    }
};

}  // namespace

class TestLocalSide : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void foldersAndCommands() {
        // A relative path: nothing moves. Up; to the drive, where up stops; back by the upper-cased
        // entry. A folder that cannot be read still becomes current; another spelling is another.
        // Then each file command declined (nothing reread), failing (a name refused, or a box
        // whose Cancel stops nothing; reread and reported as done), then done.
        const QString confirm = u"\nPictavo Ferrymate [Confirm]: "_s;
        const QString cannot = u"\nPictavo Ferrymate [Notice]: Cannot "_s;
        const QString refused =
            u"\nPictavo Ferrymate [Notice]: The name \"%1\" cannot be used: a name "
            "must not contain / or \\ and must not be . or .."_s;
        const QString deleting =
            confirm + "Are you sure you want to delete the selected local file(s)?";
        const QString removing = confirm + "Are you sure you want to delete the local folder '%1'?";
        const QString creating =
            u"\nPictavo - Ferrymate: Enter the name of the local folder you wish to create."_s;
        const QString renaming = confirm + "Rename local file ~Sites/Old Site?";
        const QString newName = u"\nPictavo - Ferrymate: Enter the new name for ~Sites/Old Site"_s;
        SideFixture().check(
            u"rows,pick:1,go:Sites/,cmdUpLocal_Click,pick:0,cmdUpLocal_Click,pick:1,"
            "add:~notes.txt/,Ok,pick:3,rows,pick:1,go:^SITES/,box,go:~Sites/,select:.DRAFTS,"
            "select:Dangling,No,DeleteSelectedLocalFiles,Yes,Cancel,DeleteSelectedLocalFiles,"
            "select:OLD SITE,No,RemoveSelectedLocalFolder,Yes,Cancel,RemoveSelectedLocalFolder,"
            "select:EMPTY SITE,Yes,RemoveSelectedLocalFolder,=,CreateNewLocalFolder,=..\\Escaped,"
            "Ok,CreateNewLocalFolder,=My Site,Ok,CreateNewLocalFolder,=New Site,"
            "CreateNewLocalFolder,select:OLD SITE,No,RenameSelectedLocalFile,Yes,=My Site/Escaped,"
            "Ok,RenameSelectedLocalFile,Yes,=My Site,Ok,RenameSelectedLocalFile,select:OLD SITE,"
            "Yes,=old site 2,RenameSelectedLocalFile,disk"_s,
            u"read\n.DRAFTS/ 12/31/20|Dangling |EMPTY SITE/ 12/31/20|MY SITE/ 3/4/21 1:02:03 PM|"
            "OLD SITE/ 12/31/20\nlog: Error while attempting to change current local folder to "
            "'Sites/'. Description: The path is not absolute.\n"
            "Could not change current local folder.\nLocal folder changed to ~\nread\nenable\n"
            "Local folder changed to /\nread\nenable\nLocal path already at root folder.\n"
            "Local folder changed to ~Sites/\nread\nenable\n"
            "Pictavo Ferrymate [Error]: Cannot read the contents of ~notes.txt/\n"
            "Local folder changed to ~notes.txt/\nenable\n\nLocal folder changed to ~Sites/\n"
            "read\nenable\nLocal folder changed to ^SITES/\n"
            "/=/|*^SITES/=^SITES/|^=~|^NOTES.TXT/=~notes.txt/\nLocal folder changed to ~Sites/"_s +
                deleting + "\nLocal file(s) not deleted." + deleting + cannot +
                "delete ~Sites/.Drafts\nread\nLocal file(s) deleted." + removing.arg("OLD SITE") +
                "\nLocal folder not deleted." + removing.arg("OLD SITE") + cannot +
                "remove ~Sites/Old Site\nread\nenable\nLocal folder deleted." +
                removing.arg("EMPTY SITE") + "\nread\nenable\nLocal folder deleted." + creating +
                creating + refused.arg("..\\Escaped") + creating + cannot +
                "create ~Sites/My Site\nread" + creating + "\nread" + renaming +
                "\nLocal file not renamed." + renaming + newName + refused.arg("My Site/Escaped") +
                "\nLocal file not renamed." + renaming + newName + cannot +
                "rename ~Sites/Old Site\nread\nLocal file renamed." + renaming + newName +
                "\nread\nLocal file renamed.\n.Drafts|index.html|My Site|New Site|old site 2");
    }
};

QTEST_MAIN(TestLocalSide)
#include "tst_LocalSide.moc"
