// Publishing projects through the transfer window against real servers: what lands on the
// server, the replace questions, abort and failure part-way, the double-click and View.
#include <QtTest>

#include "Download.h"
#include "FtpSession.h"
#include "ListRows.h"
#include "ProjectUpload.h"
#include "RemoteManagement.h"
#include "WebPage.h"
#include "WindowHarness.h"

namespace {

class RecordingLauncher : public WebLauncher {
public:
    int open(const QString& url) override {
        urls << url;
        return 42;
    }
    QStringList urls;
};

// What a published project holds, relative to its remote folder.
QStringList publishedFiles(int movies, int texts, int images) {
    QStringList files{"pictavo.html"};
    for (int i = 1; i <= movies; ++i)
        files << QString("movie%1.swf").arg(i);
    for (int i = 1; i <= texts; ++i)
        files << QString("text%1.txt").arg(i);
    for (int i = 1; i <= images; ++i)
        files << QString("images/photo %1.png").arg(i);
    files.sort();
    return files;
}

// Every file of the remote project folder equals its local source.
void verifyPublished(const QString& local, const QString& remote, const QStringList& files) {
    for (const QString& file : files) {
        const QString source = local + "/bin/" + file;
        QVERIFY2(QFileInfo::exists(remote + "/" + file), qPrintable(file));
        QCOMPARE(readFile(remote + "/" + file), readFile(source));
    }
}

QStringList prefixed(const QString& prefix, const QStringList& files) {
    QStringList out;
    for (const QString& f : files)
        out << prefix + f;
    return out;
}

}  // namespace

class UploadTest : public QObject {
    Q_OBJECT
private slots:
    void uploadsProjects_data() { addServerRows(); }
    void uploadsProjects() {
        QFETCH(int, server);
        WindowHarness h{WindowHarness::Server(server)};
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        makeProject(h.projects() + "My Folio 2", 2, 1, 3);
        makeProject(h.projects() + "Garden", 1, 1, 0);
        makeProject(h.projects() + "beach Trip", 1, 2, 2);
        h.scriptSignIn();
        QVERIFY(h.open());

        h.select(h.ui().lstLocalFileList, {"MY FOLIO 2"});
        QVERIFY(h.ui().cmdSend->isEnabled());
        Qt::CursorShape pointer = Qt::ArrowCursor;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&] { pointer = h.window->cursor().shape(); });
        h.ui().cmdSend->click();
        QCOMPARE(pointer, Qt::WaitCursor);
        QCOMPARE(h.window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(filesBelow(h.serverRoot()), prefixed("myfolio2/", publishedFiles(2, 1, 3)));
        verifyPublished(h.projects() + "My Folio 2", h.serverRoot() + "/myfolio2",
                        publishedFiles(2, 1, 3));
        QVERIFY(h.statuses.contains("Listing of remote folder completed."));
        QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), QStringList{"myfolio2"});
        QCOMPARE(h.ui().prgStatus->value(), 0);
        QVERIFY(h.progress.contains(100));
        QVERIFY(!h.ui().cmdAbort->isEnabled());
        QVERIFY(!h.statuses.filter(QRegularExpression("^Sending .*pictavo.html$")).isEmpty());
        QVERIFY(!h.statuses.filter(QRegularExpression("^Uploading file '.*' \\(\\d+ of \\d+K\\)$"))
                     .isEmpty());

        // Extra connections the first upload opened may still be logging in (vsftpd answers PASS
        // late): count nothing until the log has been quiet for a while.
        QElapsedTimer quiet;
        quiet.start();
        const QMetaObject::Connection settling = QObject::connect(
            h.xFtp.get(), &ftp::FtpClient::CommandLogged, h.window.get(), [&] { quiet.start(); });
        QTRY_VERIFY_WITH_TIMEOUT(quiet.elapsed() > 300, 5000);
        QObject::disconnect(settling);

        // While the publish runs the log and the per-file statuses wait; when it ends the log
        // holds every line. The commands it takes over one connection are counted.
        h.writeSettings("[Transfer]\r\nConnections=1\r\n");
        h.window->setUpdatePace(std::chrono::hours(1));
        const int logBefore = h.logSize(), statusesBefore = int(h.statuses.size());
        int commands = 0, logged = 0, logMidway = -1;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::CommandLogged, h.window.get(),
                         [&](const QString&, int direction) {
                             ++logged;
                             commands += direction == ftp::kLogSent;
                         });
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&] { logMidway = h.logSize(); });
        h.select(h.ui().lstLocalFileList, {"BEACH TRIP", "GARDEN"});
        h.ui().miSend->trigger();
        QCOMPARE(logMidway, logBefore);
        QCOMPARE(h.logSize(), logBefore + logged);
        // pyftpdlib's list of the remote folder afterwards takes two more.
        QCOMPARE(commands, server == WindowHarness::Py ? 49 : 47);
        QCOMPARE(h.statuses.mid(statusesBefore).filter(QRegularExpression("^(Sending|Uploading) ")),
                 QStringList{"Sending " + h.projects() + "beach Trip/bin/pictavo.html"});
        QStringList expected = prefixed("myfolio2/", publishedFiles(2, 1, 3)) +
                               prefixed("garden/", publishedFiles(1, 1, 0)) +
                               prefixed("beachtrip/", publishedFiles(1, 2, 2));
        expected.sort();
        QCOMPARE(filesBelow(h.serverRoot()), expected);
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList),
                 (QStringList{"beachtrip", "garden", "myfolio2"}));
        QVERIFY(h.log().filter("Error").isEmpty());
        QCOMPARE(h.script.unexpected, 0);
    }

    void onlyFolderRowsAreSent() {
        WindowHarness h;
        makeProject(h.projects() + "Alpha", 1, 0, 0);
        h.scriptSignIn();
        QVERIFY(h.open());
        addListRow(h.ui().lstLocalFileList, "unreadable", "unreadable", kFileRow, "");
        h.select(h.ui().lstLocalFileList, {"ALPHA", "unreadable"});
        h.xFtp->setConnections(1);
        h.window->upload().UploadSelectedProjects();
        QCOMPARE(h.xFtp->Connections(), 4);
        QVERIFY(h.xFtp->SkipUnchanged());
        QCOMPARE(filesBelow(h.serverRoot()), prefixed("alpha/", publishedFiles(1, 0, 0)));
        QVERIFY(h.statuses.contains("Successfully uploaded the selected Pictavo(s)."));
    }

    void nothingSelectedStillRefreshes() {
        WindowHarness h;
        h.scriptSignIn();
        QVERIFY(h.open());
        QDir(h.serverRoot()).mkpath("appeared");
        h.window->upload().UploadSelectedProjects();
        QVERIFY(h.statuses.contains("Successfully uploaded the selected Pictavo(s)."));
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), QStringList{"appeared"});
    }

    void missingStartPageStopsTheWalk() {
        WindowHarness h;
        makeProject(h.projects() + "A", 1, 1, 1);
        makeProject(h.projects() + "B", 1, 1, 1);
        makeProject(h.projects() + "C", 1, 1, 1);
        QFile::remove(h.projects() + "B/bin/pictavo.html");
        h.scriptSignIn();
        QVERIFY(h.open());
        h.select(h.ui().lstLocalFileList, {"A", "B", "C"});
        h.ui().cmdSend->click();
        QCOMPARE(filesBelow(h.serverRoot()), prefixed("a/", publishedFiles(1, 1, 1)));
        const QStringList errors = h.log().filter("Error while uploading file(s). Description: ");
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().size() >
                QString("Error while uploading file(s). Description: ").size());
        // The failure, with its cause, stays in the status line after the list was read again.
        const QString failed = "Error while uploading file(s).\nThe local file '" + h.projects() +
                               "B/bin/pictavo.html' does not exist.";
        QCOMPARE(h.statuses.mid(h.statuses.size() - 4),
                 (QStringList{failed, "Obtaining remote folder's contents...",
                              "Listing of remote folder completed.", failed}));
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), QStringList{"a"});
        QCOMPARE(h.ui().prgStatus->value(), 0);
    }

    void replaceQuestions() {
        WindowHarness h;
        makeProject(h.projects() + "Site", 2, 0, 0);
        h.scriptSignIn();
        QVERIFY(h.open());
        h.select(h.ui().lstLocalFileList, {"SITE"});
        h.ui().cmdSend->click();
        const QByteArray oldMovie = readFile(h.serverRoot() + "/site/movie1.swf");

        writeFile(h.projects() + "Site/bin/pictavo.html", "<html>new start page</html>");
        writeFile(h.projects() + "Site/bin/movie1.swf", "new movie");
        // pictavo.html: Yes; movie1.swf and movie2.swf: No.
        h.script.answer(QMessageBox::Yes).answer(QMessageBox::No).answer(QMessageBox::No);
        const int shown = h.script.shown.size();
        h.select(h.ui().lstLocalFileList, {"SITE"});
        h.ui().cmdSend->click();
        QCOMPARE(h.script.pending(), 0);
        QCOMPARE(h.script.unexpected, 0);
        const QList<ScriptedDialogs::Shown> questions = h.script.shown.mid(shown);
        QCOMPARE(questions.size(), 3);
        for (const ScriptedDialogs::Shown& q : questions) {
            QVERIFY(q.text.endsWith(" already exits. Do you want to replace it?"));
            QCOMPARE(q.title, QString("Pictavo Ferrymate [Confirm]"));
            QCOMPARE(q.icon, QMessageBox::Question);
            QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                                    QMessageBox::NoToAll);
            QCOMPARE(q.defaultButton, QMessageBox::Yes);
        }
        QVERIFY(questions.first().text.contains("pictavo.html"));
        QCOMPARE(readFile(h.serverRoot() + "/site/pictavo.html"),
                 QByteArray("<html>new start page</html>"));
        QCOMPARE(readFile(h.serverRoot() + "/site/movie1.swf"), oldMovie);
        // Nothing but the project's own files: no temporary leftovers.
        QCOMPARE(filesBelow(h.serverRoot()), prefixed("site/", publishedFiles(2, 0, 0)));

        // "No to All" keeps every file of the upload after one question; the next upload asks
        // again, and "Yes to All" replaces them all. Files the server has are counted.
        writeFile(h.projects() + "Site/bin/pictavo.html", "<html>newest start page</html>");
        writeFile(h.projects() + "Site/bin/movie2.swf", "newest movie two");
        h.script.answer(QMessageBox::NoToAll).answer(QMessageBox::YesToAll);
        bool reportUnchanged = false;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&](const QString& name) {
                             if (reportUnchanged)
                                 emit h.xFtp->SkippingFile(name, "", ftp::kSkipUnchanged);
                         });
        for (int upload = 0; upload < 2; ++upload) {
            reportUnchanged = upload == 1;
            h.select(h.ui().lstLocalFileList, {"SITE"});
            h.ui().cmdSend->click();
            QCOMPARE(h.script.shown.size(), shown + 4 + upload);
            QCOMPARE(readFile(h.projects() + "Site/bin/pictavo.html") ==
                         readFile(h.serverRoot() + "/site/pictavo.html"),
                     upload == 1);
        }
        QCOMPARE(readFile(h.serverRoot() + "/site/movie1.swf"), QByteArray("new movie"));
        QCOMPARE(readFile(h.serverRoot() + "/site/movie2.swf"), QByteArray("newest movie two"));
        QCOMPARE(h.script.unexpected, 0);
        QCOMPARE(h.log().filter("unchanged"), QStringList{"3 unchanged file(s) skipped."});
        QVERIFY(h.log().filter("was skipped").isEmpty());
    }

    // Over one connection the files go in order, so the abort finds the first big one sent;
    // over four the others' files are cut too, and none may stay behind partly written.
    void abortDuringTheSecondProject_data() {
        QTest::addColumn<int>("connections");
        QTest::newRow("one connection") << 1;
        QTest::newRow("four connections") << 4;
    }
    void abortDuringTheSecondProject() {
        QFETCH(int, connections);
        WindowHarness h;
        makeProject(h.projects() + "Part 1", 1, 1, 2);
        makeProject(h.projects() + "Part 2", 1, 1, 0);
        makeProject(h.projects() + "Part 3", 1, 1, 1);
        for (int i = 1; i <= 3; ++i)
            writeFile(h.projects() + QString("Part 2/bin/images/big %1.png").arg(i),
                      QByteArray(8 * 1024 * 1024, char('0' + i)));
        QDir(h.serverRoot()).mkpath("old");
        h.writeSettings(QString("[Transfer]\r\nConnections=%1\r\n").arg(connections));
        h.scriptSignIn();
        QVERIFY(h.open());
        bool aborted = false;
        QStringList enabledMidway;
        int shownMidway = -1;
        QObject::connect(
            h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(), [&](const QString& name) {
                if (name.contains("big 1")) {
                    // Nothing may start a second operation: not the controls, not
                    // a click or double-click that arrives anyway.
                    h.select(h.ui().lstRemoteFileList, {"old"});
                    for (QWidget* w :
                         h.window->findChildren<QWidget*>(QRegularExpression("^(cmd|cbo|opt)")))
                        if (w->isEnabled())
                            enabledMidway << w->objectName();
                    for (QAction* a : h.window->findChildren<QAction*>(QRegularExpression("^mi")))
                        if (a->isEnabled())
                            enabledMidway << a->objectName();
                    const int before = h.script.shown.size();
                    h.window->upload().cmdSend_Click();
                    h.window->remoteManagement().cmdDelete_Click();
                    h.window->download().cmdReceive_Click();
                    QTreeWidget* local = h.ui().lstLocalFileList;
                    emit local->itemDoubleClicked(local->topLevelItem(0), 0);
                    shownMidway = h.script.shown.size() - before;
                }
                if (!aborted && connections == 1 && name.contains("big 2")) {
                    aborted = true;
                    h.ui().cmdAbort->click();
                }
            });
        // Over four connections: while a big file is on its way, the others with it.
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::TransferProgress, h.window.get(),
                         [&](const QString& name, const QString&, qint64 size, qint64 done, int) {
                             if (!aborted && connections > 1 && name.contains("big ") && done > 0 &&
                                 done < size) {
                                 aborted = true;
                                 h.ui().cmdAbort->click();
                             }
                         });
        h.select(h.ui().lstLocalFileList, {"PART 1", "PART 2", "PART 3"});
        h.ui().cmdSend->click();
        QVERIFY(aborted);
        // Cancel asks first; View and the log window start nothing on the server.
        enabledMidway.sort();
        QCOMPARE(enabledMidway,
                 QStringList({"cmdAbort", "cmdCancel", "cmdView", "miAbort", "miShowLog"}));
        QCOMPARE(shownMidway, 0);
        QVERIFY(h.log().filter("Another FTP operation").isEmpty());
        QVERIFY(QFileInfo(h.serverRoot() + "/old").isDir());
        QVERIFY(h.statuses.contains("Aborting current operaion."));
        QVERIFY(h.log().contains("Upload successfully aborted."));
        QVERIFY(h.statuses.contains("Listing of remote folder completed."));
        QCOMPARE(h.status(), QString("Upload aborted."));
        QCOMPARE(h.ui().prgStatus->value(), 0);
        // The first project is complete, the second partial, the third not started; no file on
        // the server is partly written.
        verifyPublished(h.projects() + "Part 1", h.serverRoot() + "/part1",
                        publishedFiles(1, 1, 2));
        QVERIFY(!QFileInfo::exists(h.serverRoot() + "/part3"));
        const QStringList two = filesBelow(h.serverRoot() + "/part2");
        QVERIFY(two.contains("pictavo.html"));
        if (connections == 1) {
            QVERIFY(two.contains("images/big 1.png"));
            QVERIFY(!two.contains("images/big 3.png"));
        }
        for (const QString& file : two)
            QCOMPARE(readFile(h.serverRoot() + "/part2/" + file),
                     readFile(h.projects() + "Part 2/bin/" + file));
        QCOMPARE(h.xFtp->State(), int(ftp::kIdle));
    }

    // Escape or closing the window in the middle of an upload asks first: Yes aborts it,
    // disconnects and ends the program; No lets it finish.
    void closingDuringAnUpload_data() {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("stop");
        QTest::newRow("Escape, stop") << true << true;
        QTest::newRow("Escape, go on") << true << false;
        QTest::newRow("close, stop") << false << true;
    }
    void closingDuringAnUpload() {
        QFETCH(bool, escape);
        QFETCH(bool, stop);
        WindowHarness h;
        makeProject(h.projects() + "Site", 1, 0, 0);
        for (int i = 1; i <= 2; ++i)
            writeFile(h.projects() + QString("Site/bin/images/big %1.png").arg(i),
                      QByteArray(8 * 1024 * 1024, char('0' + i)));
        h.scriptSignIn();
        QVERIFY(h.open());
        bool pressed = false;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&](const QString& name) {
                             if (!pressed && name.contains("big 1")) {
                                 pressed = true;
                                 if (escape)
                                     QTest::keyClick(h.window.get(), Qt::Key_Escape);
                                 else
                                     h.window->close();
                             }
                         });
        h.script.answer(stop ? QMessageBox::Yes : QMessageBox::No);
        if (stop)
            h.script.answer(QMessageBox::Ok);  // the disconnection notice
        h.select(h.ui().lstLocalFileList, {"SITE"});
        h.ui().cmdSend->click();
        QVERIFY(pressed);
        QCOMPARE(h.script.shown.at(h.script.shown.size() - (stop ? 2 : 1)).text,
                 QString("A transfer is running. Stop it and close?"));
        QCOMPARE(h.window->isUnloaded(), stop);
        QCOMPARE(h.unloadedSignals, stop ? 1 : 0);
        for (const QString& file : filesBelow(h.serverRoot() + "/site"))
            QCOMPARE(readFile(h.serverRoot() + "/site/" + file),
                     readFile(h.projects() + "Site/bin/" + file));
        if (stop) {
            QCOMPARE(h.xFtp->State(), int(ftp::kNotConnected));
            QVERIFY(h.log().contains("Upload successfully aborted."));
            QVERIFY(!QFileInfo::exists(h.serverRoot() + "/site/images/big 2.png"));
        } else {
            QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
            QVERIFY(QFileInfo::exists(h.serverRoot() + "/site/images/big 2.png"));
            QVERIFY(h.window->isVisible());
        }
        QCOMPARE(h.script.unexpected, 0);
    }

    // The connection drops during the 12th of 30 files: the upload says so, reconnects and
    // completes, and nothing is left half-written.
    void reconnectsWhenTheConnectionDrops() {
        WindowHarness h;
        auto& py = dynamic_cast<PyFtpServer&>(*h.server);
        py.stop();
        py.cutOnce("STOR", 12);
        QVERIFY(py.start(h.serverRoot(), py.user(), py.password()));
        // One connection: the cut is of the connection that reconnects (a cut extra one gives
        // its file back to the others instead).
        h.writeSettings("[Transfer]\r\nConnections=1\r\n");
        makeProject(h.projects() + "Big", 9, 10, 10, 300000);
        h.scriptSignIn();
        QVERIFY(h.open());
        h.select(h.ui().lstLocalFileList, {"BIG"});
        h.ui().cmdSend->click();
        QCOMPARE(filesBelow(h.serverRoot()), prefixed("big/", publishedFiles(9, 10, 10)));
        verifyPublished(h.projects() + "Big", h.serverRoot() + "/big", publishedFiles(9, 10, 10));
        QCOMPARE(
            h.statuses
                .filter(QRegularExpression("^Connection to Mary.Jones.localhost lost; reconnecting "
                                           "\\(1 of 2\\)...\\n.+"))
                .size(),
            1);
        QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
        QCOMPARE(h.xFtp->State(), int(ftp::kIdle));
        QCOMPARE(h.script.unexpected, 0);  // no disconnection notice
    }

    void doubleClick() {
        WindowHarness h;
        makeProject(h.projects() + "A", 1, 0, 0);
        makeProject(h.projects() + "B", 1, 0, 0);
        makeProject(h.projects() + "C", 1, 0, 0);
        h.scriptSignIn();
        QVERIFY(h.open());
        QTreeWidget* list = h.ui().lstLocalFileList;
        h.select(list, {"A", "B", "C"});
        list->setCurrentItem(list->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);

        h.script.answer(QMessageBox::No);
        emit list->itemDoubleClicked(list->topLevelItem(1), 0);
        QCOMPARE(h.script.shown.last().text, QString("Upload Pictavo 'B'?"));
        QCOMPARE(h.status(), QString("Pictavo(s) not uploaded to FTP server."));
        QVERIFY(filesBelow(h.serverRoot()).isEmpty());

        h.script.answer(QMessageBox::Yes);
        emit list->itemDoubleClicked(list->topLevelItem(1), 0);
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), (QStringList{"a", "b", "c"}));

        h.script.answer(QMessageBox::Ok);  // the disconnection notice
        h.window->session().CloseConnection();
        const int shown = h.script.shown.size();
        emit list->itemDoubleClicked(list->topLevelItem(0), 0);
        QCOMPARE(h.status(), QString("Cannot upload Pictavo(s) when not connected."));
        QCOMPARE(h.script.shown.size(), shown);
    }

    void viewOpensEachSelectedProject() {
        WindowHarness h;
        QDir(h.serverRoot()).mkpath("alpha");
        QDir(h.serverRoot()).mkpath("beta");
        QDir(h.serverRoot()).mkpath("trip #2");
        QDir(h.serverRoot()).mkpath("cgi-bin");
        RecordingLauncher launcher;
        setWebLauncher(&launcher);
        h.scriptSignIn();
        QVERIFY(h.open());
        h.select(h.ui().lstRemoteFileList, {"alpha", "trip #2"});
        h.window->upload().cmdView_Click();
        setWebLauncher(nullptr);
        QCOMPARE(launcher.urls,
                 (QStringList{"http://Mary.Jones.localhost/alpha/pictavo.html",
                              "http://Mary.Jones.localhost/trip%20%232/pictavo.html"}));

        // The hosting account's own folders are no projects: neither viewed nor deleted as one,
        // but they can still be removed as a folder.
        h.select(h.ui().lstRemoteFileList, {"cgi-bin"});
        QVERIFY(!h.ui().cmdView->isEnabled());
        QVERIFY(!h.ui().cmdDelete->isEnabled());
        QVERIFY(h.ui().cmdDeleteRemoteFolder->isEnabled());
        h.select(h.ui().lstRemoteFileList, {"beta"});
        QVERIFY(h.ui().cmdView->isEnabled());
        QVERIFY(h.ui().cmdDelete->isEnabled());
    }
};

QTEST_MAIN(UploadTest)
#include "tst_upload.moc"
