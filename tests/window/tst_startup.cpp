// The transfer window's start-up, its controls and log, and where the settings go.
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
        QTest::newRow("up to the first &")
            << QByteArray("x\nprojectDir=/w/S&f&b\nprojectDir=/o&") << "/w/S/";
        QTest::newRow("no &: the whole line") << QByteArray("projectDir=/w/My S\r\n") << "/w/My S/";
        QTest::newRow("separator not doubled") << QByteArray("projectDir=/w/S/&x") << "/w/S/";
        QTest::newRow("other letter case") << QByteArray("ProjectDir=/w/S&\r\n") << QString();
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
    // Without a projects folder one can be chosen, used until initialize.txt names one.
    void startUpThenCancelSignIn_data() {
        QTest::addColumn<int>("choice");  // without initialize.txt: 0 declined, 1 none, 2 chosen
        QTest::newRow("initialize.txt names the folder") << -1;
        QTest::newRow("declined") << 0;
        QTest::newRow("chooser cancelled") << 1;
        QTest::newRow("chosen") << 2;
    }
    void startUpThenCancelSignIn() {
        QFETCH(int, choice);
        WindowHarness h{WindowHarness::None};
        makeProject(h.projects() + "My Folio 2");
        makeProject(h.projects() + "garden");
        writeFile(h.projects() + "loose file.txt", "x");
        if (choice >= 0) {
            QFile::remove(h.programDir() + "/initialize.txt");
            h.script.answer(choice ? QMessageBox::Yes : QMessageBox::No);
        }
        if (choice > 0)
            h.script.answerInput(choice == 2 ? h.projects() : QString());
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
        const bool chosen = choice < 0 || choice == 2;
        QCOMPARE(h.localRows(), chosen ? (QStringList{"GARDEN", "MY FOLIO 2"}) : QStringList());
        if (choice >= 0) {
            const ScriptedDialogs::Shown notice = h.script.shown.first();
            QCOMPARE(notice.title, QString("Pictavo Ferrymate [Notice]"));
            QVERIFY(notice.text.contains("initialize.txt") &&
                    notice.text.endsWith("\r\rChoose the projects folder now?"));
            QTemporaryDir named;
            // The chosen folder opens at the next start, until initialize.txt names one.
            const QStringList nextStarts{h.projects(), named.path() + "/"};
            for (const QString& next : choice == 2 ? nextStarts : QStringList()) {
                h.window.reset();
                h.scriptSignIn(true);
                h.open();  // asking nothing more
                QCOMPARE(h.window->localPath(), next);
                h.writeInitialize("projectDir=" + named.path() + "&\r\n");
            }
            return;
        }

        // The controls' texts.
        Ui::FerryMenu& ui = h.ui();
        const std::tuple<QObject*, const char*, const char*> designed[] = {
            {h.window.get(), "windowTitle", "Pictavo Ferrymate - Menu"},
            {ui.cmdCancel, "text", "C&ancel and Close"},
            {ui.cmdCancel, "toolTip", "Cancel all operations and close Ferrymate ..."},
            {ui.cmdSend, "text", "&Upload Selected Pictavo"},
            {ui.cmdView, "toolTip", "View the selected Pictavo Website ..."},
            {ui.fraRemoteFiles, "title", "View or Delete Uploaded Pictavos"},
            {ui.miConnection, "title", "Co&nnection"},
            {ui.miRemoveLocalFolder, "text", "Remove Folder"},
            {ui.lstLocalFileList, "accessibleName", "Pictavo projects on your computer"},
            {ui.cmdUpFtp, "accessibleName", "Go to parent folder"}};
        for (const auto& [object, property, text] : designed)
            QCOMPARE(object->property(property).toString(), QString(text));
        QVERIFY(ui.optBinary->isChecked());
        QCOMPARE(ui.lstLocalFileList->headerItem()->text(0) + "|" +
                     ui.lstRemoteFileList->headerItem()->text(0) + "|" +
                     ui.lstRemoteFileList->headerItem()->text(1),
                 QString("Pictavo Project|Website|Date"));

        // The log selects its last line and keeps its size, saying so once, also for lines that
        // come together while an operation runs.
        h.window->setUpdatePace(std::chrono::hours(1));
        const int max = FerryMenu::kMaxMessages;
        for (const auto& [count, second] : {std::pair{max + 5, 6}, std::pair{3, 9}}) {
            {
                const BusyState::Hold busy = h.window->busy().hold();
                for (int i = 0; i < count; ++i)
                    h.window->DisplayMessage(QString("batch %1").arg(i));
            }
            const QStringList log = h.log();
            QCOMPARE(log.size(), max);
            QCOMPARE(log.mid(0, 2),
                     (QStringList{FerryMenu::kMessagesDropped, QString("batch %1").arg(second)}));
            QCOMPARE(log.last() + h.ui().lstConnectionInfo->currentItem()->text(),
                     QString("batch %1").arg(count - 1).repeated(2));
        }
    }

    // Read-only, the settings and the FTP log go to the user's configuration folder (the window
    // says where); a full disk is said in the status line.
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
        if (full)
            system.fill();
        else
            QVERIFY(system.makeReadOnly());
        QVERIFY(h.signIn());
        const auto cleanup = qScopeGuard([&] { h.window.reset(); });
        if (full) {
            QCOMPARE(h.status(),
                     "Connected to Mary.Jones.localhost (not encrypted)\nThe settings "
                     "could not be saved in " +
                         h.programDir() + "/Ferrymate.ini");
            return;
        }
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/";
        QVERIFY(
            h.log().contains("The program's folder cannot be written: the settings and the "
                             "FTP log are kept in " +
                             config));
        QCOMPARE(readProfileString("ConnectionInfo", "LastServerAddressUsed", "", 256,
                                   config + "Ferrymate.ini"),
                 QString("Mary.Jones.localhost"));
        QVERIFY(readFile(config + "FerryFTP.log").contains("USER mary.jon"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
