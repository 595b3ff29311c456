// The transfer window's start-up: its controls, the projects folder file, the status line and
// log, the sign-in at the end, and the ways the window closes.
#include <QStandardPaths>
#include <QtTest>

#include "FullDisk.h"
#include "ProfileFile.h"
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
        writeFile(dir.filePath("initialize.txt"), content);
        const ProjectDir result = readProjectDir(dir.filePath("initialize.txt"));
        QCOMPARE(result.folder, folder);
        QCOMPARE(result.problem.isEmpty(), !folder.isEmpty());
    }

    // Start-up ends in the sign-in with the welcome text showing; cancelling it ends the program.
    void startUpThenCancelSignIn() {
        WindowHarness h;
        makeProject(h.projects() + "My Folio 2");
        makeProject(h.projects() + "garden");
        writeFile(h.projects() + "loose file.txt", "x");
        QString statusAtSignIn;
        QStringList enabledAtSignIn;
        h.script.answerForm([&](QDialog& form) {
            statusAtSignIn = h.status();
            enabledAtSignIn = h.enabledCommands();
            form.findChild<QPushButton*>("cmdCancel")->click();
        });
        QVERIFY(!h.open());
        QCOMPARE(statusAtSignIn, QString("Welcome to the Pictavo Ferrymate."));
        QCOMPARE(enabledAtSignIn, (QStringList{"cmdCancel", "cmdConnect", "cmdCreateLocalFolder",
                                               "miConnect", "miCreateLocalFolder", "miShowLog"}));
        QCOMPARE(h.status(), QString("Connect operation cancelled."));
        QCOMPARE(h.unloadedSignals, 1);
        QCOMPARE(h.localRows(), (QStringList{"GARDEN", "MY FOLIO 2"}));
        QVERIFY(h.log().isEmpty());

        // The controls as designed.
        Ui::FerryMenu& ui = h.ui();
        QCOMPARE(h.window->windowTitle(), QString("Pictavo Ferrymate - Menu"));
        for (const char* hidden :
             {"cmdConnect", "cmdDisconnect", "cmdAbort", "cmdUpLocal", "cmdUpFtp", "cboLocalPath",
              "fraTransferType", "fraLog", "cmdDeleteLocalFile", "cmdDeleteRemoteFolder"})
            QVERIFY2(!h.window->findChild<QWidget*>(hidden)->isVisibleTo(h.window.get()), hidden);
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

    // Without a projects folder the notice offers to choose one; the choice is kept and used at
    // the next start, until initialize.txt names a folder.
    void missingProjectsFolderCanBeChosen_data() {
        QTest::addColumn<bool>("choose");
        QTest::addColumn<bool>("pick");
        QTest::newRow("declined") << false << false;
        QTest::newRow("chooser cancelled") << true << false;
        QTest::newRow("chosen") << true << true;
    }
    void missingProjectsFolderCanBeChosen() {
        QFETCH(bool, choose);
        QFETCH(bool, pick);
        WindowHarness h;
        QFile::remove(h.programDir() + "/initialize.txt");
        makeProject(h.projects() + "Chosen One");
        h.script.answer(choose ? QMessageBox::Yes : QMessageBox::No);
        if (choose)
            h.script.answerFolder(pick ? h.projects() : QString());
        h.scriptSignIn(true);
        h.open();
        const ScriptedDialogs::Shown notice = h.script.shown.first();
        QCOMPARE(notice.title, QString("Pictavo Ferrymate [Notice]"));
        QVERIFY(notice.text.contains("initialize.txt") &&
                notice.text.endsWith("\r\rChoose the projects folder now?"));
        QCOMPARE(h.localRows(), pick ? QStringList{"CHOSEN ONE"} : QStringList());
        if (!pick)
            return;

        // The next start asks nothing and opens the chosen folder...
        const int asked = h.script.shown.size();
        h.window.reset();
        h.scriptSignIn(true);
        h.open();
        QCOMPARE(h.script.shown.size(), asked + 1);  // the sign-in only
        QCOMPARE(h.window->localPath(), h.projects());
        // ...until initialize.txt names one.
        QTemporaryDir named;
        h.writeInitialize("projectDir=" + named.path() + "&\r\n");
        h.window.reset();
        h.scriptSignIn(true);
        h.open();
        QCOMPARE(h.window->localPath(), named.path() + "/");
    }

    // Installed where the user cannot write: the settings and the FTP log go to the user's
    // configuration folder, starting from the settings the installation came with, and the
    // window says where. A settings file that cannot be written is said in the status line.
    void programFolderNotWritable_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("read-only") << false;
        QTest::newRow("full") << true;
    }
    void programFolderNotWritable() {
        QFETCH(bool, full);
        WindowHarness h;
        QTemporaryDir home;
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", oldConfig); });
        SmallDisk system(h.programDir(), (full ? 16 : 64) * 1024);
        QVERIFY(system.mounted());
        h.writeInitialize("projectDir=" + h.projects() + "&\r\n");
        h.writeSettings();
        const QByteArray installed = readFile(h.programDir() + "/Ferrymate.ini");
        if (full)
            system.fill();
        else
            QVERIFY(system.makeReadOnly());
        QVERIFY(h.signIn());
        const auto cleanup = qScopeGuard([&] { h.window.reset(); });
        if (full) {
            QCOMPARE(h.status(),
                     "Connected to Mary.Jones.localhost (not encrypted)\nThe "
                     "settings could not be saved in " +
                         h.programDir() + "/Ferrymate.ini");
            return;
        }
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/";
        QVERIFY(
            h.log().contains("The program's folder cannot be written: the settings and the "
                             "FTP log are kept in " +
                             config));
        QCOMPARE(readFile(h.programDir() + "/Ferrymate.ini"), installed);
        QCOMPARE(readProfileString("ConnectionInfo", "LastServerAddressUsed", "", 256,
                                   config + "Ferrymate.ini"),
                 QString("Mary.Jones.localhost"));
        QCOMPARE(readProfileString("Service", "Port", "", 256, config + "Ferrymate.ini"),
                 QString::number(h.server->port()));
        QVERIFY(readFile(config + "FerryFTP.log").contains("USER mary.jon"));
    }

    // The log selects its last line; past its size it drops the oldest lines and says so once.
    void logSelectsTheLastLineAndStaysSmall() {
        WindowHarness h;
        h.scriptSignIn(true);
        h.open();
        h.window->DisplayMessage("first");
        h.window->DisplayMessage("second");
        QCOMPARE(h.log(), (QStringList{"first", "second"}));
        QCOMPARE(h.ui().lstConnectionInfo->currentRow(), 1);
        for (int i = 0; i < FerryMenu::kMaxMessages + 10; ++i)
            h.window->DisplayMessage(QString("line %1").arg(i));
        const QStringList log = h.log();
        QCOMPARE(log.size(), FerryMenu::kMaxMessages);
        QCOMPARE(log.first(), FerryMenu::kMessagesDropped);
        QCOMPARE(log.at(1), QString("line 11"));
        QCOMPARE(log.last(), QString("line %1").arg(FerryMenu::kMaxMessages + 9));

        // Lines that come together while an operation runs are kept the same way.
        h.window->setUpdatePace(std::chrono::hours(1));
        for (const int count : {3, FerryMenu::kMaxMessages + 5}) {
            {
                const BusyState::Hold busy = h.window->busy().hold();
                for (int i = 0; i < count; ++i)
                    h.window->DisplayMessage(QString("batch %1").arg(i));
            }
            const QStringList batched = h.log();
            QCOMPARE(batched.size(), FerryMenu::kMaxMessages);
            QCOMPARE(batched.first(), FerryMenu::kMessagesDropped);
            QCOMPARE(batched.at(1), count == 3 ? QString("line 14") : QString("batch 6"));
            QCOMPARE(batched.last(), QString("batch %1").arg(count - 1));
            QCOMPARE(h.ui().lstConnectionInfo->currentRow(), FerryMenu::kMaxMessages - 1);
        }
    }

    // Escape or closing the connected window closes the connection and ends the program.
    void closingTheConnectedWindow_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("close") << false;
    }
    void closingTheConnectedWindow() {
        QFETCH(bool, escape);
        WindowHarness h;
        QVERIFY(h.signIn());
        h.script.answer(QMessageBox::Ok);  // the disconnection notice
        if (escape)
            QTest::keyClick(h.window.get(), Qt::Key_Escape);
        else
            QVERIFY(h.window->close());
        QCOMPARE(h.unloadedSignals, 1);
        QCOMPARE(h.script.messageTexts(),
                 QStringList{"Disconnected from FTP server Mary.Jones.localhost"});
        QVERIFY(h.log().contains("QUIT"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
