// The local folder reader against real temporary folders.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "LocalPaths.h"
#include "LocalSideFixture.h"
#include "ScriptedDialogs.h"

namespace {

struct Entry {
    QDateTime date;
    qint64 size = 0;
    int attributes = 0;
};

// Reads a folder and returns its reports by name, failing on a name reported twice.
QMap<QString, Entry> Read(LocalPaths& reader, const QString& path, QStringList* added = nullptr) {
    QMap<QString, Entry> entries;
    QObject::connect(&reader, &LocalPaths::UpdateLocalEntry,
                     [&](const QString& name, const QDateTime& date, qint64 size, int attributes) {
                         if (entries.contains(name))
                             QTest::qFail("an entry reported twice", __FILE__, __LINE__);
                         entries.insert(name, {date, size, attributes});
                     });
    QStringList paths;
    QObject::connect(&reader, &LocalPaths::AddToLocalPaths,
                     [&](const QString& folder) { paths << folder; });
    reader.RetrieveLocalFolderContents(path);
    reader.disconnect();
    if (added)
        *added = paths;
    return entries;
}

}  // namespace

class TestLocalPaths : public QObject {
    Q_OBJECT

private slots:
    void readsEntriesWithTheirDetails();
    void reportsEmptyFoldersAndFailedReads();
    void listsTheDrives();
    void changesEntriesOrReportsWhy();
};

void TestLocalPaths::readsEntriesWithTheirDetails() {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/Sites/");
    MakeFolder(folder + QStringLiteral("My Site"));
    MakeFolder(folder + QStringLiteral(".git"));
    MakeFile(folder + QStringLiteral("index.html"), "<html>");
    MakeFile(folder + QStringLiteral(".profile"));
    MakeFile(folder + QStringLiteral("locked.txt"));
    QVERIFY(QFile::setPermissions(folder + QStringLiteral("locked.txt"), QFile::ReadOwner));
    QVERIFY(QFile::link(folder + QStringLiteral("gone"), folder + QStringLiteral("Dangling")));
    // Over 2 GiB, sparse: sizes are 64-bit.
    QFile big(folder + QStringLiteral("movie.mpg"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(Q_INT64_C(3) << 30));
    big.close();
    const QDateTime when(QDate(2021, 3, 4), QTime(13, 2, 3));
    SetModified(folder + QStringLiteral("My Site"), when);

    LocalPaths reader;
    QStringList added;
    const QMap<QString, Entry> entries = Read(reader, folder, &added);

    QCOMPARE(entries.keys(), (QStringList{".git", ".profile", "Dangling", "My Site", "index.html",
                                          "locked.txt", "movie.mpg"}));
    QCOMPARE(entries["My Site"].attributes, LocalPaths::kFolder);
    QCOMPARE(entries["My Site"].date, when);
    QCOMPARE(entries[".git"].attributes, LocalPaths::kFolder | LocalPaths::kHidden);
    QCOMPARE(entries[".profile"].attributes, LocalPaths::kHidden);
    QCOMPARE(entries["index.html"].attributes, 0);
    QCOMPARE(entries["index.html"].size, 6);
    QCOMPARE(entries["locked.txt"].attributes, LocalPaths::kReadOnly);
    QCOMPARE(entries["Dangling"].attributes, LocalPaths::kUnreadable);
    QCOMPARE(entries["movie.mpg"].size, Q_INT64_C(3) << 30);
    QCOMPARE(added, QStringList{folder});
}

void TestLocalPaths::reportsEmptyFoldersAndFailedReads() {
    ScriptedDialogs script;
    QTemporaryDir tmp;
    // Reported exactly as passed, in the caller's letter case and spelling.
    const QString empty = tmp.path() + QStringLiteral("/Empty Site/");
    MakeFolder(empty);
    LocalPaths reader;
    QStringList added;
    QVERIFY(Read(reader, empty, &added).isEmpty());
    QCOMPARE(added, QStringList{empty});
    QVERIFY(script.shown.isEmpty());

    // Root reads every folder, so the failures are paths that are no folder at all.
    MakeFile(tmp.path() + QStringLiteral("/notes.txt"));
    const QString notAFolder = tmp.path() + QStringLiteral("/notes.txt/");
    const QString missing = tmp.path() + QStringLiteral("/Missing/");
    for (const QString& path : {notAFolder, missing}) {
        script.shown.clear();
        QVERIFY(Read(reader, path, &added).isEmpty());
        QVERIFY(added.isEmpty());
        QCOMPARE(script.shown.size(), 1);
        const ScriptedDialogs::Shown& box = script.shown.first();
        QCOMPARE(box.text, QStringLiteral("Cannot read the contents of ") + path);
        QCOMPARE(box.title, QStringLiteral("Pictavo Ferrymate [Error]"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TestLocalPaths::listsTheDrives() {
    LocalPaths reader;
    QSignalSpy drives(&reader, &LocalPaths::LogicalDriveFound);
    reader.RetrieveLogicalDrives();
    QCOMPARE(drives.size(), 1);
    QCOMPARE(drives.first().first().toString(), QStringLiteral("/"));
}

void TestLocalPaths::changesEntriesOrReportsWhy() {
    ScriptedDialogs script;
    QTemporaryDir tmp;
    const QString folder = tmp.path() + u'/';
    MakeFile(folder + QStringLiteral("a.txt"), "first");
    MakeFile(folder + QStringLiteral("b.txt"), "second");
    MakeFile(folder + QStringLiteral("locked.txt"));
    QVERIFY(QFile::setPermissions(folder + QStringLiteral("locked.txt"), QFile::ReadOwner));
    MakeFolder(folder + QStringLiteral("Full/inner"));
    MakeFolder(folder + QStringLiteral("Empty"));
    QVERIFY(QFile::link(folder + QStringLiteral("Full"), folder + QStringLiteral("FullLink")));

    LocalPaths reader;
    reader.DeleteLocalFile(folder + QStringLiteral("a.txt"));
    reader.RenameLocalFile(folder + QStringLiteral("b.txt"), folder + QStringLiteral("c.txt"));
    reader.RemoveLocalFolder(folder + QStringLiteral("Empty"));
    reader.CreateLocalFolder(folder + QStringLiteral("New Site"));
    QVERIFY(script.shown.isEmpty());
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{"Full", "FullLink", "New Site", "c.txt", "locked.txt"}));

    MakeFile(folder + QStringLiteral("d.txt"), "kept");
    const QString failures[] = {
        QStringLiteral("Cannot delete ") + folder + QStringLiteral("Full"),
        QStringLiteral("Cannot delete ") + folder + QStringLiteral("FullLink"),
        QStringLiteral("Cannot delete ") + folder + QStringLiteral("locked.txt"),
        QStringLiteral("Cannot delete ") + folder + QStringLiteral("a.txt"),
        QStringLiteral("Cannot rename ") + folder + QStringLiteral("c.txt"),
        QStringLiteral("Cannot rename ") + folder + QStringLiteral("a.txt"),
        QStringLiteral("Cannot remove ") + folder + QStringLiteral("Full"),
        QStringLiteral("Cannot remove ") + folder + QStringLiteral("FullLink"),
        QStringLiteral("Cannot create ") + folder + QStringLiteral("New Site"),
        QStringLiteral("Cannot create ") + folder + QStringLiteral("No/Parent"),
    };
    reader.DeleteLocalFile(folder + QStringLiteral("Full"));
    reader.DeleteLocalFile(folder + QStringLiteral("FullLink"));
    reader.DeleteLocalFile(folder + QStringLiteral("locked.txt"));
    reader.DeleteLocalFile(folder + QStringLiteral("a.txt"));
    reader.RenameLocalFile(folder + QStringLiteral("c.txt"), folder + QStringLiteral("d.txt"));
    reader.RenameLocalFile(folder + QStringLiteral("a.txt"), folder + QStringLiteral("e.txt"));
    reader.RemoveLocalFolder(folder + QStringLiteral("Full"));
    reader.RemoveLocalFolder(folder + QStringLiteral("FullLink"));
    reader.CreateLocalFolder(folder + QStringLiteral("New Site"));
    reader.CreateLocalFolder(folder + QStringLiteral("No/Parent"));

    QCOMPARE(script.messageTexts(), QStringList(std::begin(failures), std::end(failures)));
    for (const ScriptedDialogs::Shown& box : script.shown) {
        QCOMPARE(box.title, QStringLiteral("Pictavo Ferrymate [Notice]"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{"Full", "FullLink", "New Site", "c.txt", "d.txt", "locked.txt"}));
    QVERIFY(QFileInfo(folder + QStringLiteral("Full/inner")).isDir());
    QFile kept(folder + QStringLiteral("d.txt"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept"));
}

QTEST_MAIN(TestLocalPaths)
#include "tst_LocalPaths.moc"
