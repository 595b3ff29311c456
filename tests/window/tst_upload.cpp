// Publishing projects through the transfer window against real servers: what lands on the
// server, the replace questions, abort and failure part-way, the double-click.
#include <QtTest>

#include "Download.h"
#include "FtpSession.h"
#include "ListRows.h"
#include "ProjectUpload.h"
#include "RemoteManagement.h"
#include "WindowHarness.h"

namespace {

// What a published project holds, relative to its remote folder, each after `prefix`.
QStringList publishedFiles(int movies, int texts, int images, const QString& prefix = {}) {
    QStringList files{prefix + "pictavo.html"};
    for (int i = 1; i <= movies; ++i)
        files << prefix + QString("movie%1.swf").arg(i);
    for (int i = 1; i <= texts; ++i)
        files << prefix + QString("text%1.txt").arg(i);
    for (int i = 1; i <= images; ++i)
        files << prefix + QString("images/photo %1.png").arg(i);
    files.sort();
    return files;
}

// Every file below the remote project folder is one of the project's and equals its local
// source: none is partly written, no temporary stays.
void verifySame(const QString& local, const QString& remote) {
    for (const QString& file : filesBelow(remote))
        QVERIFY2(QFileInfo::exists(local + "/bin/" + file) &&
                     readFile(remote + "/" + file) == readFile(local + "/bin/" + file),
                 qPrintable(file));
}

}  // namespace

class UploadTest : public QObject {
    Q_OBJECT
private slots:
    // Publishing, then publishing again over what the server has, over one or four connections.
    void uploadsAndRepublishes_data() { WindowHarness::addServerRows(); }
    void uploadsAndRepublishes() {
        QFETCH(int, server);
        QFETCH(int, connections);
        WindowHarness h{WindowHarness::Server(server)};
        h.writeSettings(QString("[Transfer]\r\nConnections=%1\r\n").arg(connections));
        makeProject(h.projects() + "My Folio 2", 2, 1, 3);
        makeProject(h.projects() + "Garden", 1, 1, 0);
        makeProject(h.projects() + "beach Trip", 1, 2, 2);
        QVERIFY(h.signIn());

        // With nothing selected the remote list is still read again; only project folder rows
        // are sent, with the options of a publish.
        QDir(h.serverRoot()).mkpath("appeared");
        h.window->upload().UploadSelectedProjects();
        QCOMPARE(h.remoteRows(), QStringList{"appeared"});
        addListRow(h.ui().lstLocalFileList, "unreadable", "unreadable", kFileRow, "");
        h.select(h.ui().lstLocalFileList, {"MY FOLIO 2", "unreadable"});
        h.xFtp->setConnections(9);
        h.xFtp->setSkipUnchanged(false);
        Qt::CursorShape pointer = Qt::ArrowCursor;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&] { pointer = h.window->cursor().shape(); });
        h.ui().cmdSend->click();
        QCOMPARE(pointer, Qt::WaitCursor);
        QCOMPARE(h.window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(h.xFtp->Connections(), connections);
        QVERIFY(h.xFtp->SkipUnchanged());
        QCOMPARE(filesBelow(h.serverRoot()), publishedFiles(2, 1, 3, "myfolio2/"));
        verifySame(h.projects() + "My Folio 2", h.serverRoot() + "/myfolio2");
        QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
        QCOMPARE(h.remoteRows(), (QStringList{"appeared", "myfolio2"}));
        QVERIFY(h.progress.contains(100));
        QVERIFY(!h.statuses.filter(QRegularExpression("^Sending .*pictavo.html$")).isEmpty());
        QVERIFY(!h.statuses.filter(QRegularExpression("^Uploading file '.*' \\(\\d+ of \\d+K\\)$"))
                     .isEmpty());

        // While the publish runs the log and the per-file statuses wait; when it ends the log
        // holds every line. The commands it takes over one connection are counted.
        h.window->setUpdatePace(std::chrono::hours(1));
        const int logBefore = h.log().size(), statusesBefore = int(h.statuses.size());
        int commands = 0, logged = 0, logMidway = -1;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::CommandLogged, h.window.get(),
                         [&](const QString&, int direction) {
                             ++logged;
                             commands += direction == ftp::kLogSent;
                         });
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&] { logMidway = h.log().size(); });
        h.select(h.ui().lstLocalFileList, {"BEACH TRIP", "GARDEN"});
        h.ui().miSend->trigger();
        QCOMPARE(logMidway, logBefore);
        QCOMPARE(h.log().size(), logBefore + logged);
        // pyftpdlib's list of the remote folder afterwards takes two more.
        if (connections == 1)
            QCOMPARE(commands, server == WindowHarness::Py ? 49 : 47);
        QCOMPARE(h.statuses.mid(statusesBefore).filter(QRegularExpression("^(Sending|Uploading) ")),
                 QStringList{"Sending " + h.projects() + "beach Trip/bin/pictavo.html"});
        QStringList expected = publishedFiles(2, 1, 3, "myfolio2/") +
                               publishedFiles(1, 1, 0, "garden/") +
                               publishedFiles(1, 2, 2, "beachtrip/");
        expected.sort();
        QCOMPARE(filesBelow(h.serverRoot()), expected);
        QCOMPARE(h.remoteRows(), (QStringList{"appeared", "beachtrip", "garden", "myfolio2"}));
        QVERIFY(h.log().filter("Error").isEmpty());

        // Published again: each file the server has is asked about. pictavo.html: Yes;
        // movie1.swf and text1.txt: No.
        const QString garden = h.projects() + "Garden/bin/", remote = h.serverRoot() + "/garden/";
        const QByteArray oldMovie = readFile(remote + "movie1.swf");
        writeFile(garden + "pictavo.html", "<html>new start page</html>");
        writeFile(garden + "movie1.swf", "new movie");
        h.script.answer(QMessageBox::Yes).answer(QMessageBox::No).answer(QMessageBox::No);
        const int shown = h.script.shown.size();
        h.select(h.ui().lstLocalFileList, {"GARDEN"});
        h.ui().cmdSend->click();
        QCOMPARE(h.script.pending(), 0);
        const QList<ScriptedDialogs::Shown> questions = h.script.shown.mid(shown);
        QCOMPARE(questions.size(), 3);
        const ScriptedDialogs::Shown& q = questions.first();
        QCOMPARE(q.title, QString("Pictavo Ferrymate [Confirm]"));
        QCOMPARE(q.icon, QMessageBox::Question);
        QCOMPARE(q.buttons,
                 QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
        QCOMPARE(q.text, QString("garden/pictavo.html already exits. Do you want to replace it?"));
        QCOMPARE(readFile(remote + "pictavo.html"), QByteArray("<html>new start page</html>"));
        QCOMPARE(readFile(remote + "movie1.swf"), oldMovie);
        // Nothing but the projects' own files: no temporary leftovers.
        QCOMPARE(filesBelow(h.serverRoot()), expected);

        // "No to All" keeps every file of the upload after one question; the next upload asks
        // again, and "Yes to All" replaces them all. Files the server has are counted.
        writeFile(garden + "pictavo.html", "<html>newest start page</html>");
        h.script.answer(QMessageBox::NoToAll).answer(QMessageBox::YesToAll);
        bool reportUnchanged = false;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&](const QString& name) {
                             if (reportUnchanged)
                                 emit h.xFtp->SkippingFile(name, "", ftp::kSkipUnchanged);
                         });
        for (int upload = 0; upload < 2; ++upload) {
            reportUnchanged = upload == 1;
            h.select(h.ui().lstLocalFileList, {"GARDEN"});
            h.ui().cmdSend->click();
            QCOMPARE(h.script.shown.size(), shown + 4 + upload);
            QCOMPARE(readFile(garden + "pictavo.html") == readFile(remote + "pictavo.html"),
                     upload == 1);
        }
        QCOMPARE(readFile(remote + "movie1.swf"), QByteArray("new movie"));
        QCOMPARE(h.log().filter("unchanged"), QStringList{"3 unchanged file(s) skipped."});
        QVERIFY(h.log().filter("was skipped").isEmpty());
    }

    void missingStartPageStopsTheWalk() {
        WindowHarness h;
        makeProject(h.projects() + "A", 1, 1, 1);
        makeProject(h.projects() + "B", 1, 1, 1);
        makeProject(h.projects() + "C", 1, 1, 1);
        QFile::remove(h.projects() + "B/bin/pictavo.html");
        QVERIFY(h.signIn());
        h.select(h.ui().lstLocalFileList, {"A", "B", "C"});
        h.ui().cmdSend->click();
        QCOMPARE(filesBelow(h.serverRoot()), publishedFiles(1, 1, 1, "a/"));
        QCOMPARE(h.log().filter("Error while uploading file(s). Description: ").size(), 1);
        // The failure, with its cause, stays in the status line after the list was read again.
        const QString failed = "Error while uploading file(s).\nThe local file '" + h.projects() +
                               "B/bin/pictavo.html' does not exist.";
        QCOMPARE(h.statuses.mid(h.statuses.size() - 4),
                 (QStringList{failed, "Obtaining remote folder's contents...",
                              "Listing of remote folder completed.", failed}));
        QCOMPARE(h.ui().prgStatus->value(), 0);
    }

    // An upload stopped part-way, by Abort (over one connection the files go in order, so the
    // abort finds the second big one sent; over four, a big one part-way and the others' files
    // with it), or by Escape or closing the window, which asks first: Yes aborts, disconnects
    // and ends the program, No lets it finish. No file on the server is partly written, and
    // nothing may start a second operation meanwhile.
    void stoppingAnUpload_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("connections");
        QTest::addColumn<bool>("stop");
        QTest::newRow("Abort, one connection") << "abort" << 1 << true;
        QTest::newRow("Abort, four connections") << "abort" << 4 << true;
        QTest::newRow("Escape, stop") << "escape" << 4 << true;
        QTest::newRow("Escape, go on") << "escape" << 4 << false;
        QTest::newRow("close, stop") << "close" << 4 << true;
    }
    void stoppingAnUpload() {
        QFETCH(QString, how);
        QFETCH(int, connections);
        QFETCH(bool, stop);
        WindowHarness h{WindowHarness::Py, [](const QString& root) { QDir(root).mkpath("old"); }};
        makeProject(h.projects() + "Site 1", 1, 1, 2);
        makeProject(h.projects() + "Site 2", 1, 1, 0);
        makeProject(h.projects() + "Site 3", 1, 1, 1);
        for (int i = 1; i <= 3; ++i)
            writeFile(h.projects() + QString("Site 2/bin/images/big %1.png").arg(i),
                      QByteArray(8 * 1024 * 1024, char('0' + i)));
        h.writeSettings(QString("[Transfer]\r\nConnections=%1\r\n").arg(connections));
        QVERIFY(h.signIn());
        if (how != "abort")
            h.script.answer(stop ? QMessageBox::Yes : QMessageBox::No);
        if (how != "abort" && stop)
            h.script.answer(QMessageBox::Ok);  // the disconnection notice
        bool stopped = false;
        const auto stopNow = [&] {
            stopped = true;
            if (how == "abort")
                h.ui().cmdAbort->click();
            else if (how == "escape")
                QTest::keyClick(h.window.get(), Qt::Key_Escape);
            else
                h.window->close();
        };
        QStringList enabledMidway;
        int shownMidway = -1;
        QObject::connect(
            h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(), [&](const QString& name) {
                if (shownMidway < 0 && name.contains("big 1")) {
                    // Not the controls, nor a click or double-click that arrives anyway.
                    h.select(h.ui().lstRemoteFileList, {"old"});
                    enabledMidway = h.enabledCommands();
                    const int before = h.script.shown.size();
                    h.window->upload().cmdSend_Click();
                    h.window->remoteManagement().cmdDelete_Click();
                    h.window->download().cmdReceive_Click();
                    QTreeWidget* local = h.ui().lstLocalFileList;
                    emit local->itemDoubleClicked(local->topLevelItem(0), 0);
                    shownMidway = h.script.shown.size() - before;
                    if (how != "abort")
                        stopNow();
                }
                if (!stopped && how == "abort" && connections == 1 && name.contains("big 2"))
                    stopNow();
            });
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::TransferProgress, h.window.get(),
                         [&](const QString& name, const QString&, qint64 size, qint64 done, int) {
                             if (!stopped && how == "abort" && connections > 1 &&
                                 name.contains("big ") && done > 0 && done < size)
                                 stopNow();
                         });
        h.select(h.ui().lstLocalFileList, {"SITE 1", "SITE 2", "SITE 3"});
        h.ui().cmdSend->click();
        QVERIFY(stopped);
        // Cancel asks first; View and the log window start nothing on the server.
        QCOMPARE(enabledMidway,
                 QStringList({"cmdAbort", "cmdCancel", "cmdView", "miAbort", "miShowLog"}));
        QCOMPARE(shownMidway, 0);
        QVERIFY(h.log().filter("Another FTP operation").isEmpty());
        QCOMPARE(filesBelow(h.serverRoot() + "/site1"), publishedFiles(1, 1, 2));
        verifySame(h.projects() + "Site 1", h.serverRoot() + "/site1");
        verifySame(h.projects() + "Site 2", h.serverRoot() + "/site2");
        QCOMPARE(QFileInfo::exists(h.serverRoot() + "/site3"), !stop);
        QCOMPARE(h.unloadedSignals, int(stop && how != "abort"));
        if (how != "abort")
            QCOMPARE(h.script.shown.at(1).text,
                     QString("A transfer is running. Stop it and close?"));
        if (!stop) {
            QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
            QVERIFY(filesBelow(h.serverRoot() + "/site2").contains("images/big 3.png"));
            return;
        }
        QVERIFY(h.log().contains("Upload successfully aborted."));
        QCOMPARE(h.xFtp->State(), int(how == "abort" ? ftp::kIdle : ftp::kNotConnected));
        if (how != "abort")
            return;
        QVERIFY(h.statuses.contains("Aborting current operaion."));
        QVERIFY(h.statuses.contains("Listing of remote folder completed."));
        QCOMPARE(h.status(), QString("Upload aborted."));
        QCOMPARE(h.ui().prgStatus->value(), 0);
        const QStringList two = filesBelow(h.serverRoot() + "/site2");
        if (connections == 1)
            QVERIFY(two.contains("pictavo.html") && two.contains("images/big 1.png") &&
                    !two.contains("images/big 3.png"));
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
        QVERIFY(h.signIn());
        h.select(h.ui().lstLocalFileList, {"BIG"});
        h.ui().cmdSend->click();
        QCOMPARE(filesBelow(h.serverRoot()), publishedFiles(9, 10, 10, "big/"));
        verifySame(h.projects() + "Big", h.serverRoot() + "/big");
        QCOMPARE(
            h.statuses
                .filter(QRegularExpression("^Connection to Mary.Jones.localhost lost; reconnecting "
                                           "\\(1 of 2\\)...\\n.+"))
                .size(),
            1);
        QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
    }

    void doubleClick() {
        WindowHarness h;
        for (const char* name : {"A", "B", "C"})
            makeProject(h.projects() + name, 1, 0, 0);
        QVERIFY(h.signIn());
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
        QCOMPARE(h.remoteRows(), (QStringList{"a", "b", "c"}));

        h.script.answer(QMessageBox::Ok);  // the disconnection notice
        h.window->session().CloseConnection();
        const int shown = h.script.shown.size();
        emit list->itemDoubleClicked(list->topLevelItem(0), 0);
        QCOMPARE(h.status(), QString("Cannot upload Pictavo(s) when not connected."));
        QCOMPARE(h.script.shown.size(), shown);
    }
};

QTEST_MAIN(UploadTest)
#include "tst_upload.moc"
