// Receiving remote entries into the current local folder through the transfer window.
#include <QtTest>

#include "Download.h"
#include "WindowHarness.h"

class DownloadTest : public QObject {
    Q_OBJECT
private slots:
    void foldersWithAndWithoutSubfolders() {
        WindowHarness h;
        writeFile(h.serverRoot() + "/proj/a.txt", "a");
        writeFile(h.serverRoot() + "/proj/sub/b.txt", "b");
        writeFile(h.serverRoot() + "/other/c.txt", "c");
        writeFile(h.serverRoot() + "/other/deep/d.txt", "d");
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        h.scriptSignIn();
        QVERIFY(h.open());
        h.select(h.ui().lstRemoteFileList, {"proj", "other"});
        QVERIFY(h.ui().cmdReceive->isEnabled());
        h.script.answer(QMessageBox::No).answer(QMessageBox::Yes);
        h.ui().cmdReceive->click();
        const QList<ScriptedDialogs::Shown> questions = h.script.shown.mid(1);
        QCOMPARE(questions.size(), 2);
        QCOMPARE(questions[0].text, QString("Do you want to receive any subfolders that are "
                                            "contained in the 'other' folder?"));
        QCOMPARE(questions[1].text, QString("Do you want to receive any subfolders that are "
                                            "contained in the 'proj' folder?"));
        QCOMPARE(filesBelow(h.projects()),
                 (QStringList{"other/c.txt", "proj/a.txt", "proj/sub/b.txt"}));
        QCOMPARE(readFile(h.projects() + "proj/sub/b.txt"), QByteArray("b"));
        QCOMPARE(h.status(), QString("File download(s) complete."));
        QCOMPARE(h.rowTexts(h.ui().lstLocalFileList), (QStringList{"OTHER", "PROJ"}));
        QCOMPARE(h.ui().prgStatus->value(), 0);
    }

    void linkRowsAreReceivedAsFiles() {
        WindowHarness h(WindowHarness::Vs);
        writeFile(h.serverRoot() + "/target.txt", "linked content");
        QVERIFY(QFile::link("target.txt", h.serverRoot() + "/my link"));
        QVERIFY2(h.serverStarted(), qPrintable(h.serverError()));
        h.scriptSignIn();
        QVERIFY(h.open());
        QCOMPARE(h.rowTexts(h.ui().lstRemoteFileList), QStringList{"my link"});
        h.select(h.ui().lstRemoteFileList, {"my link"});
        h.window->download().ReceiveSelectedItems();
        QCOMPARE(readFile(h.projects() + "my link"), QByteArray("linked content"));
        QCOMPARE(h.status(), QString("File download(s) complete."));
    }

    void nothingSelected() {
        WindowHarness h;
        h.writeSettings("[Transfer]\r\nConnections=9\r\n");
        h.scriptSignIn();
        QVERIFY(h.open());
        makeProject(h.projects() + "Appeared");
        h.window->download().ReceiveSelectedItems();
        QCOMPARE(h.xFtp->Connections(), 9);
        QVERIFY(h.xFtp->SkipUnchanged());
        QCOMPARE(h.status(), QString("File download(s) complete."));
        QCOMPARE(h.rowTexts(h.ui().lstLocalFileList), QStringList{"APPEARED"});
    }

    void abortLeavesNoPartialFile() {
        WindowHarness h;
        writeFile(h.serverRoot() + "/a/small.txt", "s");
        writeFile(h.serverRoot() + "/b/big.bin", QByteArray(96 * 1024 * 1024, 'b'));
        writeFile(h.serverRoot() + "/c/late.txt", "l");
        h.scriptSignIn();
        QVERIFY(h.open());
        bool aborted = false;
        QObject::connect(h.xFtp.get(), &ftp::FtpClient::TransferProgress, h.window.get(),
                         [&](const QString&, const QString&, qint64 size, qint64 done) {
                             if (!aborted && size > 1000000 && done > 0 && done < size) {
                                 aborted = true;
                                 h.ui().miAbort->trigger();
                             }
                         });
        h.select(h.ui().lstRemoteFileList, {"a", "b", "c"});
        h.script.answer(QMessageBox::No).answer(QMessageBox::No).answer(QMessageBox::No);
        h.window->download().ReceiveSelectedItems();
        QVERIFY(aborted);
        QVERIFY(h.log().contains("Download successfully aborted."));
        QVERIFY(h.statuses.contains("Download aborted."));
        QCOMPARE(filesBelow(h.projects()), QStringList{"a/small.txt"});
        QCOMPARE(h.ui().prgStatus->value(), 0);
        // The local list was read again: the first folder is there, the third never came.
        QVERIFY(h.rowTexts(h.ui().lstLocalFileList).contains("A"));
        QVERIFY(!h.rowTexts(h.ui().lstLocalFileList).contains("C"));
    }
};

QTEST_MAIN(DownloadTest)
#include "tst_download.moc"
