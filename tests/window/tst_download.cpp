// Receiving remote entries into the current local folder through the transfer window.
#include <QtTest>

#include "Download.h"
#include "WindowHarness.h"

class DownloadTest : public QObject {
    Q_OBJECT
private slots:
    // Folders with or without their subfolders, as answered, and a link row as the file it
    // leads to, over one or four connections.
    void receivesFoldersAndLinks_data() { WindowHarness::addServerRows(); }
    void receivesFoldersAndLinks() {
        QFETCH(int, server);
        QFETCH(int, connections);
        WindowHarness h{WindowHarness::Server(server), [](const QString& root) {
                            writeFile(root + "/proj/a.txt", "a");
                            writeFile(root + "/proj/sub/b.txt", "b");
                            writeFile(root + "/other/c.txt", "c");
                            writeFile(root + "/other/deep/d.txt", "d");
                            writeFile(root + "/target.txt", "linked content");
                            QFile::link("target.txt", root + "/my link");
                        }};
        h.writeSettings(QString("[Transfer]\r\nConnections=%1\r\n").arg(connections));
        QVERIFY(h.signIn());
        // With nothing selected the local list is still read again.
        makeProject(h.projects() + "Appeared");
        h.window->download().ReceiveSelectedItems();
        QCOMPARE(h.localRows(), QStringList{"APPEARED"});
        QDir(h.projects() + "Appeared").removeRecursively();
        h.select(h.ui().lstRemoteFileList, {"proj", "other", "my link"});
        h.script.answer(QMessageBox::No).answer(QMessageBox::Yes);
        h.ui().cmdReceive->click();
        QCOMPARE(h.xFtp->Connections(), connections);
        QCOMPARE(h.script.messageTexts(),
                 (QStringList{"Do you want to receive any subfolders that are contained in the "
                              "'other' folder?",
                              "Do you want to receive any subfolders that are contained in the "
                              "'proj' folder?"}));
        QCOMPARE(filesBelow(h.projects()).filter("/"),
                 (QStringList{"other/c.txt", "proj/a.txt", "proj/sub/b.txt"}));
        QCOMPARE(readFile(h.projects() + "proj/sub/b.txt"), QByteArray("b"));
        // pyftpdlib lists the link as a file, which makes no row.
        QCOMPARE(readFile(h.projects() + "my link"),
                 server == WindowHarness::Vs ? QByteArray("linked content") : QByteArray());
        QCOMPARE(h.status(), QString("File download(s) complete."));
        QCOMPARE(h.localRows(), (QStringList{"OTHER", "PROJ"}));
        QCOMPARE(h.ui().prgStatus->value(), 0);
    }

    void abortLeavesNoPartialFile() {
        WindowHarness h;
        writeFile(h.serverRoot() + "/a/small.txt", "s");
        writeFile(h.serverRoot() + "/b/big.bin", QByteArray(96 * 1024 * 1024, 'b'));
        writeFile(h.serverRoot() + "/c/late.txt", "l");
        QVERIFY(h.signIn());
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
        QVERIFY(h.localRows().contains("A") && !h.localRows().contains("C"));
    }
};

QTEST_MAIN(DownloadTest)
#include "tst_download.moc"
