// Changing what is on the server through the transfer window: deleting published projects,
// deleting, renaming, removing and creating remote entries, and viewing projects.
#include <QtTest>

#include "ProjectUpload.h"
#include "RemoteManagement.h"
#include "RemoteSide.h"
#include "WebPage.h"
#include "WindowHarness.h"

namespace {

// A published project with hidden files, nested folders and links that lead out of it: to a
// folder, to a folder from deep inside, and to a file. The links sit beside what they point at.
void makeTree(const QString& root) {
    writeFile(root + "/proj/pictavo.html", "start");
    writeFile(root + "/proj/.hidden", "h");
    writeFile(root + "/proj/a.swf", "movie");
    writeFile(root + "/proj/images/1.png", "1");
    writeFile(root + "/proj/images/.2.png", "2");
    writeFile(root + "/proj/one/inner/x.txt", "x");
    writeFile(root + "/proj/two/inner2/y.txt", "y");
    QDir(root).mkpath("proj/two/empty");
    QDir(root).mkpath("proj/deep");
    writeFile(root + "/keep/pictavo.html", "kept");
    writeFile(root + "/keepme/sub/x.txt", "x kept");
    writeFile(root + "/keep.txt", "kept too");
    QFile::link("../keepme", root + "/proj/escape");
    QFile::link("../../keepme/sub", root + "/proj/deep/inner-escape");
    QFile::link("../keep.txt", root + "/proj/outfile");
}

class RecordingLauncher : public WebLauncher {
public:
    int open(const QString& url) override {
        urls << url;
        return 42;
    }
    QStringList urls;
};

}  // namespace

class RemoteManagementTest : public QObject {
    Q_OBJECT
private slots:
    // The tree goes; nothing a link leads to is touched, whatever the listing calls the link.
    void deletesAProjectTree_data() { addServerRows(); }
    void deletesAProjectTree() {
        QFETCH(int, server);
        QTemporaryDir outside;
        WindowHarness h{WindowHarness::Server(server), [&](const QString& root) {
                            makeTree(root + "/sites");
                            if (server != WindowHarness::Vs)
                                return;
                            // Outside the account's root: pyftpdlib refuses to touch such a
                            // link at all.
                            writeFile(outside.path() + "/precious/file.txt", "precious");
                            QFile::link(outside.path() + "/precious", root + "/sites/proj/out");
                        }};
        QVERIFY(h.signIn());
        QVERIFY(h.window->remoteSide().ChangeCurrentRemoteFolder("sites", true));
        h.window->remoteSide().RefreshRemoteFileList();
        h.select(h.ui().lstRemoteFileList, {"proj"});
        h.script.answer(QMessageBox::Yes);
        h.progress.clear();
        h.ui().cmdDelete->click();
        QCOMPARE(h.script.shown.last().text,
                 QString("Are you sure you want to delete the selected Pictavo(s)?"));
        QVERIFY(!QFileInfo(h.serverRoot() + "/sites/proj").isSymLink());
        QCOMPARE(
            filesBelow(h.serverRoot()),
            QStringList({"sites/keep.txt", "sites/keep/pictavo.html", "sites/keepme/sub/x.txt"}));
        if (server == WindowHarness::Vs)
            QCOMPARE(readFile(outside.path() + "/precious/file.txt"), QByteArray("precious"));
        QCOMPARE(h.remoteRows(), QStringList({"keep", "keepme"}));
        QVERIFY(h.statuses.contains("Deleting 'proj'."));
        QCOMPARE(h.status(), QString("Selected Pictavo(s) successfully deleted."));
        // The progress climbs to 100 and then goes back to 0.
        QVERIFY(h.progress.size() >= 2);
        QCOMPARE(h.progress.mid(h.progress.size() - 2), (QList<int>{100, 0}));
        for (int i = 1; i < h.progress.size() - 1; ++i)
            QVERIFY(h.progress[i] >= h.progress[i - 1]);
        QVERIFY(h.log().filter("Error").isEmpty());
    }

    // A deletion stops part-way, leaving the rest, when Abort is pressed or the tree is deeper
    // than any project (a server that shows a folder in every folder).
    void deletionStops_data() {
        QTest::addColumn<bool>("abort");
        QTest::addColumn<QString>("cause");
        QTest::newRow("Abort") << true << "The operation was aborted.";
        QTest::newRow("too deep")
            << false << "The folder tree is more than 64 levels deep; nothing below was deleted.";
    }
    void deletionStops() {
        QFETCH(bool, abort);
        QFETCH(QString, cause);
        WindowHarness h;
        for (int i = 0; i < 20; ++i)
            writeFile(h.serverRoot() + QString("/proj/f%1.txt").arg(i), "f");
        QString deep = h.serverRoot() + "/proj";
        for (int i = 0; !abort && i < 70; ++i)
            deep += "/a";
        writeFile(deep + "/bottom.txt", "b");
        QVERIFY(h.signIn());
        h.select(h.ui().lstRemoteFileList, {"proj"});
        h.script.answer(QMessageBox::Yes);
        bool abortEnabled = false;
        QObject::connect(h.ui().prgStatus, &QProgressBar::valueChanged, h.window.get(), [&] {
            abortEnabled = h.ui().cmdAbort->isEnabled();
            if (abort)
                h.ui().cmdAbort->click();
        });
        h.ui().cmdDelete->click();
        QCOMPARE(h.status(), "Selected Pictavo(s) not deleted.\n" + cause);
        QVERIFY(QFileInfo::exists(deep + "/bottom.txt"));
        const int left = filesBelow(h.serverRoot() + "/proj").size();
        if (abort)
            QVERIFY(abortEnabled && left > 1 && left < 21);
        else
            QCOMPARE(left, 21);
        QCOMPARE(h.xFtp->State(), int(ftp::kIdle));
        QVERIFY(!h.ui().cmdAbort->isEnabled());
    }

    void viewDeleteRenameRemoveAndCreate() {
        WindowHarness h{WindowHarness::Vs, [](const QString& root) {
                            writeFile(root + "/proj/pictavo.html", "start");
                            writeFile(root + "/t1.txt", "1");
                            writeFile(root + "/t3.txt", "3");
                            QFile::link("t1.txt", root + "/l1");
                            QFile::link("t3.txt", root + "/l3");
                            writeFile(root + "/full/f.txt", "f");
                            for (const char* folder : {"alpha", "l2 folder", "trip #2", "cgi-bin"})
                                QDir(root).mkpath(folder);
                        }};
        QVERIFY(h.signIn());
        RemoteManagement& m = h.window->remoteManagement();
        QTreeWidget* list = h.ui().lstRemoteFileList;

        // View opens each selected project's start page.
        RecordingLauncher launcher;
        setWebLauncher(&launcher);
        h.select(list, {"alpha", "trip #2"});
        h.window->upload().cmdView_Click();
        setWebLauncher(nullptr);
        QCOMPARE(launcher.urls,
                 (QStringList{"http://Mary.Jones.localhost/alpha/pictavo.html",
                              "http://Mary.Jones.localhost/trip%20%232/pictavo.html"}));
        // The hosting account's own folders are no projects: neither viewed nor deleted as one,
        // but they can still be removed as a folder.
        h.select(list, {"cgi-bin"});
        QVERIFY(!h.ui().cmdView->isEnabled() && !h.ui().cmdDelete->isEnabled());
        QVERIFY(h.ui().cmdDeleteRemoteFolder->isEnabled());

        // A declined project deletion deletes nothing; a link row is announced but nothing is
        // deleted for it.
        h.select(list, {"proj"});
        h.script.answer(QMessageBox::No);
        m.DeleteSelectedProjects();
        QCOMPARE(h.status(), QString("Selected Pictavo(s) not deleted."));
        QVERIFY(QFileInfo::exists(h.serverRoot() + "/proj/pictavo.html"));
        h.select(list, {"l1"});
        h.script.answer(QMessageBox::Yes);
        m.DeleteSelectedProjects();
        QVERIFY(h.statuses.contains("Deleting 'l1'."));
        QVERIFY(QFileInfo(h.serverRoot() + "/l1").isSymLink());
        QCOMPARE(h.status(), QString("Selected Pictavo(s) successfully deleted."));

        // Three rows deleted as files: the folder in the middle fails, the third stays.
        h.select(list, {"l1", "l2 folder", "l3"});
        h.script.answer(QMessageBox::Yes);
        m.DeleteSelectedRemoteFiles();
        QCOMPARE(h.script.shown.last().text,
                 QString("Are you sure you want to delete the selected remote file(s)?"));
        QVERIFY(!QFileInfo(h.serverRoot() + "/l1").isSymLink());
        QVERIFY(QFileInfo(h.serverRoot() + "/l3").isSymLink());
        QCOMPARE(h.log().filter("Error deleting remote file(s): ").size(), 1);
        // The failure stays in the status line after the list was read again.
        QVERIFY(h.statuses.contains("Listing of remote folder completed."));
        QCOMPARE(h.status(), QString("Remote files not deleted.\nDelete operation failed."));

        // Removing a folder that is not empty is refused by the server.
        h.select(list, {"full"});
        h.script.answer(QMessageBox::Yes);
        m.RemoveRemoteFolder();
        QCOMPARE(h.script.shown.last().text, QString("Delete full?"));
        QCOMPARE(h.log().filter("Error deleting remote folder: ").size(), 1);
        QVERIFY(
            !h.statuses.filter(QRegularExpression("^Remote folder not deleted\\.\\n.+")).isEmpty());
        QVERIFY(QFileInfo::exists(h.serverRoot() + "/full/f.txt"));
        h.select(list, {"l2 folder"});
        h.script.answer(QMessageBox::Yes);
        m.RemoveRemoteFolder();
        QCOMPARE(h.status(), QString("Remote folder deleted."));
        QVERIFY(!QFileInfo::exists(h.serverRoot() + "/l2 folder"));

        // Rename: declined, cancelled, done, refused.
        h.select(list, {"alpha"});
        h.script.answer(QMessageBox::No);
        m.RenameRemoteFile();
        QCOMPARE(h.script.shown.last().text, QString("Rename remote file alpha?"));
        QCOMPARE(h.status(), QString("Remote file not renamed."));
        const int logBefore = h.log().size();
        h.script.answer(QMessageBox::Yes).answerInput("");
        m.RenameRemoteFile();
        QCOMPARE(h.script.shown.last().text, QString("Rename remote file to : "));
        QCOMPARE(h.script.shown.last().title, QString("Pictavo Ferrymate "));
        QCOMPARE(h.status(), QString("Remote file not renamed."));
        QVERIFY(h.log().mid(logBefore).filter("RNFR").isEmpty());
        h.script.answer(QMessageBox::Yes).answerInput("gamma");
        m.RenameRemoteFile();
        QCOMPARE(h.status(), QString("Remote file renamed."));
        QVERIFY(QFileInfo::exists(h.serverRoot() + "/gamma"));
        h.select(list, {"gamma"});
        h.script.answer(QMessageBox::Yes).answerInput("no/such/place");
        m.RenameRemoteFile();
        QCOMPARE(h.log().filter("Error renaming remote file: ").size(), 1);
        QCOMPARE(h.statuses.filter(QRegularExpression("^Remote file not renamed\\.\\n.+")).size(),
                 1);

        // Create: a plain name is created; one that would leave the folder is refused.
        h.script.answerInput("new site");
        m.createRemoteFolder();
        QCOMPARE(h.status(), QString("Remote folder created."));
        QVERIFY(QFileInfo(h.serverRoot() + "/new site").isDir());
        for (const char* bad : {"../up", "a/b", "..", "."}) {
            h.script.answerInput(bad).answer(QMessageBox::Ok);
            m.createRemoteFolder();
            QCOMPARE(h.status(), QString("Remote folder not created."));
            QCOMPARE(h.script.shown.last().title, QString("Pictavo Ferrymate [Notice]"));
        }
        QVERIFY(!QFileInfo::exists(h.serverRoot() + "/a"));
    }
};

QTEST_MAIN(RemoteManagementTest)
#include "tst_remote.moc"
