// The local file commands with scripted answers, checked against what is on disk.

#include <QTest>
#include <memory>

#include "LocalSideFixture.h"
#include "ScriptedDialogs.h"

namespace {

const QString kConfirm = QStringLiteral("Pictavo Ferrymate [Confirm]");
const QString kNotice = QStringLiteral("Pictavo Ferrymate [Notice]");
const QString kPrompt = QStringLiteral("Pictavo - Ferrymate");

QStringList OnDisk(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

void Select(SideFixture& f, const QStringList& realNames) {
    f.lstLocalFileList.clearSelection();
    for (const QString& name : realNames) {
        QTreeWidgetItem* row = f.Row(name);
        QVERIFY2(row, qPrintable(name));
        row->setSelected(true);
        f.lstLocalFileList.setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
    }
}

}  // namespace

class TestLocalCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deletesTheSelectedEntries();
    void renamesTheCurrentEntry();
    void createsAFolder();
    void removesTheCurrentFolder();
    void refusesNamesOutsideTheFolder_data();
    void refusesNamesOutsideTheFolder();

private:
    std::unique_ptr<ScriptedDialogs> script;
    std::unique_ptr<SideFixture> f;
};

void TestLocalCommands::init() {
    script = std::make_unique<ScriptedDialogs>();
    f = std::make_unique<SideFixture>();
    MakeFolder(f->root + QStringLiteral("My Site"));
    MakeFolder(f->root + QStringLiteral("Old Site/images"));
    MakeFolder(f->root + QStringLiteral("Empty Site"));
    MakeFile(f->root + QStringLiteral("index.html"));
    QVERIFY(QFile::link(f->root + QStringLiteral("gone"), f->root + QStringLiteral("Dangling")));
    f->StartUp();
    QCOMPARE(f->RowTexts(), (QStringList{"Dangling", "EMPTY SITE", "MY SITE", "OLD SITE"}));
}

void TestLocalCommands::cleanup() {
    QCOMPARE(script->unexpected, 0);
    QCOMPARE(script->pending(), 0);
    f.reset();
    script.reset();
}

void TestLocalCommands::deletesTheSelectedEntries() {
    const QStringList before = OnDisk(f->root);
    const QString question =
        QStringLiteral("Are you sure you want to delete the selected local file(s)?");

    Select(*f, {"Dangling", "My Site"});
    script->answer(QMessageBox::No);
    f->side.DeleteSelectedLocalFiles();
    QCOMPARE(f->hooks.status, QStringList{"Local file(s) not deleted."});
    QCOMPARE(OnDisk(f->root), before);
    QCOMPARE(f->lstLocalFileList.selectedItems().size(), 2);
    QCOMPARE(f->reads.size(), 1);
    const ScriptedDialogs::Shown asked = script->shown.first();
    QCOMPARE(asked.title, kConfirm);
    QCOMPARE(asked.text, question);
    QCOMPARE(asked.icon, QMessageBox::Question);
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(asked.defaultButton, QMessageBox::Yes);

    // The folder row cannot be deleted as a file; Cancel on its box does not stop the walk.
    Select(*f, {"My Site", "Dangling"});
    script->shown.clear();
    script->answer(QMessageBox::Yes).answer(QMessageBox::Cancel);
    f->side.DeleteSelectedLocalFiles();
    QCOMPARE(script->messageTexts(),
             (QStringList{question, "Cannot delete " + f->root + "My Site"}));
    QCOMPARE(script->shown.last().title, kNotice);
    QCOMPARE(f->hooks.status.last(), QStringLiteral("Local file(s) deleted."));
    QVERIFY(!OnDisk(f->root).contains("Dangling"));
    QVERIFY(QFileInfo(f->root + "My Site").isDir());
    QCOMPARE(f->RowTexts(), (QStringList{"EMPTY SITE", "MY SITE", "OLD SITE"}));

    // Nothing selected: asked, nothing deleted, yet reread and reported.
    f->lstLocalFileList.clearSelection();
    const int reads = int(f->reads.size());
    script->answer(QMessageBox::Yes);
    f->side.DeleteSelectedLocalFiles();
    QCOMPARE(f->reads.size(), reads + 1);
    QCOMPARE(f->hooks.status.last(), QStringLiteral("Local file(s) deleted."));
    QCOMPARE(OnDisk(f->root), (QStringList{"Empty Site", "My Site", "Old Site", "index.html"}));
}

void TestLocalCommands::renamesTheCurrentEntry() {
    const QString path = f->root + QStringLiteral("My Site");
    const QStringList before = OnDisk(f->root);
    Select(*f, {"My Site"});

    script->answer(QMessageBox::No);
    f->side.RenameSelectedLocalFile();
    script->answer(QMessageBox::Yes).answerInput(QString());
    f->side.RenameSelectedLocalFile();
    QCOMPARE(f->hooks.status, (QStringList{"Local file not renamed.", "Local file not renamed."}));
    QCOMPARE(OnDisk(f->root), before);
    QCOMPARE(f->reads.size(), 1);

    script->shown.clear();
    script->answer(QMessageBox::Yes).answerInput(QStringLiteral("my site 2"));
    f->side.RenameSelectedLocalFile();
    QCOMPARE(script->shown.size(), 2);
    QCOMPARE(script->shown[0].text, "Rename local file " + path + "?");
    QCOMPARE(script->shown[0].title, kConfirm);
    QCOMPARE(script->shown[1].kind, ScriptedDialogs::Shown::Input);
    QCOMPARE(script->shown[1].title, kPrompt);
    QCOMPARE(script->shown[1].text, "Enter the new name for " + path);
    QCOMPARE(f->hooks.status.last(), QStringLiteral("Local file renamed."));
    QCOMPARE(OnDisk(f->root),
             (QStringList{"Dangling", "Empty Site", "Old Site", "index.html", "my site 2"}));
    QCOMPARE(f->RowTexts(), (QStringList{"Dangling", "EMPTY SITE", "MY SITE 2", "OLD SITE"}));

    // Onto an existing name: refused with its box, nothing replaced, still reported as tried.
    Select(*f, {"Dangling"});
    script->shown.clear();
    script->answer(QMessageBox::Yes)
        .answerInput(QStringLiteral("index.html"))
        .answer(QMessageBox::Ok);
    f->side.RenameSelectedLocalFile();
    QCOMPARE(script->messageTexts().last(), "Cannot rename " + f->root + "Dangling");
    QCOMPARE(f->hooks.status.last(), QStringLiteral("Local file renamed."));
    QVERIFY(QFileInfo(f->root + "index.html").isFile());
    QVERIFY(QFileInfo(f->root + "Dangling").isSymLink());
}

void TestLocalCommands::createsAFolder() {
    const QString label = QStringLiteral("Enter the name of the local folder you wish to create.");
    f->hooks.status << QStringLiteral("before");

    script->answerInput(QString());
    f->side.CreateNewLocalFolder();
    QCOMPARE(OnDisk(f->root).size(), 5);
    QCOMPARE(f->reads.size(), 1);

    script->answerInput(QStringLiteral("New Site"));
    f->side.CreateNewLocalFolder();
    QVERIFY(QFileInfo(f->root + "New Site").isDir());
    QCOMPARE(f->RowTexts(),
             (QStringList{"Dangling", "EMPTY SITE", "MY SITE", "NEW SITE", "OLD SITE"}));

    script->answerInput(QStringLiteral("My Site")).answer(QMessageBox::Ok);
    f->side.CreateNewLocalFolder();
    QCOMPARE(script->shown.size(), 4);
    for (int i : {0, 1, 2}) {
        QCOMPARE(script->shown[i].kind, ScriptedDialogs::Shown::Input);
        QCOMPARE(script->shown[i].title, kPrompt);
        QCOMPARE(script->shown[i].text, label);
    }
    QCOMPARE(script->shown[3].text, "Cannot create " + f->root + "My Site");
    QCOMPARE(f->reads.size(), 3);
    QCOMPARE(f->hooks.status, QStringList{"before"});
}

void TestLocalCommands::removesTheCurrentFolder() {
    Select(*f, {"Old Site"});
    script->answer(QMessageBox::No);
    f->side.RemoveSelectedLocalFolder();
    QCOMPARE(script->messageTexts(),
             QStringList{"Are you sure you want to delete the local folder 'OLD SITE'?"});
    QCOMPARE(script->shown.first().title, kConfirm);
    QCOMPARE(f->hooks.status, QStringList{"Local folder not deleted."});
    QCOMPARE(f->hooks.enables, 0);

    // Not empty: its box, answered Cancel; the list is still reread and the removal reported.
    script->shown.clear();
    script->answer(QMessageBox::Yes).answer(QMessageBox::Cancel);
    f->side.RemoveSelectedLocalFolder();
    QCOMPARE(script->messageTexts().last(), "Cannot remove " + f->root + "Old Site");
    QCOMPARE(script->shown.last().title, kNotice);
    QVERIFY(QFileInfo(f->root + "Old Site/images").isDir());
    QCOMPARE(f->hooks.status.last(), QStringLiteral("Local folder deleted."));
    QCOMPARE(f->hooks.enables, 1);
    QCOMPARE(f->reads.size(), 2);

    Select(*f, {"Empty Site"});
    script->answer(QMessageBox::Yes);
    f->side.RemoveSelectedLocalFolder();
    QVERIFY(!QFileInfo::exists(f->root + "Empty Site"));
    QCOMPARE(f->RowTexts(), (QStringList{"Dangling", "MY SITE", "OLD SITE"}));
    QCOMPARE(f->hooks.status.last(), QStringLiteral("Local folder deleted."));

    // After the reread there is no current row.
    f->hooks.status.clear();
    f->side.RemoveSelectedLocalFolder();
    QCOMPARE(f->hooks.status, QStringList{"Local folder not deleted."});
}

void TestLocalCommands::refusesNamesOutsideTheFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("parent") << QStringLiteral("..");
    QTest::newRow("self") << QStringLiteral(".");
    QTest::newRow("up and over") << QStringLiteral("../Escaped");
    QTest::newRow("into a subfolder") << QStringLiteral("My Site/Escaped");
    QTest::newRow("backslash") << QStringLiteral("..\\Escaped");
}

void TestLocalCommands::refusesNamesOutsideTheFolder() {
    QFETCH(QString, name);
    const QString notice = QStringLiteral("The name \"") + name +
                           QStringLiteral(
                               "\" cannot be used: a name must not contain / or \\ and "
                               "must not be . or ..");
    const QStringList outside = OnDisk(f->tmp.path());
    const QStringList inside = OnDisk(f->root + "My Site");
    const QStringList here = OnDisk(f->root);

    Select(*f, {"Empty Site"});
    script->answer(QMessageBox::Yes).answerInput(name).answer(QMessageBox::Ok);
    f->side.RenameSelectedLocalFile();
    script->answerInput(name).answer(QMessageBox::Ok);
    f->side.CreateNewLocalFolder();

    QCOMPARE(script->messageTexts().size(), 3);
    for (int i : {2, 4}) {
        QCOMPARE(script->shown[i].text, notice);
        QCOMPARE(script->shown[i].title, kNotice);
        QCOMPARE(script->shown[i].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QCOMPARE(f->hooks.status, QStringList{"Local file not renamed."});
    QCOMPARE(OnDisk(f->tmp.path()), outside);
    QCOMPARE(OnDisk(f->root + "My Site"), inside);
    QCOMPARE(OnDisk(f->root), here);
    QCOMPARE(f->reads.size(), 1);
}

QTEST_MAIN(TestLocalCommands)
#include "tst_LocalCommands.moc"
