// The transfer window's FTP session against real servers.
#include <QTcpServer>

#include "WindowHarness.h"

namespace {

// Answers the retry prompt with `button`; `seen` gets the status, title, message and buttons.
void answerRetry(WindowHarness& h, QStringList& seen, const char* button) {
    h.script.answerForm([&h, &seen, button](QDialog& prompt) {
        seen << h.status() << prompt.windowTitle() << prompt.findChild<QLabel*>("Label1")->text();
        for (const QPushButton* b : prompt.findChildren<QPushButton*>())
            if (!b->isHidden() && b->isEnabled())
                seen << b->objectName() + "=" + b->text();
        prompt.findChild<QPushButton*>(button)->click();
    });
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    // A certificate that does not verify is asked about and remembered for its host; another one
    // asks again with a warning.
    void certificateTrust() {
        WindowHarness h{WindowHarness::VsTls};
        const QString ini = h.programDir() + "/Ferrymate.ini", host = "Mary.Jones.localhost";
        h.scriptSignIn();
        h.script.answer(QMessageBox::Yes);
        QVERIFY(h.open());
        const ScriptedDialogs::Shown asked = h.script.shown.at(1);
        QCOMPARE(
            h.status() + "|" + asked.title + "|" + asked.acceptText + "|" +
                readProfileString("Encryption", "mary.jon@" + host, "", 16, ini),
            "Connected to " + host + "|Pictavo Ferrymate [Security]|Trust this certificate|TLS");
        const QString fingerprint = readProfileString("Certificates", host, "", 256, ini);
        QVERIFY(
            asked.text.startsWith("The certificate of " + host + " could not be verified:\n- ") &&
            asked.text.contains("SHA-256 fingerprint: " + fingerprint + "\n"));
        // The remembered one passes without a question; another one: Cancel sends nothing more.
        QStringList retry;
        for (const bool changed : {false, true}) {
            QVERIFY(writeProfileString("Certificates", host, changed ? "00:11" : fingerprint, ini));
            h.script.answer(QMessageBox::Ok);  // "Disconnected from FTP server ..."
            h.ui().cmdDisconnect->click();
            h.scriptSignIn();
            if (changed) {
                h.script.answer(QMessageBox::Cancel);
                answerRetry(h, retry, "cmdCancel");
            }
            const int from = h.log().size(), shown = h.script.shown.size();
            h.ui().cmdConnect->click();
            QCOMPARE(h.script.shown.size(), shown + (changed ? 3 : 1));
            QCOMPARE(h.log().mid(from).filter("USER").isEmpty(), changed);
        }
        const QString warning = h.script.shown.at(h.script.shown.size() - 2).text;
        QVERIFY(warning.startsWith("WARNING: the certificate of " + host +
                                   " has changed since you trusted it.") &&
                warning.contains("Trusted before: 00:11\n"));
        QVERIFY(retry.at(2).contains("\r\rThe server's certificate is not trusted (SHA-256 " +
                                     fingerprint + "):"));
        QCOMPARE(readProfileString("Certificates", host, "", 256, ini), QString("00:11"));
    }

    // A wrong password, OK: asked again, the address no longer kept. The command rules, browsing, a
    // listing stopped part-way, the menus; the server goes away; a refused one, Cancel: the end.
    void signInBrowseAndFailures() {
        WindowHarness h{WindowHarness::Py};
        const QDir served(h.serverRoot());
        for (const char* folder : {"Alpha/inner", "ALPHA", "site1", "site2", "site3", "site4",
                                   "site5", "site6", "cgi-bin", "cp", "images"})
            served.mkpath(folder);
        writeFile(h.serverRoot() + "/files/a.txt", "a");
        for (int i = 0; i < 3000; ++i)
            served.mkpath(QString("big/folder%1").arg(i));
        makeProject(h.projects() + "New");
        const QString ini = h.programDir() + "/Ferrymate.ini";
        // An account that had TLS, on this server without it: refused before the name is sent.
        h.writeSettings("[Encryption]\r\nmary.jon@Mary.Jones.localhost=TLS\r\n");
        QStringList tlsPrompt, atPrompt;
        h.scriptSignIn();
        answerRetry(h, tlsPrompt, "cmdConnect");
        bool userSent = true;
        h.scriptSignIn(false, "wrong", [&] {
            userSent = !h.log().filter("USER").isEmpty();
            h.writeSettings();
        });
        answerRetry(h, atPrompt, "cmdConnect");
        QString savedAddress = "x";
        h.scriptSignIn(false, {}, [&] {
            savedAddress =
                readProfileString("ConnectionInfo", "LastServerAddressUsed", "", 256, ini);
        });
        QVERIFY(h.open() && !userSent && savedAddress.isEmpty());
        QVERIFY(
            tlsPrompt.at(2).contains("\r\rMary.Jones.localhost encrypted this account's "
                                     "connections before but offers no encryption now, so "
                                     "the password was not sent."));
        QTreeWidget* list = h.ui().lstLocalFileList;
        h.select(list, {"NEW"});
        QVERIFY(!h.ui().miSend->isEnabled() && h.ui().cmdRemoveLocalFolder->isEnabled());

        // Up to the root and no further; choosing the current folder says nothing; a folder the
        // server refuses keeps the old listing.
        RemoteSide& remote = h.window->remoteSide();
        const int from = h.statuses.size();
        QVERIFY(remote.ChangeCurrentRemoteFolder("files", true));
        h.ui().cmdUpFtp->click();
        const QStringList root = h.remoteRows();
        QCOMPARE(root.mid(0, 6), (QStringList{"ALPHA", "Alpha", "big", "cgi-bin", "cp", "files"}));
        remote.cmdUpFtp_Click();
        remote.cboRemotePath_Click();
        h.ui().cboRemotePath->addItem("/gone");
        h.ui().cboRemotePath->setCurrentIndex(h.ui().cboRemotePath->count() - 1);
        QCOMPARE(h.remoteRows(), root);

        // Abort keeps the connection and the rows listed so far.
        QVERIFY(remote.ChangeCurrentRemoteFolder("big", true));
        bool abortEnabled = false;
        int seen = 0;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::ListingItem, h.window.get(), [&] {
            if (++seen != 20)
                return;
            abortEnabled = h.ui().miAbort->isEnabled();
            h.ui().miAbort->trigger();
        });
        remote.RefreshRemoteFileList();
        const int rows = h.ui().lstRemoteFileList->topLevelItemCount();
        QVERIFY(abortEnabled && !h.ui().cmdAbort->isEnabled() && rows >= 20 && rows < 3000);
        QCOMPARE(h.statuses.mid(from),
                 (QStringList{
                     "Remote folder changed to /files", "Remote folder changed to /",
                     "Obtaining remote folder's contents...", "Listing of remote folder completed.",
                     "Remote path now up one folder.", "Remote path already at a root folder.",
                     "Could not change current remote folder.", "Remote folder changed to /big",
                     "Obtaining remote folder's contents...", "Aborting current operaion.",
                     "Could not list remote folder's contents."}));

        // Below the limit again: one project fewer, the special folders not counted.
        served.rmdir("site6");
        h.ui().cmdUpFtp->click();
        h.select(list, {"NEW"});
        QVERIFY(h.ui().cmdSend->isEnabled());
        // Two remote folders selected: no single-project commands, but receive and delete.
        h.select(h.ui().lstRemoteFileList, {"site1", "site2"});
        QVERIFY(!h.ui().cmdDelete->isEnabled() && h.ui().cmdDeleteRemoteFile->isEnabled());
        h.select(h.ui().lstRemoteFileList, {"site1"});
        QVERIFY(h.ui().cmdDelete->isEnabled() && !h.ui().cmdRenameRemoteFile->isEnabled());

        h.ui().optAscii->setChecked(true);
        QCOMPARE(h.xFtp->TransferMode(), 1);
        h.ui().optBinary->setChecked(true);
        QCOMPARE(h.xFtp->TransferMode(), 0);
        // The server's questions for an account and a password; a cancelled one keeps the old.
        h.script.answerInput("acct-7").answerInput("");
        QString account, password = "old";
        emit h.xFtp->AccountRequired(account);
        emit h.xFtp->PasswordRequired(password);
        const ScriptedDialogs::Shown& query = h.script.shown.at(h.script.shown.size() - 2);
        QCOMPARE(account + "|" + password + "|" + h.window->record().sPassword + "|" + query.title +
                     "|" + query.text + "|" + h.script.shown.last().text,
                 "acct-7||" + h.password +
                     "|Pictavo Ferrymate [Query]|An account is required for "
                     "this server.|Please enter the correct password");

        // The right button opens the lists' menus, whose entries run their buttons' commands.
        for (QTreeWidget* view : {list, h.ui().lstRemoteFileList}) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5}, view->mapToGlobal(QPoint()));
            QApplication::sendEvent(view->viewport(), &event);
            QTRY_VERIFY((view == list ? h.ui().miLocal : h.ui().miRemote)->isVisible());
            QApplication::activePopupWidget()->hide();
        }
        h.script.answerInput("New Site").answerInput("made remotely");
        h.ui().miCreateLocalFolder->trigger();
        QCOMPARE(h.localRows(), (QStringList{"NEW", "NEW SITE"}));
        h.ui().miCreateRemoteFolder->trigger();
        QVERIFY(h.remoteRows().contains("made remotely"));

        h.select(list, {"NEW"});
        h.script.answer(QMessageBox::Ok);
        h.server->stop();
        QTRY_COMPARE_WITH_TIMEOUT(h.status(), QString("Disconnected from Mary.Jones.localhost"),
                                  15000);
        QCOMPARE(h.script.shown.last().text,
                 QString("Disconnected from FTP server Mary.Jones.localhost"));
        QCOMPARE(h.ui().cboRemotePath->count() + h.remoteRows().size(), 0);
        emit list->itemDoubleClicked(list->currentItem(), 0);
        QCOMPARE(h.status(), QString("Cannot upload Pictavo(s) when not connected."));
        QCOMPARE(
            h.enabledCommands(),
            (QStringList{"cmdCancel", "cmdConnect", "cmdCreateLocalFolder", "cmdRemoveLocalFolder",
                         "miConnect", "miCreateLocalFolder", "miRemoveLocalFolder", "miShowLog"}));

        // The menu reopens the sign-in after a lost connection; a refused server, Cancel.
        const quint16 refused = freeLoopbackPort();
        h.writeSettings({}, refused);
        h.scriptSignIn();
        answerRetry(h, atPrompt, "cmdCancel");
        h.ui().miConnect->trigger();
        // The texts stay as they are; the cause follows on a line of its own.
        QStringList expected;
        for (const QString& why :
             QStringList{"The server refused the password: Authentication failed.",
                         "The server Mary.Jones.localhost (port " + QString::number(refused) +
                             ") could not be reached: Connection refused"})
            expected << "Could not connect to Mary.Jones.localhost\n" + why
                     << "Pictavo Ferrymate -Internet Connection"
                     << "Unable to connect to your FTP Server.\rPlease verify you account "
                        "information.\r\rClick 'OK' if you would like to try again.\r\r" +
                            why
                     << "cmdConnect=OK"
                     << "cmdCancel=C&ancel";
        QCOMPARE(atPrompt, expected);
        // Each failure is logged once, with its cause.
        const QString connecting = "Error while connecting to 'Mary.Jones.localhost'.";
        QCOMPARE(h.log()
                     .filter(". Description: ")
                     .replaceInStrings(QRegularExpression(" Description: [\\s\\S]*"), ""),
                 (QStringList{connecting, connecting,
                              "Error while attempting to change current remote folder to '/gone'.",
                              "Error while listing remote folder's contents.", connecting}));
        // A silent server is left when the window closes.
        QTcpServer quiet;
        QVERIFY(quiet.listen(QHostAddress::LocalHost));
        h.writeSettings({}, quiet.serverPort());
        h.scriptSignIn();
        QTimer::singleShot(300, &quiet, [&] { h.window->close(); });
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!h.open() && timer.elapsed() < 5000 && h.unloadedSignals == 2);
    }
};

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
