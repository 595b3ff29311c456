// The FTP session of the transfer window against real servers: signing in and connecting, the
// retry dialog, remote browsing, the command rules, losing the connection, abort and close.
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QtTest>

#include "FtpSession.h"
#include "ProfileFile.h"
#include "RemoteSide.h"
#include "WindowHarness.h"

namespace {

QStringList matching(const QStringList& lines, const QString& part) {
    QStringList found;
    for (const QString& line : lines)
        if (line.contains(part))
            found << line;
    return found;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void connectsWithFirstEightLetters_data() { addServerRows(); }
    void connectsWithFirstEightLetters() {
        QFETCH(int, server);
        WindowHarness h{WindowHarness::Server(server)};
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        QDir(h.serverRoot()).mkpath("alpha");
        QDir(h.serverRoot()).mkpath("beta");
        writeFile(h.serverRoot() + "/index.html", "not a row");
        makeProject(h.projects() + "One");
        h.scriptSignIn();
        QVERIFY(h.open());
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.status(), QString("Connected to Mary.Jones.localhost (not encrypted)"));
        // Screen readers read the status text as the line's name.
        QCOMPARE(h.ui().lblStatus->accessibleName(), h.status());
        // The log window shows the session's messages and dialogue, without the password, as
        // text to copy, and follows new lines.
        h.ui().miShowLog->trigger();
        auto* log = h.window->findChild<QPlainTextEdit*>("txtLog");
        QVERIFY(log && log->isVisible());
        QCOMPARE(log->window()->windowTitle(), QString("Pictavo Ferrymate - Log"));
        h.window->DisplayMessage("a later line");
        QCOMPARE(log->toPlainText().split('\n'), h.log());
        QVERIFY(!matching(h.log(), "PASS ****").isEmpty());
        QVERIFY(!log->toPlainText().contains(h.password));
        log->selectAll();
        log->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), log->toPlainText());
        QCOMPARE(h.ui().lblUserAddr->text(), QString("http://Mary.Jones.localhost"));
        QCOMPARE(h.xFtp->UserName(), QString("mary.jon"));
        QVERIFY(!matching(h.log(), "USER mary.jon").isEmpty());
        QVERIFY(matching(h.log(), h.password).isEmpty());
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), (QStringList{"alpha", "beta"}));
        QCOMPARE(h.ui().cboRemotePath->count(), 1);
        QCOMPARE(h.ui().cboRemotePath->currentText(), QString("/"));
        QVERIFY(h.ui().cmdDisconnect->isEnabled());
        QVERIFY(!h.ui().cmdConnect->isEnabled());
        QVERIFY(!h.ui().miConnect->isEnabled());
        QVERIFY(!h.ui().cmdAbort->isEnabled());
        // The command log file beside the program has the dialogue, without the password.
        const QByteArray ftpLog = readFile(h.programDir() + "/FerryFTP.log");
        QVERIFY(ftpLog.contains("mary.jon"));
        QVERIFY(!ftpLog.contains(h.password.toUtf8()));
        // The settings file holds the sign-in.
        QCOMPARE(readProfileString("ConnectionInfo", "LastServerAddressUsed", "", 256,
                                   h.programDir() + "/Ferrymate.ini"),
                 QString("Mary.Jones.localhost"));
        QCOMPARE(h.script.unexpected, 0);
    }

    void wrongPasswordOffersToTryAgain() {
        WindowHarness h;
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        h.scriptSignIn(h.account, "wrong");
        QString statusAtPrompt, caption, message, okCaption;
        bool okShown = true, connectShown = false, cancelShown = false;
        QString savedAddress = "unset";
        h.script.answerForm([&](QDialog& prompt) {
            statusAtPrompt = h.status();
            caption = prompt.windowTitle();
            message = prompt.findChild<QLabel*>("Label1")->text();
            auto* connect = prompt.findChild<QPushButton*>("cmdConnect");
            okCaption = connect->text();
            okShown = !prompt.findChild<QPushButton*>("cmdOK")->isHidden();
            connectShown = !connect->isHidden() && connect->isEnabled();
            cancelShown = !prompt.findChild<QPushButton*>("cmdCancel")->isHidden();
            connect->click();
        });
        h.script.answerForm([&](QDialog& form) {
            savedAddress = readProfileString("ConnectionInfo", "LastServerAddressUsed", "x", 256,
                                             h.programDir() + "/Ferrymate.ini");
            form.findChild<QLineEdit*>("txtUserName")->setText(h.account);
            form.findChild<QLineEdit*>("txtPassword")->setText(h.password);
            form.findChild<QPushButton*>("cmdConnect")->click();
        });
        QVERIFY(h.open());
        // The texts stay as they are; the cause follows on a line of its own.
        QCOMPARE(statusAtPrompt, QString("Could not connect to Mary.Jones.localhost\n"
                                         "The server refused the password: Authentication "
                                         "failed."));
        QCOMPARE(caption, QString("Pictavo Ferrymate -Internet Connection"));
        QCOMPARE(message,
                 QString("Unable to connect to your FTP Server.\rPlease verify you account "
                         "information.\r\rClick 'OK' if you would like to try again.\r\r"
                         "The server refused the password: Authentication failed."));
        QCOMPARE(okCaption, QString("OK"));
        QVERIFY(!okShown);
        QVERIFY(connectShown);
        QVERIFY(cancelShown);
        QCOMPARE(savedAddress, QString(""));
        const QStringList errors =
            matching(h.log(), "Error while connecting to 'Mary.Jones.localhost'. Description: ");
        QCOMPARE(errors.size(), 1);
        QCOMPARE(h.status(), QString("Connected to Mary.Jones.localhost (not encrypted)"));
        QCOMPARE(h.script.unexpected, 0);
    }

    // TLS whenever the server offers it. A certificate that does not verify is asked about
    // before the login and remembered for its host; another certificate later asks again with a
    // warning; an account that had TLS is never again signed in to in clear.
    void certificateTrust() {
        WindowHarness h{WindowHarness::VsTls};
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        const QString ini = h.programDir() + "/Ferrymate.ini";
        const QString host = "Mary.Jones.localhost";
        h.scriptSignIn();
        h.script.answer(QMessageBox::Yes);
        QVERIFY(h.open());
        QVERIFY(h.xFtp->Encrypted());
        QCOMPARE(h.status(), "Connected to " + host);
        const ScriptedDialogs::Shown asked = h.script.shown.at(1);
        QCOMPARE(asked.title, QString("Pictavo Ferrymate [Security]"));
        QCOMPARE(asked.acceptText, QString("Trust this certificate"));
        const QString fingerprint = readProfileString("Certificates", host, "", 256, ini);
        QCOMPARE(fingerprint.size(), 32 * 3 - 1);
        QVERIFY2(
            asked.text.startsWith("The certificate of " + host + " could not be verified:\n- ") &&
                asked.text.contains("SHA-256 fingerprint: " + fingerprint + "\n"),
            qPrintable(asked.text));
        QCOMPARE(readProfileString("Encryption", "mary.jon@" + host, "", 16, ini), QString("TLS"));
        QVERIFY(h.log().indexOf("AUTH TLS") < h.log().indexOf("USER mary.jon"));

        // The remembered certificate passes without a question.
        const auto securityBoxes = [&] {
            QStringList texts;
            for (const ScriptedDialogs::Shown& box : h.script.shown)
                if (box.title == "Pictavo Ferrymate [Security]")
                    texts << box.text;
            return texts;
        };
        h.script.answer(QMessageBox::Ok);  // "Disconnected from FTP server ..."
        h.ui().cmdDisconnect->click();
        h.scriptSignIn();
        h.ui().cmdConnect->click();
        QCOMPARE(h.status(), "Connected to " + host);
        QCOMPARE(securityBoxes().size(), 1);

        // Another certificate for the host: a warning, and Cancel sends nothing more.
        QVERIFY(writeProfileString("Certificates", host, "00:11", ini));
        h.script.answer(QMessageBox::Ok);
        h.ui().cmdDisconnect->click();
        h.scriptSignIn();
        h.script.answer(QMessageBox::Cancel);
        QString retry;
        h.script.answerForm([&](QDialog& prompt) {
            retry = prompt.findChild<QLabel*>("Label1")->text();
            prompt.findChild<QPushButton*>("cmdCancel")->click();
        });
        const int from = h.logSize();
        h.ui().cmdConnect->click();
        QCOMPARE(securityBoxes().size(), 2);
        const QString warning = securityBoxes().last();
        QVERIFY2(warning.startsWith("WARNING: the certificate of " + host +
                                    " has changed since you trusted it.") &&
                     warning.contains("Trusted before: 00:11\n"),
                 qPrintable(warning));
        QVERIFY2(retry.contains("\r\rThe server's certificate is not trusted (SHA-256 " +
                                fingerprint + "):"),
                 qPrintable(retry));
        QCOMPARE(readProfileString("Certificates", host, "", 256, ini), QString("00:11"));
        QVERIFY(matching(h.logSince(from), "USER").isEmpty());
        QVERIFY(h.window->isUnloaded());
        QCOMPARE(h.script.unexpected, 0);

        // The same account on a server without TLS: refused before the user name is sent.
        WindowHarness clear;
        clear.writeSettings("[Encryption]\r\nmary.jon@" + host + "=TLS\r\n");
        clear.scriptSignIn();
        clear.script.answerForm([&](QDialog& prompt) {
            retry = prompt.findChild<QLabel*>("Label1")->text();
            prompt.findChild<QPushButton*>("cmdCancel")->click();
        });
        QVERIFY(!clear.open());
        QVERIFY2(retry.contains("\r\r" + host +
                                " encrypted this account's connections before but offers no "
                                "encryption now, so the password was not sent."),
                 qPrintable(retry));
        QVERIFY(!matching(clear.log(), "AUTH TLS").isEmpty());
        QVERIFY(matching(clear.log(), "USER").isEmpty());
        QCOMPARE(clear.script.unexpected, 0);
    }

    void cancellingTheRetryEndsTheProgram() {
        WindowHarness h;
        const quint16 closed = freeLoopbackPort();
        writeFile(h.programDir() + "/Ferrymate.ini",
                  QString("[Service]\r\nDomain=localhost\r\nPort=%1\r\n").arg(closed).toLatin1());
        h.scriptSignIn();
        QString message;
        h.script.answerForm([&](QDialog& prompt) {
            message = prompt.findChild<QLabel*>("Label1")->text();
            prompt.findChild<QPushButton*>("cmdCancel")->click();
        });
        QVERIFY(!h.open());
        QVERIFY2(message.endsWith(QString("\r\rThe server Mary.Jones.localhost (port %1) could "
                                          "not be reached: Connection refused")
                                      .arg(closed)),
                 qPrintable(message));
        QCOMPARE(h.status(), QString("Connect operation cancelled."));
        QVERIFY(h.window->isUnloaded());
        QCOMPARE(h.unloadedSignals, 1);
    }

    void browsing() {
        WindowHarness h;
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        QDir root(h.serverRoot());
        root.mkpath("Alpha/inner");
        root.mkpath("ALPHA");
        root.mkpath("files");
        writeFile(h.serverRoot() + "/files/a.txt", "a");
        writeFile(h.serverRoot() + "/files/b.txt", "b");
        h.scriptSignIn();
        QVERIFY(h.open());
        RemoteSide& remote = h.window->remoteSide();
        QComboBox* box = h.ui().cboRemotePath;

        // A folder holding only files lists as an empty list.
        QVERIFY(remote.ChangeCurrentRemoteFolder("files", true));
        QCOMPARE(h.status(), QString("Remote folder changed to /files"));
        remote.RefreshRemoteFileList();
        QCOMPARE(h.ui().lstRemoteFileList->topLevelItemCount(), 0);
        QCOMPARE(h.status(), QString("Listing of remote folder completed."));

        // The parent-folder button goes up, then stays at the root.
        h.window->remoteSide().cmdUpFtp_Click();
        QCOMPARE(h.status(), QString("Remote path now up one folder."));
        QCOMPARE(h.xFtp->CurrentFolder(), QString("/"));
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), (QStringList{"ALPHA", "Alpha", "files"}));
        remote.cmdUpFtp_Click();
        QCOMPARE(h.status(), QString("Remote path already at a root folder."));
        QCOMPARE(h.ui().lstRemoteFileList->topLevelItemCount(), 3);

        // Paths that differ only in letter case share one entry of the path box.
        QVERIFY(remote.ChangeCurrentRemoteFolder("/Alpha", true));
        const int entries = box->count();
        QVERIFY(remote.ChangeCurrentRemoteFolder("/ALPHA", true));
        QCOMPARE(box->count(), entries);
        QCOMPARE(box->currentText(), QString("/ALPHA"));

        // Choosing the entry of the current folder does nothing.
        const int logLines = h.logSize();
        h.window->StatusBarInfo("unchanged");
        remote.cboRemotePath_Click();
        QCOMPARE(h.status(), QString("unchanged"));
        QCOMPARE(h.logSize(), logLines);

        // A choice the server refuses is logged and keeps the old listing.
        remote.RefreshRemoteFileList();
        const QStringList before = h.rowTexts(h.ui().lstRemoteFileList);
        const int from = h.logSize();
        box->addItem("/gone");
        box->setCurrentIndex(box->count() - 1);
        QCOMPARE(
            matching(
                h.logSince(from),
                "Error while attempting to change current remote folder to '/gone'. Description: ")
                .size(),
            1);
        QCOMPARE(h.status(), QString("Could not change current remote folder."));
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), before);

        // Choosing another folder in the box lists it.
        box->setCurrentIndex(box->findText("/"));
        QCOMPARE(h.xFtp->CurrentFolder(), QString("/"));
        QCOMPARE(h.ui().lstRemoteFileList->topLevelItemCount(), 3);
    }

    // A server that accepts the connection and says nothing: closing the window while the
    // connection is being made ends the program without asking anything more.
    void closingWhileConnecting() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        WindowHarness h;
        writeFile(h.programDir() + "/Ferrymate.ini",
                  QString("[Service]\r\nDomain=localhost\r\nPort=%1\r\n")
                      .arg(silent.serverPort())
                      .toLatin1());
        h.scriptSignIn();
        QElapsedTimer timer;
        timer.start();
        bool closed = false;
        QTimer::singleShot(300, [&] {
            closed = true;
            h.window->close();
        });
        QVERIFY(!h.open());
        QVERIFY(closed);
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(h.window->isUnloaded());
        QCOMPARE(h.unloadedSignals, 1);
        QCOMPARE(h.script.pending(), 0);
        QCOMPARE(h.script.unexpected, 0);
        QCOMPARE(h.log().filter("Error while connecting to 'Mary.Jones.localhost'").size(), 1);
    }

    void transferModeAndServerQuestions() {
        WindowHarness h;
        h.scriptSignIn();
        QVERIFY(h.open());
        h.ui().optAscii->setChecked(true);
        QCOMPARE(h.xFtp->TransferMode(), 1);
        h.ui().optBinary->setChecked(true);
        QCOMPARE(h.xFtp->TransferMode(), 0);

        h.script.answerInput("acct-7");
        QString account;
        emit h.xFtp->AccountRequired(account);
        QCOMPARE(account, QString("acct-7"));
        QCOMPARE(h.script.shown.last().title, QString("Pictavo Ferrymate [Query]"));
        QCOMPARE(h.script.shown.last().text, QString("An account is required for this server."));
        h.script.answerInput("");
        QString password = "old";
        emit h.xFtp->PasswordRequired(password);
        QCOMPARE(password, QString(""));
        QCOMPARE(h.script.shown.last().text, QString("Please enter the correct password"));
        QCOMPARE(h.window->record().sPassword, h.password);
    }

    void publishedProjectLimit() {
        WindowHarness h;
        for (int i = 0; i < 10; ++i)
            QDir(h.serverRoot()).mkpath(QString("site%1").arg(i));
        makeProject(h.projects() + "New");
        h.scriptSignIn();
        QVERIFY(h.open());
        h.select(h.ui().lstLocalFileList, {"NEW"});
        QVERIFY(!h.ui().cmdSend->isEnabled());
        QVERIFY(!h.ui().miSend->isEnabled());
        QVERIFY(h.ui().cmdRemoveLocalFolder->isEnabled());

        QDir(h.serverRoot()).rmdir("site9");
        for (const char* special : {"cgi-bin", "cp", "images"})
            QDir(h.serverRoot()).mkpath(special);
        h.window->remoteSide().RefreshRemoteFileList();
        QCOMPARE(h.ui().lstRemoteFileList->topLevelItemCount(), 12);
        h.select(h.ui().lstLocalFileList, {});
        h.select(h.ui().lstLocalFileList, {"NEW"});
        QVERIFY(h.ui().cmdSend->isEnabled());
        QVERIFY(h.ui().miSend->isEnabled());

        // Two remote folders selected: no single-project commands, but receive and delete.
        h.select(h.ui().lstRemoteFileList, {"site1", "site2"});
        QVERIFY(!h.ui().cmdDelete->isEnabled());
        QVERIFY(!h.ui().cmdView->isEnabled());
        QVERIFY(h.ui().cmdReceive->isEnabled());
        QVERIFY(h.ui().cmdDeleteRemoteFile->isEnabled());
        h.select(h.ui().lstRemoteFileList, {"site1"});
        QVERIFY(h.ui().cmdDelete->isEnabled());
        QVERIFY(h.ui().miRemoveRemoteFolder->isEnabled());
        QVERIFY(!h.ui().cmdRenameRemoteFile->isEnabled());
    }

    // Keyboard selection changes re-evaluate the rules, so the upload works without a mouse.
    void keyboardSelectionEnablesUpload() {
        WindowHarness h;
        makeProject(h.projects() + "Only");
        h.scriptSignIn();
        QVERIFY(h.open());
        QTreeWidget* list = h.ui().lstLocalFileList;
        QVERIFY(!h.ui().cmdSend->isEnabled());
        list->setFocus();
        QTest::keyClick(list->viewport(), Qt::Key_Down);
        QTest::keyClick(list->viewport(), Qt::Key_Space);
        QVERIFY(list->topLevelItem(0)->isSelected());
        QVERIFY(h.ui().cmdSend->isEnabled());
    }

    // The right button opens the lists' menus, whose entries run their buttons' commands.
    void popupMenus() {
        WindowHarness h;
        h.scriptSignIn();
        QVERIFY(h.open());
        const std::pair<QTreeWidget*, QMenu*> lists[] = {
            {h.ui().lstLocalFileList, h.ui().miLocal}, {h.ui().lstRemoteFileList, h.ui().miRemote}};
        for (const auto& [list, menu] : lists) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5));
            QApplication::sendEvent(list->viewport(), &event);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }
        h.script.answerInput("New Site");
        h.ui().miCreateLocalFolder->trigger();
        QCOMPARE(h.script.shown.last().title, QString("Pictavo - Ferrymate"));
        QVERIFY(QFileInfo(h.projects() + "New Site").isDir());
        QCOMPARE(h.rowTexts(h.ui().lstLocalFileList), QStringList{"NEW SITE"});
        h.script.answerInput("made remotely");
        h.ui().miCreateRemoteFolder->trigger();
        QVERIFY(QFileInfo(h.serverRoot() + "/made remotely").isDir());
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), QStringList{"made remotely"});
    }

    void serverDropResetsTheWindow() {
        WindowHarness h;
        QDir(h.serverRoot()).mkpath("alpha");
        h.scriptSignIn();
        QVERIFY(h.open());
        QCOMPARE(h.ui().lstRemoteFileList->topLevelItemCount(), 1);
        h.script.answer(QMessageBox::Ok);
        h.server->stop();
        QTRY_COMPARE_WITH_TIMEOUT(h.status(), QString("Disconnected from Mary.Jones.localhost"),
                                  15000);
        const ScriptedDialogs::Shown notice = h.script.shown.last();
        QCOMPARE(notice.text, QString("Disconnected from FTP server Mary.Jones.localhost"));
        QCOMPARE(notice.title, QString("Pictavo Ferrymate [Notice]"));
        QCOMPARE(notice.icon, QMessageBox::NoIcon);
        QCOMPARE(h.ui().cboRemotePath->count(), 0);
        QCOMPARE(h.ui().lstRemoteFileList->topLevelItemCount(), 0);
        QVERIFY(h.ui().cmdConnect->isEnabled());
        QVERIFY(h.ui().miConnect->isEnabled());
        QVERIFY(!h.ui().cmdDisconnect->isEnabled());
        QVERIFY(!h.ui().cmdSend->isEnabled());
        QVERIFY(!h.window->isUnloaded());

        // The menu reopens the sign-in after a lost connection.
        const int forms = h.script.shown.size();
        h.scriptSignIn(h.account, h.password, true);
        h.ui().miConnect->trigger();
        QCOMPARE(h.script.shown.size(), forms + 1);
        QCOMPARE(h.script.shown.last().formName, QString("frmFerryLogin"));
        QCOMPARE(h.status(), QString("Connect operation cancelled."));
        QVERIFY(h.window->isUnloaded());
    }

    // A long listing stopped part-way: Abort keeps the connection and the rows so far; closing
    // the window disconnects and ends the program.
    void stoppingALongListing_data() {
        QTest::addColumn<bool>("close");
        QTest::newRow("abort") << false;
        QTest::newRow("close the window") << true;
    }
    void stoppingALongListing() {
        QFETCH(bool, close);
        WindowHarness h;
        for (int i = 0; i < 3000; ++i)
            QDir(h.serverRoot()).mkpath(QString("big/folder%1").arg(i));
        h.scriptSignIn();
        QVERIFY(h.open());
        QVERIFY(h.window->remoteSide().ChangeCurrentRemoteFolder("big", true));
        int seen = 0;
        bool abortEnabled = false;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::ListingItem, h.window.get(), [&] {
            if (++seen != 20)
                return;
            abortEnabled = h.ui().miAbort->isEnabled();
            if (close)
                h.window->close();
            else
                h.ui().miAbort->trigger();
        });
        if (close)  // stop the listing and close; the disconnection notice
            h.script.answer(QMessageBox::Yes).answer(QMessageBox::Ok);
        const int from = h.logSize();
        QElapsedTimer timer;
        timer.start();
        h.window->remoteSide().RefreshRemoteFileList();
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(abortEnabled);
        QCOMPARE(matching(h.logSince(from),
                          "Error while listing remote folder's contents. Description: ")
                     .size(),
                 1);
        QVERIFY(!h.ui().cmdAbort->isEnabled());
        if (close) {
            QVERIFY(h.window->isUnloaded());
            QCOMPARE(h.unloadedSignals, 1);
            QCOMPARE(h.xFtp->State(), int(ftp::kNotConnected));
        } else {
            QCOMPARE(h.status(), QString("Could not list remote folder's contents."));
            QVERIFY(h.ui().lstRemoteFileList->topLevelItemCount() >= 20);
            QVERIFY(h.ui().lstRemoteFileList->topLevelItemCount() < 3000);
            QCOMPARE(h.xFtp->State(), int(ftp::kIdle));
        }
    }
};

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
