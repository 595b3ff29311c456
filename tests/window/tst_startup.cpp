// The transfer window's start-up, its controls and log, and where the settings go.
#include "FullDisk.h"
#include "WindowHarness.h"

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    // Start-up ends in the sign-in with the welcome text showing; cancelling it ends the program.
    // initialize.txt names the projects folder on its first "projectDir=" line, up to a "&";
    // without one a folder can be chosen, used until initialize.txt names one.
    void startUpThenCancelSignIn_data() {
        QTest::addColumn<int>("choice");  // 0 declined, 1 none chosen, 2 chosen; -1 not asked
        QTest::addColumn<QString>("initialize");  // %1: the projects folder; empty: no file
        QTest::newRow("named") << -1 << "x\nprojectDir=%1&f&b\nprojectDir=/o&";
        QTest::newRow("letter case, declined") << 0 << "x=y\nProjectDir=%1&\r\n";
        QTest::newRow("no folder, chooser cancelled") << 1 << "projectDir=&x\nprojectDir=%1";
        QTest::newRow("no initialize.txt, chosen") << 2 << "";
    }
    void startUpThenCancelSignIn() {
        QFETCH(int, choice);
        QFETCH(QString, initialize);
        WindowHarness h{WindowHarness::None};
        makeProject(h.projects() + "My Folio 2");
        makeProject(h.projects() + "garden");
        writeFile(h.projects() + "loose file.txt", "x");
        h.writeInitialize(initialize.replace("%1", h.projects()));
        if (initialize.isEmpty())
            QFile::remove(h.programDir() + "/initialize.txt");
        if (choice >= 0)
            h.script.answer(choice ? QMessageBox::Yes : QMessageBox::No);
        if (choice > 0)
            h.script.answerInput(choice == 2 ? h.projects() : QString());
        QStringList seen;
        h.scriptSignIn(true, {}, [&] { seen << h.status() << h.enabledCommands(); });
        QVERIFY(!h.open());
        QCOMPARE(seen << h.status() << QString::number(h.unloadedSignals),
                 (QStringList{"Welcome to the Pictavo Ferrymate.", "cmdCancel", "cmdConnect",
                              "cmdCreateLocalFolder", "miConnect", "miCreateLocalFolder",
                              "miShowLog", "Connect operation cancelled.", "1"}));
        const bool chosen = choice < 0 || choice == 2;
        QCOMPARE(h.localRows(), chosen ? (QStringList{"GARDEN", "MY FOLIO 2"}) : QStringList());
        QVERIFY(!chosen || h.window->localPath() == h.projects());  // one separator
        if (choice >= 0) {
            const ScriptedDialogs::Shown notice = h.script.shown.first();
            QVERIFY(notice.title == "Pictavo Ferrymate [Notice]" &&
                    notice.text.contains("initialize.txt") &&
                    notice.text.endsWith("\r\rChoose the projects folder now?"));
            QTemporaryDir named;
            // The chosen folder opens at the next start, until initialize.txt names one.
            const QStringList nextStarts{h.projects(), named.path() + "/"};
            for (const QString& next : choice == 2 ? nextStarts : QStringList()) {
                h.window.reset();
                h.scriptSignIn(true);
                h.open();  // asking nothing more
                QCOMPARE(h.window->localPath(), next);
                h.writeInitialize("projectDir=" + named.path() + "\r\n");  // no "&"
            }
            return;
        }

        // The controls' texts.
        Ui::FerryMenu& ui = h.ui();
        QVERIFY(ui.optBinary->isChecked());
        QCOMPARE(
            (QStringList{h.window->windowTitle(), ui.cmdCancel->text(), ui.cmdCancel->toolTip(),
                         ui.cmdSend->text(), ui.cmdView->toolTip(), ui.fraRemoteFiles->title(),
                         ui.miConnection->title(), ui.miRemoveLocalFolder->text(),
                         ui.lstLocalFileList->accessibleName(), ui.cmdUpFtp->accessibleName(),
                         ui.lstLocalFileList->headerItem()->text(0),
                         ui.lstRemoteFileList->headerItem()->text(0),
                         ui.lstRemoteFileList->headerItem()->text(1)}),
            (QStringList{"Pictavo Ferrymate - Menu", "C&ancel and Close",
                         "Cancel all operations and close Ferrymate ...",
                         "&Upload Selected Pictavo", "View the selected Pictavo Website ...",
                         "View or Delete Uploaded Pictavos", "Co&nnection", "Remove Folder",
                         "Pictavo projects on your computer", "Go to parent folder",
                         "Pictavo Project", "Website", "Date"}));

        // The log keeps its size, saying so once, and selects its last line, also after a batch.
        h.window->setUpdatePace(std::chrono::hours(1));
        const int max = FerryMenu::kMaxMessages;
        for (const auto& [count, second] : {std::pair{max + 5, 6}, std::pair{3, 9}}) {
            {
                const BusyState::Hold busy = h.window->busy().hold();
                for (int i = 0; i < count; ++i)
                    h.window->DisplayMessage(QString("batch %1").arg(i));
            }
            const QStringList log = h.log();
            const QString last = QString("batch %1").arg(count - 1);
            QCOMPARE(log.mid(0, 2) << log.last() << h.ui().lstConnectionInfo->currentItem()->text()
                                   << QString::number(log.size()),
                     (QStringList{FerryMenu::kMessagesDropped, QString("batch %1").arg(second),
                                  last, last, QString::number(max)}));
        }
    }

    // Read-only, the settings and FTP log go to the user's configuration folder, as the log says;
    // a full disk is said in the status line.
    void programFolderNotWritable_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("read-only") << false;
        QTest::newRow("full") << true;
    }
    void programFolderNotWritable() {
        QFETCH(bool, full);
        WindowHarness h;
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
