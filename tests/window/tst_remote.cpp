// Changing what is on the server through the transfer window.
#include "WindowHarness.h"

namespace {

// sites/proj: hidden files, nested folders, links out to a folder (also from deep inside) and a
// file. many: 20 files. deep: deeper than any project. Then the entries for vsftpd.
void makeTrees(const QString& root) {
    for (const char* file : {"proj/pictavo.html", "proj/.hidden", "proj/a.swf", "proj/images/1.png",
                             "proj/images/.2.png", "proj/one/inner/x.txt", "proj/two/inner2/y.txt",
                             "keep/pictavo.html", "keepme/sub/x.txt", "keep.txt"})
        writeFile(root + "/sites/" + file, file);
    QDir(root).mkpath("sites/proj/two/empty");
    QDir(root).mkpath("sites/proj/deep");
    QFile::link("../keepme", root + "/sites/proj/escape");
    QFile::link("../../keepme/sub", root + "/sites/proj/deep/inner-escape");
    QFile::link("../keep.txt", root + "/sites/proj/outfile");
    for (int i = 0; i < 20; ++i)
        writeFile(root + QString("/many/f%1.txt").arg(i), "f");
    writeFile(root + "/deep" + QString("/a").repeated(70) + "/bottom.txt", "b");
    for (const char* file : {"proj/pictavo.html", "t1.txt", "t3.txt", "full/f.txt"})
        writeFile(root + "/" + file, file);
    QFile::link("t1.txt", root + "/l1");
    QFile::link("t3.txt", root + "/l3");
    for (const char* folder : {"alpha", "l2 folder", "trip #2", "cgi-bin"})
        QDir(root).mkpath(folder);
}

// vsftpd, which lists links as links: the other commands, on single and several rows.
void manageEntries(WindowHarness& h, QTreeWidget* list) {
    // View opens each selected project's start page.
    h.select(list, {"alpha", "trip #2"});
    h.window->upload().cmdView_Click();
    QCOMPARE(h.urls, (QStringList{"http://Mary.Jones.localhost/alpha/pictavo.html",
                                  "http://Mary.Jones.localhost/trip%20%232/pictavo.html"}));
    // The hosting account's own folders are no projects, but can be removed as folders.
    h.select(list, {"cgi-bin"});
    QVERIFY(!h.ui().cmdView->isEnabled() && !h.ui().cmdDelete->isEnabled() &&
            h.ui().cmdDeleteRemoteFolder->isEnabled());

    // Commands on rows with answers (a text for a prompt, empty cancels); the status (its first
    // line only when ending in a line feed) and the last question asked.
    using R = RemoteManagement;
    const QVariant yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok;
    struct Step {
        QStringList rows;
        void (RemoteManagement::*command)();
        QList<QVariant> answers;
        QString status, asked;
    };
    const QString notRenamed = "Remote file not renamed.";
    const Step steps[] = {
        {{"proj"}, &R::DeleteSelectedProjects, {no}, "Selected Pictavo(s) not deleted."},
        {{"l3"}, &R::DeleteSelectedProjects, {yes}, "Selected Pictavo(s) successfully deleted."},
        {{"l1", "l2 folder", "l3"},
         &R::DeleteSelectedRemoteFiles,
         {yes},
         "Remote files not deleted.\nDelete operation failed.",
         "Are you sure you want to delete the selected remote file(s)?"},
        {{"full"}, &R::RemoveRemoteFolder, {yes}, "Remote folder not deleted.\n", "Delete full?"},
        {{"l2 folder"}, &R::RemoveRemoteFolder, {yes}, "Remote folder deleted."},
        {{"alpha"}, &R::RenameRemoteFile, {no}, notRenamed, "Rename remote file alpha?"},
        {{"alpha"}, &R::RenameRemoteFile, {yes, ""}, notRenamed, "Rename remote file to : "},
        {{"alpha"}, &R::RenameRemoteFile, {yes, "gamma"}, "Remote file renamed."},
        {{"gamma"}, &R::RenameRemoteFile, {yes, "no/such/place"}, notRenamed + "\n"},
        {{}, &R::createRemoteFolder, {"new site"}, "Remote folder created."},
        // A folder name that would leave the current folder is refused.
        {{}, &R::createRemoteFolder, {"..", ok}, "Remote folder not created."},
        {{}, &R::createRemoteFolder, {".", ok}, "Remote folder not created."}};
    for (const Step& step : steps) {
        h.select(list, step.rows);
        for (const QVariant& a : step.answers)
            a.typeId() == QMetaType::QString
                ? h.script.answerInput(a.toString())
                : h.script.answer(a.value<QMessageBox::StandardButton>());
        (h.window->remoteManagement().*step.command)();
        const QString status =
            step.status.endsWith('\n') ? h.status().section('\n', 0, 0) + '\n' : h.status();
        QCOMPARE(status, step.status);
        if (!step.asked.isEmpty())
            QCOMPARE(h.script.shown.last().text, step.asked);
    }
    // The titles of the last rename prompt and of the last refusal.
    QCOMPARE(h.script.shown.at(h.script.shown.size() - 8).title + h.script.shown.last().title,
             QString("Pictavo Ferrymate Pictavo Ferrymate [Notice]"));
    const QRegularExpression failed("^(RNFR|Error (deleting|renaming) remote f)");
    QCOMPARE(h.log().filter(failed).size(), 5);
    QCOMPARE(QDir(h.serverRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             (QStringList{"cgi-bin", "deep", "full", "gamma", "l3", "many", "new site", "proj",
                          "sites", "t1.txt", "t3.txt", "trip #2"}));
}

}  // namespace

class RemoteManagementTest : public QObject {
    Q_OBJECT
private slots:
    // A project tree goes, and nothing a link leads to is touched, whatever the listing calls
    // the link; then the other commands, and deletions that stop part-way.
    void managesRemoteEntries_data() { WindowHarness::addServerRows(false); }
    void managesRemoteEntries() {
        QFETCH(int, server);
        const bool vsftpd = server == WindowHarness::Vs;
        QTemporaryDir outside;
        WindowHarness h{WindowHarness::Server(server), [&](const QString& root) {
                            makeTrees(root);
                            // Outside the root: pyftpdlib refuses to touch such a link.
                            writeFile(outside.path() + "/precious/file.txt", "precious");
                            if (vsftpd)
                                QFile::link(outside.path() + "/precious", root + "/sites/proj/out");
                        }};
        QVERIFY(h.signIn());
        QTreeWidget* list = h.ui().lstRemoteFileList;
        QVERIFY(h.window->remoteSide().ChangeCurrentRemoteFolder("sites", true));
        h.window->remoteSide().RefreshRemoteFileList();
        // A deletion stops part-way when too deep or on Abort; the list read again shows the rest.
        const auto deleteProject = [&](const QString& name, const QString& status, int left) {
            h.select(list, {name});
            h.script.answer(QMessageBox::Yes);
            h.ui().cmdDelete->click();
            QCOMPARE(h.status(), status);
            const QString folder = h.serverRoot() + h.ui().cboRemotePath->currentText() + "/";
            const int files = tree(folder + name).size();
            QVERIFY2(left >= 0 ? files == left : files > 1 && files < 20, qPrintable(name));
            QCOMPARE(h.remoteRows().contains(name), left != 0);
        };
        deleteProject("proj", "Selected Pictavo(s) successfully deleted.", 0);
        QCOMPARE(h.script.shown.last().text,
                 QString("Are you sure you want to delete the selected Pictavo(s)?"));
        QCOMPARE(tree(h.serverRoot() + "/sites"),
                 QStringList({"keep.txt", "keep/pictavo.html", "keepme/sub/x.txt"}));
        QCOMPARE(readFile(outside.path() + "/precious/file.txt"), QByteArray("precious"));
        QVERIFY(h.statuses.contains("Deleting 'proj'.") && h.log().filter("Error").isEmpty());
        // The progress climbs to 100 and then goes back to 0.
        QCOMPARE(h.progress.mid(h.progress.size() - 2), (QList<int>{100, 0}));
        QVERIFY(std::is_sorted(h.progress.begin(), h.progress.end() - 1));
        h.ui().cmdUpFtp->click();
        const QString notDeleted = "Selected Pictavo(s) not deleted.\n";
        const QString tooDeep =
            "The folder tree is more than 64 levels deep; nothing below was deleted.";
        deleteProject("deep", notDeleted + tooDeep, 1);
        bool abortEnabled = false;
        QMetaObject::Connection once;
        once = QObject::connect(h.ui().prgStatus, &QProgressBar::valueChanged, h.window.get(), [&] {
            QObject::disconnect(once);
            abortEnabled = h.ui().cmdAbort->isEnabled();
            h.ui().cmdAbort->click();
        });
        deleteProject("many", notDeleted + "The operation was aborted.", -1);
        QVERIFY(abortEnabled);
        if (vsftpd)
            manageEntries(h, list);
    }
};

QTEST_MAIN(RemoteManagementTest)
#include "tst_remote.moc"
