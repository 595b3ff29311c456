// The local folder reader against real temporary folders.

#include <functional>

#include "LocalSideFixture.h"
#include "ScriptedDialogs.h"

using namespace Qt::StringLiterals;

class TestLocalPaths : public QObject {
    Q_OBJECT

private slots:
    void readsFoldersOrReportsWhyNot();
    void deletesFilesOrReportsWhyNot();
};

void TestLocalPaths::readsFoldersOrReportsWhyNot() {
    ScriptedDialogs script;
    QTemporaryDir tmp;
    const QString folder = tmp.path() + u"/Sites/"_s;
    makeFolder(folder + "My Site");
    makeFolder(folder + ".git");
    makeFile(folder + "index.html", "<html>");
    makeFile(folder + ".profile");
    makeFile(folder + "locked.txt");
    QVERIFY(QFile::setPermissions(folder + "locked.txt", QFile::ReadOwner));
    QVERIFY(QFile::link(folder + "gone", folder + "Dangling"));
    // Over 2 GiB, sparse: sizes are 64-bit.
    QFile big(folder + "movie.mpg");
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(Q_INT64_C(3) << 30));
    big.close();
    const QDateTime when(QDate(2021, 3, 4), QTime(13, 2, 3));
    setModified(folder + "My Site", when);

    LocalPaths reader;
    QSignalSpy entries(&reader, &LocalPaths::UpdateLocalEntry);
    QSignalSpy added(&reader, &LocalPaths::AddToLocalPaths);
    reader.RetrieveLocalFolderContents(folder);
    QMap<QString, int> attributes;
    QMap<QString, QVariantList> byName;
    for (const QVariantList& entry : std::as_const(entries)) {
        attributes.insert(entry[0].toString(), entry[3].toInt());
        byName.insert(entry[0].toString(), entry);
    }
    QCOMPARE(entries.size(), attributes.size());
    QCOMPARE(attributes, (QMap<QString, int>{{".git", LocalPaths::kFolder | LocalPaths::kHidden},
                                             {".profile", LocalPaths::kHidden},
                                             {"Dangling", LocalPaths::kUnreadable},
                                             {"My Site", LocalPaths::kFolder},
                                             {"index.html", 0},
                                             {"locked.txt", LocalPaths::kReadOnly},
                                             {"movie.mpg", 0}}));
    QCOMPARE(byName["My Site"][1].toDateTime(), when);
    QCOMPARE(byName["index.html"][2].toLongLong(), 6);
    QCOMPARE(byName["movie.mpg"][2].toLongLong(), Q_INT64_C(3) << 30);

    // An empty folder is added exactly as passed. Root reads every folder, so the failures are
    // paths that are no folder at all; they are not added.
    entries.clear();
    for (const char* path : {"My Site/", "index.html/", "Missing/"})
        reader.RetrieveLocalFolderContents(folder + path);
    QCOMPARE(entries.size(), 0);
    QCOMPARE(added, (QList<QVariantList>{{folder}, {folder + "My Site/"}}));
    QCOMPARE(script.messageTexts(),
             (QStringList{"Cannot read the contents of " + folder + "index.html/",
                          "Cannot read the contents of " + folder + "Missing/"}));
    QCOMPARE(script.shown.first().title, u"Pictavo Ferrymate [Error]"_s);
    QCOMPARE(script.shown.first().icon, QMessageBox::Critical);
    QCOMPARE(script.shown.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

// The other changes, and their plain failures (a folder deleted as a file, a rename onto an
// existing name, a folder not empty or already there), are covered through the commands.
void TestLocalPaths::deletesFilesOrReportsWhyNot() {
    ScriptedDialogs script;
    QTemporaryDir tmp;
    const auto at = [&](const char* name) { return tmp.path() + u'/' + name; };
    makeFile(at("locked.txt"));
    QVERIFY(QFile::setPermissions(at("locked.txt"), QFile::ReadOwner));
    makeFolder(at("Full/inner"));
    QVERIFY(QFile::link(at("Full"), at("FullLink")));
    const QStringList before = QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    makeFile(at("a.txt"));
    LocalPaths reader;
    reader.DeleteLocalFile(at("a.txt"));
    QVERIFY(!QFileInfo::exists(at("a.txt")));
    QVERIFY(script.shown.isEmpty());

    // Read-only files stay, as their attribute promises, even for root.
    const QList<std::pair<QString, std::function<void()>>> failures = {
        {"Cannot delete " + at("FullLink"), [&] { reader.DeleteLocalFile(at("FullLink")); }},
        {"Cannot delete " + at("locked.txt"), [&] { reader.DeleteLocalFile(at("locked.txt")); }},
        {"Cannot delete " + at("a.txt"), [&] { reader.DeleteLocalFile(at("a.txt")); }},
        {"Cannot rename " + at("a.txt"), [&] { reader.RenameLocalFile(at("a.txt"), at("b.txt")); }},
        {"Cannot remove " + at("FullLink"), [&] { reader.RemoveLocalFolder(at("FullLink")); }},
        {"Cannot create " + at("No/Parent"), [&] { reader.CreateLocalFolder(at("No/Parent")); }},
    };
    for (const auto& [text, change] : failures) {
        script.shown.clear();
        change();
        QCOMPARE(script.messageTexts(), QStringList{text});
        QCOMPARE(script.shown.first().title, u"Pictavo Ferrymate [Notice]"_s);
        QCOMPARE(script.shown.first().icon, QMessageBox::Critical);
        QCOMPARE(script.shown.first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(QFileInfo(at("Full/inner")).isDir());
}

QTEST_MAIN(TestLocalPaths)
#include "tst_LocalPaths.moc"
