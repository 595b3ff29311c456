#include <QDir>
#include <QDirIterator>
#include <QtTest>

#include "Fixture.h"
#include "Recorder.h"

using namespace ftp;

// Sends and receives against real servers: folders made on the way, masks, replace answers,
// temporary names, progress, aborts in the middle of a large file, ASCII mode.
class TransfersTest : public QObject {
    Q_OBJECT

    static void servers() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pyftpdlib") << "pyftpdlib";
        QTest::newRow("vsftpd") << "vsftpd";
    }

    // Every file below `root`, relative, sorted.
    static QStringList tree(const QString& root) {
        QStringList out;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << QDir(root).relativeFilePath(it.next());
        out.sort();
        return out;
    }

private slots:
    void sendFile_data() { servers(); }
    void sendFile() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        const QByteArray page = pattern(300 * 1024, 'p');
        writeFile(local.filePath("bin/pictavo.html"), page);
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        ftp.SendFile(local.filePath("bin/pictavo.html"), 0, "site\\deep\\er\\pictavo.html", false);
        QCOMPARE(readFile(fx.path("site/deep/er/pictavo.html")), page);
        QCOMPARE(rec.sending, QStringList{local.filePath("bin/pictavo.html")});
        QVERIFY(!rec.progress.isEmpty());
        const Recorder::Progress last = rec.progress.last();
        QCOMPARE(last.done, page.size());
        QCOMPARE(last.size, page.size());
        QCOMPARE(last.percent, 100);
        for (const Recorder::Progress& p : std::as_const(rec.progress))
            QCOMPARE(p.state, int(kSendingFile));
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        QCOMPARE(ftp.State(), int(kIdle));

        // Into an existing folder the second time: nothing is created, one listing.
        rec.log.clear();
        rec.logDirections.clear();
        ftp.SendFile(local.filePath("bin/pictavo.html"), 0, "site/copy.html", false);
        QCOMPARE(rec.sent().filter("MKD").size(), 0);
        QCOMPARE(readFile(fx.path("site/copy.html")), page);

        try {
            ftp.SendFile(local.filePath("bin/missing.html"), 0, "site/missing.html", false);
            QFAIL("a missing file was sent");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, qint32(kErrLocalFile));
            QVERIFY(e.description.contains(local.filePath("bin/missing.html")));
        }
        QVERIFY(!QFile::exists(fx.path("site/missing.html")));

        // A folder where the file should go is not replaced.
        try {
            ftp.SendFile(local.filePath("bin/pictavo.html"), 0, "site\\deep", false);
            QFAIL("a folder was replaced by a file");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, qint32(kErrBadArgument));
        }
        QVERIFY(QFileInfo(fx.path("site/deep/er")).isDir());
    }

    void sendFiles_data() { servers(); }
    void sendFiles() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        writeFile(local.filePath("p/bin/a.swf"), pattern(200000, 'a'));
        writeFile(local.filePath("p/bin/B.SWF"), pattern(1000, 'b'));
        writeFile(local.filePath("p/bin/notes.txt"), "not a movie");
        writeFile(local.filePath("p/bin/more/c.swf"), pattern(5000, 'c'));
        writeFile(local.filePath("p/bin/more/deeper/d.swf"), pattern(0, 'd'));
        writeFile(local.filePath("p/bin/empty/e.txt"), "no movie here");
        const QString accented = QString::fromUtf8("\xc3\xbcn\xc3\xaf code.swf");
        writeFile(local.filePath("p/bin/more/" + accented), "u");
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        ftp.SendFiles(local.filePath("p/bin/*.swf"), "myfolio2", true, false);
        QCOMPARE(tree(fx.root()),
                 QStringList({"myfolio2/B.SWF", "myfolio2/a.swf", "myfolio2/more/c.swf",
                              "myfolio2/more/deeper/d.swf", "myfolio2/more/" + accented}));
        QCOMPARE(readFile(fx.path("myfolio2/a.swf")), pattern(200000, 'a'));
        QCOMPARE(readFile(fx.path("myfolio2/more/c.swf")), pattern(5000, 'c'));
        // Folders made by the send are empty and need no listing; a folder without matching
        // files is not created.
        const QRegularExpression listing("^(MLSD|LIST)");
        QCOMPARE(rec.sent().filter(listing).size(), 0);
        QVERIFY(!QFileInfo::exists(fx.path("myfolio2/empty")));
        int lastPercent = 0;
        for (const Recorder::Progress& p : std::as_const(rec.progress)) {
            QCOMPARE(p.state, int(kSendingFiles));
            QVERIFY(p.percent >= lastPercent);
            lastPercent = p.percent;
        }
        QCOMPARE(lastPercent, 100);
        QCOMPARE(rec.sending.size(), 5);

        // A folder that is not there sends nothing and is no error: projects without images.
        const qsizetype sent = rec.sent().size();
        ftp.SendFiles(local.filePath("p/bin/images/*.*"), "myfolio2\\images", true, false);
        QCOMPARE(rec.sent().size(), sent);
        QVERIFY(!QFileInfo::exists(fx.path("myfolio2/images")));
        QCOMPARE(ftp.CurrentFolder(), QString("/"));

        // Into folders that exist: one listing per target folder, not a command per file.
        ftp.SendFiles(local.filePath("p/bin/*.swf"), "myfolio2", true, true);
        QCOMPARE(rec.sent().filter(listing).size(), 3);
        QCOMPARE(readFile(fx.path("myfolio2/a.swf")), pattern(200000, 'a'));
    }

    void replace_data() { servers(); }
    void replace() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        writeFile(fx.path("site/a.txt"), "old a");
        writeFile(fx.path("site/b.txt"), "old b");
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        writeFile(local.filePath("a.txt"), "new a, longer");
        writeFile(local.filePath("b.txt"), "new b, longer");
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        rec.replaceAnswer = 0;
        ftp.SendFile(local.filePath("a.txt"), 0, "site/a.txt", false);
        QCOMPARE(readFile(fx.path("site/a.txt")), QByteArray("old a"));
        QCOMPARE(rec.replaces.size(), 1);
        QCOMPARE(rec.replaces[0].existing, QString("site/a.txt"));
        QCOMPARE(rec.replaces[0].existingSize, 5);
        QCOMPARE(rec.replaces[0].newSize, 13);
        QCOMPARE(rec.skips.size(), 1);
        QCOMPARE(rec.skips[0].first, local.filePath("a.txt"));
        QCOMPARE(rec.skips[0].second, QString("site/a.txt"));
        QCOMPARE(rec.skips[0].reason, qint32(kSkipKept));
        QVERIFY(rec.sent().filter("STOR").isEmpty());

        // Replaced: through a temporary name renamed over the old file.
        rec.replaceAnswer = 1;
        ftp.SendFiles(local.filePath("*.txt"), "site", false, false);
        QCOMPARE(readFile(fx.path("site/a.txt")), QByteArray("new a, longer"));
        QCOMPARE(readFile(fx.path("site/b.txt")), QByteArray("new b, longer"));
        QCOMPARE(rec.replaces.size(), 3);
        QVERIFY(rec.sent().contains("STOR .a.txt.ferrypart"));
        QVERIFY(rec.sent().contains("RNFR .a.txt.ferrypart"));
        QVERIFY(rec.sent().contains("RNTO a.txt"));
        QCOMPARE(tree(fx.path("site")), QStringList({"a.txt", "b.txt"}));

        // The last argument true replaces without asking.
        writeFile(local.filePath("a.txt"), "third a");
        ftp.SendFile(local.filePath("a.txt"), 0, "site/a.txt", true);
        QCOMPARE(rec.replaces.size(), 3);
        QCOMPARE(readFile(fx.path("site/a.txt")), QByteArray("third a"));
    }

    void receive_data() { servers(); }
    void receive() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        writeFile(fx.path("proj/pictavo.html"), pattern(70000, 'h'));
        writeFile(fx.path("proj/movie.swf"), pattern(1234, 'm'));
        writeFile(fx.path("proj/images/pic 1.jpg"), pattern(4321, 'i'));
        writeFile(fx.path("proj/images/deep/pic2.jpg"), pattern(10, 'j'));
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        ftp.ReceiveFiles("proj\\*", local.path(), false);
        QCOMPARE(tree(local.path()), QStringList({"proj/movie.swf", "proj/pictavo.html"}));
        QVERIFY(QFileInfo(local.filePath("proj/images")).exists() == false);
        QCOMPARE(readFile(local.filePath("proj/pictavo.html")), pattern(70000, 'h'));
        for (const Recorder::Progress& p : std::as_const(rec.progress))
            QCOMPARE(p.state, int(kReceivingFiles));
        QCOMPARE(rec.progress.last().percent, 100);

        rec.replaceAnswer = 1;
        ftp.ReceiveFiles("proj\\*", local.path(), true);
        QCOMPARE(tree(local.path()),
                 QStringList({"proj/images/deep/pic2.jpg", "proj/images/pic 1.jpg",
                              "proj/movie.swf", "proj/pictavo.html"}));
        QCOMPARE(readFile(local.filePath("proj/images/pic 1.jpg")), pattern(4321, 'i'));
        QCOMPARE(rec.replaces.size(), 2);  // the two files received the first time
        QCOMPARE(ftp.CurrentFolder(), QString("/"));

        // One file, kept when the answer is 0.
        writeFile(local.filePath("mine.swf"), "local version");
        rec.replaceAnswer = 0;
        ftp.ReceiveFile("proj\\movie.swf", 0, local.filePath("mine.swf"));
        QCOMPARE(readFile(local.filePath("mine.swf")), QByteArray("local version"));
        QCOMPARE(rec.skips.last().reason, qint32(kSkipKept));
        rec.replaceAnswer = 1;
        ftp.ReceiveFile("proj\\movie.swf", 0, local.filePath("mine.swf"));
        QCOMPARE(readFile(local.filePath("mine.swf")), pattern(1234, 'm'));
        QCOMPARE(rec.progress.last().state, int(kReceivingFile));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.ReceiveFile("proj/none", 0, local.filePath("n")));
        QVERIFY(!QFileInfo::exists(local.filePath("n")));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.ReceiveFiles("gone\\*", local.path(), true));
        QVERIFY(!QFileInfo::exists(local.filePath("gone")));
    }

    void abortLargeFile_data() { servers(); }
    void abortLargeFile() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        const QByteArray old = pattern(100000, 'o');
        writeFile(fx.path("big.bin"), old);
        writeFile(fx.path("download.bin"), pattern(48 * 1024 * 1024, 'd'));
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        writeFile(local.filePath("big.bin"), pattern(48 * 1024 * 1024, 'n'));
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        int stateAfterAbort = -1;
        rec.onProgress = [&](const Recorder::Progress& p) {
            if (p.done > 0 && p.done < p.size && !ftp.AbortRequested()) {
                ftp.setAbortRequested(true);
                stateAfterAbort = ftp.State();
            }
        };
        // The error number of the operation, 0 when it ended without one.
        const auto errorOf = [&](const std::function<void()>& operation) {
            stateAfterAbort = -1;
            try {
                operation();
            } catch (const FtpError& e) {
                return e.number;
            }
            return 0;
        };

        // Replacing: the old file stays whole, the temporary goes.
        QCOMPARE(errorOf([&] { ftp.SendFile(local.filePath("big.bin"), 0, "big.bin", true); }),
                 qint32(kErrAborted));
        QCOMPARE(stateAfterAbort, int(kIdle));
        // A new file: nothing of it stays.
        QCOMPARE(errorOf([&] { ftp.SendFile(local.filePath("big.bin"), 0, "sub/f.bin", true); }),
                 qint32(kErrAborted));
        QCOMPARE(stateAfterAbort, int(kIdle));
        // A download: no local file, no temporary.
        QCOMPARE(errorOf([&] { ftp.ReceiveFile("download.bin", 0, local.filePath("got.bin")); }),
                 qint32(kErrAborted));
        QCOMPARE(stateAfterAbort, int(kIdle));

        // The session goes on, in its first folder; the server has done the cleanup by the
        // time it answers the next listing.
        rec.onProgress = nullptr;
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        QCOMPARE(ftp.GetFolderItems("sub\\*", 0).Count(), 0);
        QCOMPARE(readFile(fx.path("big.bin")), old);
        QCOMPARE(tree(fx.root()), QStringList({"big.bin", "download.bin"}));
        QCOMPARE(tree(local.path()), QStringList({"big.bin"}));
        QCOMPARE(rec.disconnected, 0);
    }

    void handlerRunsEventLoop_data() { servers(); }
    void handlerRunsEventLoop() {
        // A progress handler that shows a message box: the transfer ends while it is open.
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        writeFile(local.filePath("f.bin"), pattern(8 * 1024 * 1024, 'f'));
        FtpComponent ftp;
        fx.configure(ftp);
        ftp.setTimeout(3);
        Recorder rec(ftp);
        ftp.Connect();
        bool waited = false;
        rec.onProgress = [&](const Recorder::Progress&) {
            if (!std::exchange(waited, true))
                QTest::qWait(500);
        };
        ftp.SendFile(local.filePath("f.bin"), 0, "f.bin", false);
        QVERIFY(waited);
        QCOMPARE(readFile(fx.path("f.bin")), pattern(8 * 1024 * 1024, 'f'));
        QCOMPARE(ftp.State(), int(kIdle));
    }

    void asciiMode_data() { servers(); }
    void asciiMode() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        const QByteArray text = "line one\nline two\n\nlast\n";
        writeFile(local.filePath("t.txt"), text);
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();
        ftp.setTransferMode(1);
        ftp.SendFile(local.filePath("t.txt"), 0, "t.txt", false);
        ftp.ReceiveFile("t.txt", 0, local.filePath("back.txt"));
        QCOMPARE(readFile(local.filePath("back.txt")), text);
        QVERIFY(rec.sent().contains("TYPE A"));
        ftp.setTransferMode(0);
        ftp.ReceiveFile("t.txt", 0, local.filePath("raw.txt"));
        QCOMPARE(readFile(local.filePath("raw.txt")), readFile(fx.path("t.txt")));
    }
};

QTEST_GUILESS_MAIN(TransfersTest)
#include "tst_transfers.moc"
