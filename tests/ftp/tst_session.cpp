#include <QFile>
#include <QTimer>
#include <QtTest>

#include "Fixture.h"
#include "Recorder.h"

using namespace ftp;

// The session against real servers: login, folders, listings, one operation at a time,
// active and passive data connections, keep-alive and the end of a connection.
class SessionTest : public QObject {
    Q_OBJECT

    static void servers() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pyftpdlib") << "pyftpdlib";
        QTest::newRow("vsftpd") << "vsftpd";
    }

private slots:
    void login_data() { servers(); }
    void login() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir logDir;
        const QString logPath = logDir.filePath("FerryFTP.log");
        writeFile(logPath, "earlier line\n");

        FtpComponent ftp;
        fx.configure(ftp);
        ftp.setCommandLogFilename(logPath);
        Recorder rec(ftp);
        ftp.setPassword("wrong password");
        try {
            ftp.Connect();
            QFAIL("a wrong password logged in");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, qint32(kErrLoginFailed));
            QVERIFY(!e.description.isEmpty());
        }
        QCOMPARE(ftp.State(), int(kNotConnected));
        QCOMPARE(rec.disconnected, 0);

        ftp.setPassword(fx.server().password());
        ftp.Connect();
        QCOMPARE(ftp.State(), int(kIdle));
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.Connect());

        // The password never reaches the log; the file holds the same lines, appended.
        QVERIFY(rec.logged("PASS ****"));
        for (const QString& line : std::as_const(rec.log))
            QVERIFY2(!line.contains(fx.server().password()), qPrintable(line));
        ftp.Disconnect();
        QCOMPARE(rec.disconnected, 1);
        QCOMPARE(rec.stateAtDisconnected, int(kNotConnected));
        ftp.Disconnect();
        QCOMPARE(rec.disconnected, 1);
        const QStringList fileLines =
            QString::fromUtf8(readFile(logPath)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(fileLines, QStringList{"earlier line"} + rec.log);
        QVERIFY(!readFile(logPath).contains(fx.server().password().toUtf8()));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.CurrentFolder());
    }

    void folders_data() { servers(); }
    void folders() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        writeFile(fx.path("keep/file.txt"), "content");
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        ftp.CreateFolder("made");
        ftp.CreateFolder("made\\inner");
        QVERIFY(QFileInfo(fx.path("made/inner")).isDir());
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.CreateFolder("made"));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.GetFolderItems("missing\\*", 0));
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        ftp.ChangeFolder("made\\inner");
        QCOMPARE(ftp.CurrentFolder(), QString("/made/inner"));
        ftp.ChangeToParentFolder();
        QCOMPARE(ftp.CurrentFolder(), QString("/made"));
        ftp.ChangeToParentFolder();
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        ftp.ChangeToParentFolder();
        QCOMPARE(ftp.CurrentFolder(), QString("/"));

        try {
            ftp.ChangeFolder("missing");
            QFAIL("changed into a missing folder");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, 550);
        }
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        QCOMPARE(ftp.State(), int(kIdle));

        ftp.RenameFile("keep/file.txt", "keep\\renamed.txt");
        QVERIFY(QFile::exists(fx.path("keep/renamed.txt")));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.RenameFile("keep/nothing", "keep/x"));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.RemoveFolder("keep"));  // not empty
        ftp.DeleteFile("keep/renamed.txt");
        QVERIFY(!QFile::exists(fx.path("keep/renamed.txt")));
        QVERIFY_THROWS_EXCEPTION(FtpError, ftp.DeleteFile("keep/renamed.txt"));
        ftp.RemoveFolder("keep");
        QVERIFY(!QFileInfo::exists(fx.path("keep")));

        // A name that would split the command line is refused before anything is sent.
        const qsizetype sent = rec.sent().size();
        try {
            ftp.DeleteFile("x\r\nRMD made");
            QFAIL("a line break went to the server");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, qint32(kErrBadArgument));
        }
        QCOMPARE(rec.sent().size(), sent);
        QVERIFY(QFileInfo(fx.path("made/inner")).isDir());
    }

    void listing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint32>("connectOption");
        QTest::addColumn<bool>("linksShown");  // MLSD of pyftpdlib follows links
        QTest::newRow("pyftpdlib MLSD") << "pyftpdlib" << 200 << false;
        QTest::newRow("pyftpdlib LIST") << "pyftpdlib" << (200 & ~kOptMlsd) << true;
        QTest::newRow("vsftpd LIST") << "vsftpd" << 200 << true;
    }
    void listing() {
        QFETCH(QString, kind);
        QFETCH(qint32, connectOption);
        QFETCH(bool, linksShown);
        ServerFixture fx(kind);
        const QString accented =
            QString::fromUtf8("\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac.txt");
        writeFile(fx.path("small.txt"), "12345");
        writeFile(fx.path(accented), "abc");
        writeFile(fx.path("sub/inner.txt"), "x");
        writeFile(fx.path("sub/other.dat"), "yy");
        QVERIFY(QFile::link("small.txt", fx.path("link.txt")));
        {
            QFile f(fx.path("small.txt"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime(QDate(2020, 5, 6), QTime(7, 8), Qt::UTC),
                                  QFileDevice::FileModificationTime));
        }
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        FtpComponent ftp;
        fx.configure(ftp);
        ftp.setConnectOption(connectOption);
        Recorder rec(ftp);
        ftp.Connect();

        ftp.setListingOption(1);
        ftp.ListFolder("");
        QMap<QString, Recorder::Item> byName;
        for (const Recorder::Item& i : std::as_const(rec.items))
            byName.insert(i.name, i);
        QCOMPARE(byName.keys(), QStringList({"link.txt", "small.txt", "sub", accented}));
        QCOMPARE(byName["small.txt"].kind, int(kFile));
        QCOMPARE(byName["small.txt"].size, 5);
        QCOMPARE(byName["small.txt"].date.toUTC().date(), QDate(2020, 5, 6));
        QCOMPARE(byName["sub"].kind, int(kFolder));
        QCOMPARE(byName[accented].size, 3);
        QCOMPARE(byName["link.txt"].kind, int(linksShown ? kLink : kFile));
        QVERIFY(!byName["small.txt"].text.isEmpty());
        QVERIFY(rec.skips.isEmpty());

        // GetFolderItems: no "." or "..", masks and folder parts.
        FolderItems items = ftp.GetFolderItems("", 0);
        QCOMPARE(items.Count(), 4);
        for (const FolderItem& i : items)
            QVERIFY(i.ItemName != "." && i.ItemName != "..");
        items = ftp.GetFolderItems("sub\\*.TXT", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, QString("inner.txt"));
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        QVERIFY(ftp.GetFolderItems("*.none", 0).isEmpty());
    }

    void oneOperationAtATime_data() { servers(); }
    void oneOperationAtATime() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        writeFile(fx.path("a.txt"), "a");
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        FtpComponent ftp;
        fx.configure(ftp);
        Recorder rec(ftp);
        ftp.Connect();

        int stateInside = -1;
        qsizetype sentBefore = -1, sentAfter = -1;
        std::optional<FtpError> refused;
        connect(&ftp, &FtpClient::ListingItem, this, [&] {
            stateInside = ftp.State();
            sentBefore = rec.sent().size();
            try {
                ftp.ChangeFolder("/");
            } catch (const FtpError& e) {
                refused = e;
            }
            sentAfter = rec.sent().size();
        });
        ftp.ListFolder("");
        QCOMPARE(stateInside, int(kListing));
        QVERIFY(refused);
        QCOMPARE(refused->number, qint32(kErrBusy));
        QCOMPARE(sentAfter, sentBefore);
        QCOMPARE(ftp.State(), int(kIdle));
        QCOMPARE(ftp.GetFolderItems("", 0).Count(), 1);  // the session is in order afterwards
    }

    void activeMode_data() { servers(); }
    void activeMode() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        writeFile(fx.path("down.txt"), "from the server");
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        QTemporaryDir local;
        writeFile(local.filePath("up.txt"), "to the server");
        FtpComponent ftp;
        fx.configure(ftp);
        ftp.setPassiveMode(false);
        Recorder rec(ftp);
        ftp.Connect();
        QCOMPARE(ftp.GetFolderItems("", 0).Count(), 1);
        ftp.SendFile(local.filePath("up.txt"), 0, "up.txt", false);
        ftp.ReceiveFile("down.txt", 0, local.filePath("down.txt"));
        QCOMPARE(readFile(fx.path("up.txt")), QByteArray("to the server"));
        QCOMPARE(readFile(local.filePath("down.txt")), QByteArray("from the server"));
        const QStringList sent = rec.sent();
        QVERIFY(sent.filter(QRegularExpression("^(EPRT|PORT) ")).size() >= 3);
        QVERIFY(sent.filter(QRegularExpression("^(EPSV|PASV)$")).isEmpty());
    }

    void keepAliveAndServerEnd_data() { servers(); }
    void keepAliveAndServerEnd() {
        QFETCH(QString, kind);
        ServerFixture fx(kind);
        QVERIFY2(fx.start(), qPrintable(fx.error()));
        FtpComponent ftp;
        fx.configure(ftp);
        ftp.setKeepAliveInterval(1);
        Recorder rec(ftp);
        ftp.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(rec.sent().count("NOOP") >= 2, 5000);
        QCOMPARE(ftp.State(), int(kIdle));
        QCOMPARE(rec.disconnected, 0);
        QCOMPARE(ftp.CurrentFolder(), QString("/"));

        // The server going away ends the connection once, seen while idle.
        fx.server().stop();
        QTRY_COMPARE_WITH_TIMEOUT(rec.disconnected, 1, 5000);
        QCOMPARE(rec.stateAtDisconnected, int(kNotConnected));
        try {
            ftp.ListFolder("");
            QFAIL("listed without a connection");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, qint32(kErrNotConnected));
        }
        QTest::qWait(200);
        QCOMPARE(rec.disconnected, 1);
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
