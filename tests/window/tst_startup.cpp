// The transfer window's start-up: its controls, the projects folder file, the status line and
// log, the sign-in at the end, and the ways the window closes.
#include <QtTest>

#include "ProjectDir.h"
#include "WindowHarness.h"

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void projectDirFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("folder");
        QTest::newRow("folder ends at the first &")
            << QByteArray("first line\r\nprojectDir=/work/Sites&foo&bar\r\nprojectDir=/other&\r\n")
            << "/work/Sites/";
        QTest::newRow("no & takes the rest of the line")
            << QByteArray("projectDir=/work/My Sites\n") << "/work/My Sites/";
        QTest::newRow("a trailing separator is not doubled")
            << QByteArray("projectDir=/work/Sites/&x") << "/work/Sites/";
        QTest::newRow("other letter case does not match")
            << QByteArray("ProjectDir=/work/Sites&\r\n") << QString();
        QTest::newRow("no projectDir line") << QByteArray("something=else\n") << QString();
        QTest::newRow("empty folder") << QByteArray("projectDir=&x\n") << QString();
    }
    void projectDirFile() {
        QFETCH(QByteArray, content);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        WriteFile(dir.filePath("initialize.txt"), content);
        const ProjectDir result = ReadProjectDir(dir.filePath("initialize.txt"));
        QCOMPARE(result.folder, folder);
        QCOMPARE(result.problem.isEmpty(), !folder.isEmpty());
    }

    // Start-up ends in the sign-in with the welcome text showing; cancelling it ends the program.
    void startUpThenCancelSignIn() {
        WindowHarness h;
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        MakeProject(h.projects() + "My Folio 2");
        MakeProject(h.projects() + "garden");
        WriteFile(h.projects() + "loose file.txt", "x");
        QString statusAtSignIn;
        QStringList enabledAtSignIn;
        h.script.answerForm([&](QDialog& form) {
            statusAtSignIn = h.status();
            for (QWidget* w : h.window->findChildren<QWidget*>())
                if (w->window() == h.window.get() && w->isEnabled() &&
                    w->objectName().startsWith("cmd"))
                    enabledAtSignIn << w->objectName();
            for (QAction* a : h.window->findChildren<QAction*>())
                if (a->isEnabled() && a->objectName().startsWith("mi"))
                    enabledAtSignIn << a->objectName();
            form.findChild<QPushButton*>("cmdCancel")->click();
        });
        QVERIFY(!h.Open());
        QCOMPARE(statusAtSignIn, QString("Welcome to the Pictavo Ferrymate."));
        enabledAtSignIn.sort();
        QCOMPARE(enabledAtSignIn, (QStringList{"cmdCancel", "cmdConnect", "cmdCreateLocalFolder",
                                               "miConnect", "miCreateLocalFolder"}));
        QCOMPARE(h.status(), QString("Connect operation cancelled."));
        QVERIFY(h.window->IsUnloaded());
        QCOMPARE(h.unloadedSignals, 1);
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.rowTexts(h.ui().lstLocalFileList), (QStringList{"GARDEN", "MY FOLIO 2"}));
        QCOMPARE(h.window->LocalPath(), h.projects());
        QCOMPARE(h.ui().prgStatus->value(), 0);
        QCOMPARE(h.script.unexpected, 0);
        QVERIFY(h.log().isEmpty());
    }

    void missingProjectsFileIsReported() {
        WindowHarness h;
        QFile::remove(h.programDir() + "/initialize.txt");
        h.script.answer(QMessageBox::Ok);
        h.ScriptSignIn(h.account, h.password, true);
        h.Open();
        QCOMPARE(h.script.shown.first().title, QString("Pictavo Ferrymate [Notice]"));
        QVERIFY(h.script.shown.first().text.contains("initialize.txt"));
        QCOMPARE(h.ui().lstLocalFileList->topLevelItemCount(), 0);
        QCOMPARE(h.window->LocalPath(), QString());
    }

    void controlsAsDesigned() {
        WindowHarness h;
        h.ScriptSignIn(h.account, h.password, true);
        h.Open();
        Ui::FerryMenu& ui = h.ui();
        QCOMPARE(h.window->objectName(), QString("frmFerryMenu"));
        QCOMPARE(h.window->windowTitle(), QString("Pictavo Ferrymate - Menu"));
        for (QWidget* hidden :
             {(QWidget*)ui.cmdConnect, (QWidget*)ui.cmdDisconnect, (QWidget*)ui.cmdAbort,
              (QWidget*)ui.cmdUpLocal, (QWidget*)ui.cmdUpFtp, (QWidget*)ui.cboLocalPath,
              (QWidget*)ui.fraTransferType, (QWidget*)ui.fraLog, (QWidget*)ui.cmdDeleteLocalFile,
              (QWidget*)ui.cmdDeleteRemoteFolder})
            QVERIFY2(!hidden->isVisibleTo(h.window.get()), qPrintable(hidden->objectName()));
        QCOMPARE(ui.cmdCancel->text(), QString("C&ancel and Close"));
        QCOMPARE(ui.cmdCancel->toolTip(), QString("Cancel all operations and close Ferrymate ..."));
        QCOMPARE(ui.cmdSend->text(), QString("&Upload Selected Pictavo"));
        QCOMPARE(ui.cmdView->toolTip(), QString("View the selected Pictavo Website ..."));
        QCOMPARE(ui.fraRemoteFiles->title(), QString("View or Delete Uploaded Pictavos"));
        QCOMPARE(ui.lstLocalFileList->headerItem()->text(0), QString("Pictavo Project"));
        QCOMPARE(ui.lstRemoteFileList->headerItem()->text(0), QString("Website"));
        QCOMPARE(ui.lstRemoteFileList->headerItem()->text(1), QString("Date"));
        QCOMPARE(ui.miConnection->title(), QString("Co&nnection"));
        QCOMPARE(ui.miRemoveLocalFolder->text(), QString("Remove Folder"));
        QCOMPARE(ui.lstLocalFileList->accessibleName(),
                 QString("Pictavo projects on your computer"));
        QCOMPARE(ui.cmdUpFtp->accessibleName(), QString("Go to parent folder"));
        QVERIFY(ui.optBinary->isChecked());
    }

    // The log selects its last line; past its size it drops the oldest lines and says so once.
    void logSelectsTheLastLineAndStaysSmall() {
        WindowHarness h;
        h.ScriptSignIn(h.account, h.password, true);
        h.Open();
        h.window->DisplayMessage("first");
        h.window->DisplayMessage("second");
        QCOMPARE(h.log(), (QStringList{"first", "second"}));
        QCOMPARE(h.ui().lstConnectionInfo->currentRow(), 1);
        for (int i = 0; i < FerryMenu::kMaxMessages + 10; ++i)
            h.window->DisplayMessage(QString("line %1").arg(i));
        const QStringList log = h.log();
        QCOMPARE(log.size(), FerryMenu::kMaxMessages);
        QCOMPARE(log.first(), FerryMenu::kMessagesDropped);
        QCOMPARE(log.count(FerryMenu::kMessagesDropped), 1);
        QCOMPARE(log.last(), QString("line %1").arg(FerryMenu::kMaxMessages + 9));
        QCOMPARE(log.at(1), QString("line 11"));
    }

    // Escape in the connected window closes the connection and ends the program.
    void escapeDisconnectsAndEnds() {
        WindowHarness h;
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        h.ScriptSignIn();
        QVERIFY(h.Open());
        QVERIFY(h.window->isVisible());
        h.script.answer(QMessageBox::Ok);  // the disconnection notice
        QTest::keyClick(h.window.get(), Qt::Key_Escape);
        QVERIFY(h.window->IsUnloaded());
        QCOMPARE(h.unloadedSignals, 1);
        QCOMPARE(h.xFtp->State(), int(ftp::kNotConnected));
        QCOMPARE(h.script.messageTexts().last(),
                 QString("Disconnected from FTP server Mary.Jones.localhost"));
        QCOMPARE(h.script.unexpected, 0);
    }

    void closingTheConnectedWindowDisconnectsFirst() {
        WindowHarness h;
        h.ScriptSignIn();
        QVERIFY(h.Open());
        h.script.answer(QMessageBox::Ok);
        QVERIFY(h.window->close());
        QVERIFY(h.window->IsUnloaded());
        QCOMPARE(h.xFtp->State(), int(ftp::kNotConnected));
        QVERIFY(h.log().contains("QUIT"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
