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
        QTreeWidget* list = h.ui().lstRemoteFileList;
        // Runs a command on these rows with these answers: buttons, or a text for a prompt (an
        // empty text cancels it); the status line it ends with.
        const auto run = [&](const QStringList& rows, void (RemoteManagement::*command)(),
                             const QList<QVariant>& answers) {
            h.select(list, rows);
            for (const QVariant& a : answers)
                a.typeId() == QMetaType::QString
                    ? h.script.answerInput(a.toString())
                    : h.script.answer(a.value<QMessageBox::StandardButton>());
            (h.window->remoteManagement().*command)();
            return h.status();
        };
        using R = RemoteManagement;
        const QVariant yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok;

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
        QCOMPARE(run({"proj"}, &R::DeleteSelectedProjects, {no}),
                 QString("Selected Pictavo(s) not deleted."));
        QVERIFY(QFileInfo::exists(h.serverRoot() + "/proj/pictavo.html"));
        QCOMPARE(run({"l1"}, &R::DeleteSelectedProjects, {yes}),
                 QString("Selected Pictavo(s) successfully deleted."));
        QVERIFY(h.statuses.contains("Deleting 'l1'."));
        QVERIFY(QFileInfo(h.serverRoot() + "/l1").isSymLink());

        // Three rows deleted as files: the folder in the middle fails, the third stays. The
        // failure stays in the status line after the list was read again.
        QCOMPARE(run({"l1", "l2 folder", "l3"}, &R::DeleteSelectedRemoteFiles, {yes}),
                 QString("Remote files not deleted.\nDelete operation failed."));
        QCOMPARE(h.script.shown.last().text,
                 QString("Are you sure you want to delete the selected remote file(s)?"));
        QVERIFY(!QFileInfo(h.serverRoot() + "/l1").isSymLink());
        QVERIFY(QFileInfo(h.serverRoot() + "/l3").isSymLink());
        QCOMPARE(h.log().filter("Error deleting remote file(s): ").size(), 1);

        // Removing a folder that is not empty is refused by the server.
        QVERIFY(run({"full"}, &R::RemoveRemoteFolder, {yes})
                    .startsWith("Remote folder not deleted.\n"));
        QCOMPARE(h.script.shown.last().text, QString("Delete full?"));
        QCOMPARE(h.log().filter("Error deleting remote folder: ").size(), 1);
        QVERIFY(QFileInfo::exists(h.serverRoot() + "/full/f.txt"));
        QCOMPARE(run({"l2 folder"}, &R::RemoveRemoteFolder, {yes}),
                 QString("Remote folder deleted."));
        QVERIFY(!QFileInfo::exists(h.serverRoot() + "/l2 folder"));

        // Rename: declined, cancelled, done, refused.
        QCOMPARE(run({"alpha"}, &R::RenameRemoteFile, {no}), QString("Remote file not renamed."));
        QCOMPARE(h.script.shown.last().text, QString("Rename remote file alpha?"));
        QCOMPARE(run({"alpha"}, &R::RenameRemoteFile, {yes, ""}),
                 QString("Remote file not renamed."));
        QCOMPARE(h.script.shown.last().text, QString("Rename remote file to : "));
        QCOMPARE(h.script.shown.last().title, QString("Pictavo Ferrymate "));
        QCOMPARE(run({"alpha"}, &R::RenameRemoteFile, {yes, "gamma"}),
                 QString("Remote file renamed."));
        QVERIFY(QFileInfo::exists(h.serverRoot() + "/gamma"));
        QVERIFY(run({"gamma"}, &R::RenameRemoteFile, {yes, "no/such/place"})
                    .startsWith("Remote file not renamed.\n"));
        QCOMPARE(h.log().filter(QRegularExpression("^(RNFR|Error renaming remote file: )")).size(),
                 3);

        // Create: a plain name is created; one that would leave the folder is refused.
        QCOMPARE(run({}, &R::createRemoteFolder, {"new site"}), QString("Remote folder created."));
        QVERIFY(QFileInfo(h.serverRoot() + "/new site").isDir());
        for (const char* bad : {"../up", "a/b", "..", "."}) {
            QCOMPARE(run({}, &R::createRemoteFolder, {bad, ok}),
                     QString("Remote folder not created."));
            QCOMPARE(h.script.shown.last().title, QString("Pictavo Ferrymate [Notice]"));
        }
        QVERIFY(!QFileInfo::exists(h.serverRoot() + "/a"));
    }
};

QTEST_MAIN(RemoteManagementTest)
#include "tst_remote.moc"
