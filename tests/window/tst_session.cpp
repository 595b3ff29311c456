// The FTP session of the transfer window against real servers: certificates, the retry dialog,
// remote browsing, the command rules, losing the connection, abort and close.
#include <QTcpServer>
#include <QtTest>

#include "FtpSession.h"
#include "ProfileFile.h"
#include "RemoteSide.h"
#include "WindowHarness.h"

namespace {

// Answers the retry prompt with Cancel, keeping its message.
void scriptRetryCancel(WindowHarness& h, QString* message) {
    h.script.answerForm([message](QDialog& prompt) {
        *message = prompt.findChild<QLabel*>("Label1")->text();
        prompt.findChild<QPushButton*>("cmdCancel")->click();
    });
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    // TLS whenever the server offers it. A certificate that does not verify is asked about
    // before the login and remembered for its host; another certificate later asks again with a
    // warning; an account that had TLS is never again signed in to in clear.
    void certificateTrust() {
        WindowHarness h{WindowHarness::VsTls};
        const QString ini = h.programDir() + "/Ferrymate.ini";
        const QString host = "Mary.Jones.localhost";
        h.scriptSignIn();
        h.script.answer(QMessageBox::Yes);
        QVERIFY(h.open());
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
        scriptRetryCancel(h, &retry);
        const int from = h.log().size();
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
        QVERIFY(h.log().mid(from).filter("USER").isEmpty());
        QCOMPARE(h.unloadedSignals, 1);

        // The same account on a server without TLS: refused before the user name is sent.
        WindowHarness clear;
        clear.writeSettings("[Encryption]\r\nmary.jon@" + host + "=TLS\r\n");
        clear.scriptSignIn();
        scriptRetryCancel(clear, &retry);
        QVERIFY(!clear.open());
        QVERIFY2(retry.contains("\r\r" + host +
                                " encrypted this account's connections before but offers no "
                                "encryption now, so the password was not sent."),
                 qPrintable(retry));
        QVERIFY(clear.log().contains("AUTH TLS"));
        QVERIFY(clear.log().filter("USER").isEmpty());
    }

    // A sign-in that fails: the retry prompt and the status line say why; OK asks for the
    // sign-in again, Cancel ends the program. A server that accepts and says nothing is left when
    // the window is closed, without asking anything more.
    void connectFailures_data() {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("cause");
        QTest::newRow("wrong password, tried again")
            << "password"
            << "The server refused the password: Authentication failed.";
        QTest::newRow("refused, cancelled") << "refused"
                                            << "The server Mary.Jones.localhost (port %1) could "
                                               "not be reached: Connection refused";
        QTest::newRow("silent, window closed") << "silent" << QString();
    }
    void connectFailures() {
        QFETCH(QString, peer);
        QFETCH(QString, cause);
        QTcpServer quiet;
        QVERIFY(quiet.listen(QHostAddress::LocalHost));
        WindowHarness h;
        const quint16 port = peer == "silent"    ? quiet.serverPort()
                             : peer == "refused" ? freeLoopbackPort()
                                                 : h.server->port();
        writeFile(h.programDir() + "/Ferrymate.ini",
                  QString("[Service]\r\nDomain=localhost\r\nPort=%1\r\n").arg(port).toLatin1());
        h.scriptSignIn(h.account, peer == "password" ? "wrong" : h.password);
        QString statusAtPrompt, message, savedAddress;
        QStringList buttons;
        if (peer == "silent")
            QTimer::singleShot(300, &quiet, [&] { h.window->close(); });
        else
            h.script.answerForm([&](QDialog& prompt) {
                statusAtPrompt = h.status();
                message = prompt.findChild<QLabel*>("Label1")->text();
                for (const QPushButton* b : prompt.findChildren<QPushButton*>())
                    if (!b->isHidden() && b->isEnabled())
                        buttons << b->objectName() + "=" + b->text();
                prompt.findChild<QPushButton*>(peer == "password" ? "cmdConnect" : "cmdCancel")
                    ->click();
            });
        if (peer == "password")
            h.script.answerForm([&](QDialog& form) {
                savedAddress = readProfileString("ConnectionInfo", "LastServerAddressUsed", "x",
                                                 256, h.programDir() + "/Ferrymate.ini");
                form.findChild<QLineEdit*>("txtUserName")->setText(h.account);
                form.findChild<QLineEdit*>("txtPassword")->setText(h.password);
                form.findChild<QPushButton*>("cmdConnect")->click();
            });
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(h.open(), peer == "password");
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(h.log().filter("Error while connecting to 'Mary.Jones.localhost'. Desc").size(),
                 1);
        QCOMPARE(h.unloadedSignals, peer == "password" ? 0 : 1);
        QCOMPARE(h.script.pending(), 0);
        if (peer == "silent")
            return;
        // The texts stay as they are; the cause follows on a line of its own.
        const QString why = cause.arg(port);
        QCOMPARE(statusAtPrompt, "Could not connect to Mary.Jones.localhost\n" + why);
        QCOMPARE(h.script.shown.at(1).title, QString("Pictavo Ferrymate -Internet Connection"));
        QCOMPARE(message,
                 "Unable to connect to your FTP Server.\rPlease verify you account "
                 "information.\r\rClick 'OK' if you would like to try again.\r\r" +
                     why);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"cmdCancel=C&ancel", "cmdConnect=OK"}));
        QCOMPARE(h.status(), peer == "password"
                                 ? QString("Connected to Mary.Jones.localhost (not encrypted)")
                                 : QString("Connect operation cancelled."));
        if (peer == "password")
            QCOMPARE(savedAddress, QString(""));
    }

    // One session: the keyboard and the lists feed the command rules (the published projects
    // for the limit, how many rows are selected); remote browsing; the transfer mode and the
    // server's questions; the lists' menus; then the server goes away and the window resets.
    void browsingCommandsAndServerDrop() {
        WindowHarness h{WindowHarness::Py, [](const QString& root) {
                            QDir(root).mkpath("Alpha/inner");
                            QDir(root).mkpath("ALPHA");
                            writeFile(root + "/files/a.txt", "a");
                            for (int i = 1; i <= 7; ++i)
                                QDir(root).mkpath(QString("site%1").arg(i));
                        }};
        makeProject(h.projects() + "New");
        QVERIFY(h.signIn());
        QTreeWidget* list = h.ui().lstLocalFileList;
        list->setFocus();
        QTest::keyClick(list->viewport(), Qt::Key_Down);
        QTest::keyClick(list->viewport(), Qt::Key_Space);
        QVERIFY(list->topLevelItem(0)->isSelected());
        QVERIFY(!h.ui().miSend->isEnabled());
        QVERIFY(h.ui().cmdRemoveLocalFolder->isEnabled());

        // A folder holding only files lists as an empty list.
        RemoteSide& remote = h.window->remoteSide();
        QVERIFY(remote.ChangeCurrentRemoteFolder("files", true));
        QCOMPARE(h.status(), QString("Remote folder changed to /files"));
        remote.RefreshRemoteFileList();
        QCOMPARE(h.remoteRows(), QStringList());
        QCOMPARE(h.status(), QString("Listing of remote folder completed."));
        // The parent-folder button goes up, then stays at the root.
        h.ui().cmdUpFtp->click();
        QCOMPARE(h.status(), QString("Remote path now up one folder."));
        QCOMPARE(h.xFtp->CurrentFolder(), QString("/"));
        QCOMPARE(h.remoteRows().mid(0, 4), (QStringList{"ALPHA", "Alpha", "files", "site1"}));
        remote.cmdUpFtp_Click();
        QCOMPARE(h.status(), QString("Remote path already at a root folder."));
        // Choosing the entry of the current folder does nothing.
        const int logLines = h.log().size();
        h.window->StatusBarInfo("unchanged");
        remote.cboRemotePath_Click();
        QCOMPARE(h.status(), QString("unchanged"));
        QCOMPARE(h.log().size(), logLines);
        // A choice the server refuses is logged and keeps the old listing.
        const QStringList before = h.remoteRows();
        QComboBox* box = h.ui().cboRemotePath;
        box->addItem("/gone");
        box->setCurrentIndex(box->count() - 1);
        QCOMPARE(h.log()
                     .mid(logLines)
                     .filter("Error while attempting to change current remote "
                             "folder to '/gone'. Description: ")
                     .size(),
                 1);
        QCOMPARE(h.status(), QString("Could not change current remote folder."));
        QCOMPARE(h.remoteRows(), before);

        // Below the limit again, the special folders not counted.
        QDir(h.serverRoot()).rmdir("site7");
        for (const char* special : {"cgi-bin", "cp", "images"})
            QDir(h.serverRoot()).mkpath(special);
        remote.RefreshRemoteFileList();
        h.select(list, {});
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

        // The right button opens the lists' menus, whose entries run their buttons' commands.
        const std::pair<QTreeWidget*, QMenu*> menus[] = {
            {list, h.ui().miLocal}, {h.ui().lstRemoteFileList, h.ui().miRemote}};
        for (const auto& [view, menu] : menus) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    view->viewport()->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(view->viewport(), &event);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }
        h.script.answerInput("New Site");
        h.ui().miCreateLocalFolder->trigger();
        QCOMPARE(h.localRows(), (QStringList{"NEW", "NEW SITE"}));
        h.script.answerInput("made remotely");
        h.ui().miCreateRemoteFolder->trigger();
        QVERIFY(QFileInfo(h.serverRoot() + "/made remotely").isDir());
        QVERIFY(h.remoteRows().contains("made remotely"));

        h.select(list, {"NEW"});
        h.script.answer(QMessageBox::Ok);
        h.server->stop();
        QTRY_COMPARE_WITH_TIMEOUT(h.status(), QString("Disconnected from Mary.Jones.localhost"),
                                  15000);
        QCOMPARE(h.script.shown.last().text,
                 QString("Disconnected from FTP server Mary.Jones.localhost"));
        QCOMPARE(h.script.shown.last().title, QString("Pictavo Ferrymate [Notice]"));
        QCOMPARE(h.ui().cboRemotePath->count(), 0);
        QCOMPARE(h.remoteRows(), QStringList());
        QCOMPARE(
            h.enabledCommands(),
            (QStringList{"cmdCancel", "cmdConnect", "cmdCreateLocalFolder", "cmdRemoveLocalFolder",
                         "miConnect", "miCreateLocalFolder", "miRemoveLocalFolder", "miShowLog"}));
        // The menu reopens the sign-in after a lost connection.
        h.scriptSignIn(true);
        h.ui().miConnect->trigger();
        QCOMPARE(h.script.shown.last().text, QString("frmFerryLogin"));
        QCOMPARE(h.status(), QString("Connect operation cancelled."));
        QCOMPARE(h.unloadedSignals, 1);
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
        WindowHarness h{WindowHarness::Py, [](const QString& root) {
                            for (int i = 0; i < 3000; ++i)
                                QDir(root).mkpath(QString("big/folder%1").arg(i));
                        }};
        QVERIFY(h.signIn());
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
        const int from = h.log().size();
        QElapsedTimer timer;
        timer.start();
        h.window->remoteSide().RefreshRemoteFileList();
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(abortEnabled);
        QCOMPARE(h.log()
                     .mid(from)
                     .filter("Error while listing remote folder's contents. Description: ")
                     .size(),
                 1);
        QVERIFY(!h.ui().cmdAbort->isEnabled());
        if (close) {
            QCOMPARE(h.unloadedSignals, 1);
            QCOMPARE(h.xFtp->State(), int(ftp::kNotConnected));
        } else {
            QCOMPARE(h.status(), QString("Could not list remote folder's contents."));
            const int rows = h.ui().lstRemoteFileList->topLevelItemCount();
            QVERIFY(rows >= 20 && rows < 3000);
            QCOMPARE(h.xFtp->State(), int(ftp::kIdle));
        }
    }
};

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
