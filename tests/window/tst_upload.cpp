// Publishing and receiving through the transfer window against real servers.
#include <QPlainTextEdit>

#include "Download.h"
#include "ListRows.h"
#include "WindowHarness.h"

namespace {

// The copy holds the project's published files (unless `all`, some), each equal to its source.
void verifyCopy(const QString& project, const QString& copy, bool all = true) {
    const QStringList files = tree(copy);
    if (all)
        QCOMPARE(files, tree(project + "/bin"));
    for (const QString& file : files)
        QVERIFY2(QFileInfo::exists(project + "/bin/" + file) &&
                     readFile(copy + "/" + file) == readFile(project + "/bin/" + file),
                 qPrintable(file));
}

}  // namespace

class UploadTest : public QObject {
    Q_OBJECT
private slots:
    // Signing in, publishing, publishing again and receiving, over one or four connections; over
    // one to pyftpdlib first the double-click, a missing start page, an aborted download, a lost
    // link.
    void publishesAndReceives_data() { WindowHarness::addServerRows(); }
    void publishesAndReceives() {
        QFETCH(int, server);
        QFETCH(int, connections);
        const bool failures = server == WindowHarness::Py && connections == 1;
        WindowHarness h{WindowHarness::Server(server)};
        QDir(h.serverRoot()).mkpath("beta");
        writeFile(h.serverRoot() + "/index.html", "not a row");
        makeProject(h.projects() + "My Folio 2", 2, 1, 3);
        makeProject(h.projects() + "Garden", 1, 1, 0);
        makeProject(h.projects() + "beach Trip", 1, 2, 2);
        if (failures) {
            writeFile(h.serverRoot() + "/d1/small.txt", "s");
            writeFile(h.serverRoot() + "/d2/big.bin", QByteArray(96 * 1024 * 1024, 'b'));
            writeFile(h.serverRoot() + "/d3/late.txt", "l");
            for (const char* name : {"A", "B", "C"})
                makeProject(h.projects() + name, 1, 1, 1);
            makeProject(h.projects() + "Big", 9, 10, 10, 300000);
            // Cut during the 12th file of Big, after A's 4; the upload reconnects.
            auto& py = dynamic_cast<PyFtpServer&>(*h.server);
            py.stop();
            py.cutOnce("STOR", 4 + 12);
            QVERIFY(py.start(h.serverRoot(), py.user(), py.password()));
        }
        h.writeSettings(QString("[Transfer]\r\nConnections=%1\r\n").arg(connections));
        QVERIFY(h.signIn());
        // Fits its screen, and 1366x768 at 144 DPI (1.5 times longer) less a panel and title bar.
        const QSize needed = h.window->minimumSizeHint().expandedTo(h.window->minimumSize()) * 1.5;
        const QRect screen = h.window->screen()->availableGeometry();
        QVERIFY(h.window->isVisible() && needed.width() <= 1366 && needed.height() <= 768 - 64 &&
                h.window->width() <= screen.width() && h.window->height() <= screen.height());
        // The log window shows the session's messages and dialogue and follows new lines. Screen
        // readers read the status text as the line's name.
        h.ui().miShowLog->trigger();
        auto* log = h.window->findChild<QPlainTextEdit*>("txtLog");
        h.window->DisplayMessage("a later line");
        QVERIFY(log->isVisible() && log->toPlainText().split('\n') == h.log());
        QCOMPARE((QStringList{h.ui().lblStatus->accessibleName(), h.ui().lblUserAddr->text(),
                              h.ui().cboRemotePath->currentText(), log->window()->windowTitle()}),
                 (QStringList{h.status(), "http://Mary.Jones.localhost", "/",
                              "Pictavo Ferrymate - Log"}));
        if (failures) {
            QTreeWidget* list = h.ui().lstLocalFileList;
            h.select(list, {"A", "B", "C"});
            list->setCurrentItem(list->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
            h.script.answer(QMessageBox::No);
            emit list->itemDoubleClicked(list->topLevelItem(1), 0);
            QCOMPARE(h.script.shown.last().text + "|" + h.status(),
                     QString("Upload Pictavo 'B'?|Pictavo(s) not uploaded to FTP server."));

            QFile::remove(h.projects() + "B/bin/pictavo.html");
            const QRect listed = list->geometry();
            h.script.answer(QMessageBox::Yes);
            emit list->itemDoubleClicked(list->topLevelItem(1), 0);
            verifyCopy(h.projects() + "A", h.serverRoot() + "/a");
            QVERIFY(tree(h.serverRoot()).filter(QRegularExpression("^[bc]/")).isEmpty());
            // The failure, with its cause, stays in the status line after the list was read again.
            QCOMPARE(h.status(), "Error while uploading file(s).\nThe local file '" + h.projects() +
                                     "B/bin/pictavo.html' does not exist.");
            // A status of three lines does not move the lists (laid out once the loop runs), and
            // shows whole.
            QTest::qWait(1);
            const QLabel* status = h.ui().lblStatus;
            QVERIFY(h.log().filter("Error while uploading file(s). Description: ").size() == 1 &&
                    h.ui().prgStatus->value() == 0 && list->geometry() == listed &&
                    status->height() >= status->heightForWidth(status->width()));

            bool aborted = false;
            QObject scope;
            QObject::connect(h.xFtp.get(), &ftp::FtpClient::TransferProgress, &scope,
                             [&](const QString&, const QString&, qint64 size, qint64 done) {
                                 if (!aborted && size > 1000000 && done > 0 && done < size) {
                                     aborted = true;
                                     h.ui().miAbort->trigger();
                                 }
                             });
            h.select(h.ui().lstRemoteFileList, {"d1", "d2", "d3"});
            h.script.answer(QMessageBox::No).answer(QMessageBox::No);  // d3 is never asked about
            h.window->download().ReceiveSelectedItems();
            QVERIFY(aborted && h.log().contains("Download successfully aborted.") &&
                    h.statuses.contains("Download aborted.") && h.ui().prgStatus->value() == 0);
            QCOMPARE(tree(h.projects()).filter(QRegularExpression("^d")),
                     QStringList{"d1/small.txt"});
            // The local list was read again: the first folder is there, the third never came.
            QVERIFY(h.localRows().contains("D1") && !h.localRows().contains("D3"));

            // The upload says the connection was lost, reconnects and completes.
            h.send({"BIG"});
            verifyCopy(h.projects() + "Big", h.serverRoot() + "/big");
            const QString lost =
                "^Connection to Mary.Jones.localhost lost; reconnecting \\(1 of 2\\)";
            QCOMPARE(h.statuses.filter(QRegularExpression(lost + "...\\n.+")).size(), 1);

            for (const char* made : {"/a", "/big", "/d1", "/d2", "/d3"})
                QDir(h.serverRoot() + made).removeRecursively();
            h.ui().lstLocalFileList->clearSelection();
        }

        // Folder rows are sent, with a publish's options; the list is read again (folders only).
        addListRow(h.ui().lstLocalFileList, "unreadable", "unreadable", kFileRow, "");
        h.xFtp->setConnections(9);
        h.xFtp->setSkipUnchanged(false);
        Qt::CursorShape pointer = Qt::ArrowCursor;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&] { pointer = h.window->cursor().shape(); });
        h.send({"MY FOLIO 2", "unreadable"});
        QVERIFY(pointer == Qt::WaitCursor && h.xFtp->SkipUnchanged() &&
                h.xFtp->Connections() == connections);
        verifyCopy(h.projects() + "My Folio 2", h.serverRoot() + "/myfolio2");
        QCOMPARE(h.status(), QString("Successfully uploaded the selected Pictavo(s)."));
        QCOMPARE(h.remoteRows(), (QStringList{"beta", "myfolio2"}));
        const QRegularExpression uploading("^Uploading file '.*' \\(\\d+ of \\d+K\\)$");
        QVERIFY(h.progress.contains(100) && h.statuses.indexOf(uploading) >= 0 &&
                h.statuses.contains("Sending " + h.projects() + "My Folio 2/bin/pictavo.html"));

        // Updates paced to the end from here on. The commands are counted.
        h.window->setUpdatePace(std::chrono::hours(1));
        int commands = 0;
        QObject::connect(
            h.xFtp.get(), &ftp::FtpClient::CommandLogged, h.window.get(),
            [&](const QString&, int direction) { commands += direction == ftp::kLogSent; });
        h.select(h.ui().lstLocalFileList, {"BEACH TRIP", "GARDEN"});
        h.ui().miSend->trigger();
        // pyftpdlib's list of the remote folder afterwards takes two more.
        if (connections == 1)
            QCOMPARE(commands, server == WindowHarness::Py ? 49 : 47);
        verifyCopy(h.projects() + "Garden", h.serverRoot() + "/garden");
        verifyCopy(h.projects() + "beach Trip", h.serverRoot() + "/beachtrip");

        // Published again, each file the server has is asked about: Yes, No, No. Then "No to
        // All" keeps every file after one question, and "Yes to All" replaces them all.
        const QString garden = h.projects() + "Garden/bin/", remote = h.serverRoot() + "/garden/";
        const QByteArray oldMovie = readFile(remote + "movie1.swf");
        writeFile(garden + "movie1.swf", "new movie");
        const int shown = h.script.shown.size();
        using B = QMessageBox;
        const QList<QList<B::StandardButton>> rounds = {
            {B::Yes, B::No, B::No}, {B::NoToAll}, {B::YesToAll}};
        int round = 0;  // the third counts the files the server has unchanged
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, h.window.get(),
                         [&](const QString& name) {
                             if (round == 3)
                                 emit h.xFtp->SkippingFile(name, "", ftp::kSkipUnchanged);
                         });
        for (const QList<B::StandardButton>& answers : rounds) {
            writeFile(garden + "pictavo.html", "<html>" + QByteArray::number(++round) + "</html>");
            for (const B::StandardButton answer : answers)
                h.script.answer(answer);
            h.send({"GARDEN"});
            QCOMPARE(readFile(garden + "pictavo.html") == readFile(remote + "pictavo.html"),
                     round != 2);
            QCOMPARE(readFile(remote + "movie1.swf") == oldMovie, round < 3);
        }
        QCOMPARE(tree(remote), tree(garden));
        const ScriptedDialogs::Shown& q = h.script.shown.at(shown);
        QCOMPARE(q.title + "|" + q.text, QString("Pictavo Ferrymate [Confirm]|garden/pictavo.html "
                                                 "already exits. Do you want to replace it?"));
        QVERIFY(q.defaultButton == B::Yes &&
                q.buttons == (B::Yes | B::YesToAll | B::No | B::NoToAll));
        QCOMPARE(h.log().filter("skipped"), QStringList{"3 unchanged file(s) skipped."});

        // Received back: subfolders as answered, a link as its file.
        writeFile(h.serverRoot() + "/target.txt", "linked content");
        QFile::link("target.txt", h.serverRoot() + "/my link");
        h.window->remoteSide().RefreshRemoteFileList();
        h.select(h.ui().lstRemoteFileList, {"beachtrip", "myfolio2", "my link"});
        h.script.answer(QMessageBox::No).answer(QMessageBox::Yes);
        h.ui().cmdReceive->click();
        const QString question =
            "Do you want to receive any subfolders that are contained in the '%1' folder?";
        QCOMPARE(h.script.messageTexts(shown + 5),
                 (QStringList{question.arg("beachtrip"), question.arg("myfolio2")}));
        verifyCopy(h.projects() + "My Folio 2", h.projects() + "myfolio2");
        verifyCopy(h.projects() + "beach Trip", h.projects() + "beachtrip", false);
        QCOMPARE(tree(h.projects() + "beachtrip").size(), 4);  // no images
        // pyftpdlib lists the link as a file, which makes no row.
        QCOMPARE(readFile(h.projects() + "my link"),
                 server == WindowHarness::Vs ? QByteArray("linked content") : QByteArray());
        QCOMPARE(h.status(), QString("File download(s) complete."));
    }

    // Stopped at a big file by Abort (one and four connections), by Escape (No goes on) and by
    // closing, which ask first, in one window signed in again after it closed. No partial file
    // stays, and nothing starts a second operation meanwhile.
    void stoppingAnUpload() {
        WindowHarness h{WindowHarness::Py};
        QDir(h.serverRoot()).mkpath("old");
        makeProject(h.projects() + "Site 1", 1, 1, 2);
        makeProject(h.projects() + "Site 2", 3, 1, 0, 8 * 1024 * 1024);
        makeProject(h.projects() + "Site 3", 1, 1, 1);
        for (const auto& [how, connections] :
             {std::pair{"abort", 1}, {"abort", 4}, {"go on", 4}, {"escape", 4}, {"close", 4}}) {
            const bool stop = how != QString("go on"), asks = how != QString("abort");
            for (const char* site : {"/site1", "/site2", "/site3"})
                QDir(h.serverRoot() + site).removeRecursively();
            h.writeSettings(QString("[Transfer]\r\nConnections=%1\r\n").arg(connections));
            if (!h.window || how == QString("close")) {
                h.window.reset();
                QVERIFY(h.signIn());
            }
            h.unloadedSignals = 0;
            const int from = h.script.shown.size(), logFrom = h.log().size();
            const int statusFrom = h.statuses.size();
            if (asks)
                h.script.answer(stop ? QMessageBox::Yes : QMessageBox::No);
            if (asks && stop)
                h.script.answer(QMessageBox::Ok);  // the disconnection notice
            QStringList midwayState;  // the enabled commands, then the count of boxes shown
            const auto midway = [&](const QString& name, bool partWay) {
                if (!midwayState.isEmpty() || !partWay ||
                    !name.contains(connections > 1 ? "Site 2/bin/movie" : "Site 2/bin/movie2"))
                    return;
                // Not the controls, nor a click or double-click that arrives anyway.
                h.select(h.ui().lstRemoteFileList, {"old"});
                midwayState = h.enabledCommands();
                h.window->upload().cmdSend_Click();
                h.window->remoteManagement().cmdDelete_Click();
                h.window->download().cmdReceive_Click();
                QTreeWidget* local = h.ui().lstLocalFileList;
                emit local->itemDoubleClicked(local->topLevelItem(0), 0);
                midwayState << QString::number(h.script.shown.size() - from);
                if (!asks)
                    h.ui().cmdAbort->click();
                else if (how == QString("close"))
                    h.window->close();
                else
                    QTest::keyClick(h.window.get(), Qt::Key_Escape);
            };
            // Escape and Abort over one connection as the big file starts, the others part-way.
            QObject pass;
            QObject::connect(h.xFtp.get(), &ftp::FtpClient::SendingFile, &pass,
                             [&](const QString& name) {
                                 midway(name, how[0] != 'c' && (asks || connections == 1));
                             });
            QObject::connect(h.xFtp.get(), &ftp::FtpClient::TransferProgress, &pass,
                             [&](const QString& name, const QString&, qint64 size, qint64 done,
                                 int) { midway(name, done > 0 && done < size); });
            h.send({"SITE 1", "SITE 2", "SITE 3"});
            // Cancel asks first; View and the log window start nothing on the server.
            QCOMPARE(midwayState, QStringList({"cmdAbort", "cmdCancel", "cmdView", "miAbort",
                                               "miShowLog", "0"}));
            QVERIFY(h.log().filter("Another FTP operation").isEmpty());
            verifyCopy(h.projects() + "Site 1", h.serverRoot() + "/site1");
            verifyCopy(h.projects() + "Site 2", h.serverRoot() + "/site2", !stop);
            QCOMPARE(QFileInfo::exists(h.serverRoot() + "/site3"), !stop);
            QCOMPARE(h.unloadedSignals, int(stop && asks));
            QCOMPARE(h.script.messageTexts(from).value(0),
                     asks ? "A transfer is running. Stop it and close?" : QString());
            QCOMPARE(h.status(),
                     stop ? "Upload aborted." : "Successfully uploaded the selected Pictavo(s).");
            QCOMPARE(h.log().mid(logFrom).contains("Upload successfully aborted."), stop);
            QCOMPARE(h.statuses.mid(statusFrom).contains("Aborting current operaion."), !asks);
        }
    }
};

QTEST_MAIN(UploadTest)
#include "tst_upload.moc"
