#include <QDir>
#include <QDirIterator>
#include <QTimer>
#include <QtTest>

#include "Fixture.h"
#include "FtpServers.h"
#include "Recorder.h"
#include "ScriptedServer.h"

using namespace ftp;

// What real servers do not do on demand, from a scripted server: odd and unexpected replies,
// prompts for password and account, drops, silence, wrong PASV addresses, refused active mode,
// hostile listings, and the component destroyed while it waits.
class ScriptedTest : public QObject {
    Q_OBJECT

    static void configure(FtpComponent& ftp, const ScriptedServer& server) {
        ftp.setServerAddress("demo.localhost");
        ftp.setServerPort(server.port());
        ftp.setUserName("mary.jon");
        ftp.setPassword("secret");
        ftp.setPassiveMode(true);
        ftp.setTimeout(2);
    }

    static qint32 errorOf(const std::function<void()>& operation) {
        try {
            operation();
        } catch (const FtpError& e) {
            return e.number;
        }
        return 0;
    }

private slots:
    void oddReplies() {
        ScriptedServer server;
        server.greeting = "220-Welcome\n220-  to the\nnoise without a code\n220 server";
        server.on["PWD"] = [&](const QString&) {
            server.reply("257 \"/with \"\"quotes\"\"\" is current");
        };
        server.on["CWD"] = [&](const QString&) {
            // A spontaneous line and a preliminary reply before the real answer.
            server.reply("250-Folder changed\n 200 not the end\n250 Done.");
        };
        server.on["NOOP"] = [&](const QString&) {};
        FtpComponent ftp;
        configure(ftp, server);
        Recorder rec(ftp);
        ftp.Connect();
        QCOMPARE(ftp.CurrentFolder(), QString("/with \"quotes\""));
        QVERIFY(rec.logged("noise without a code"));
        QVERIFY(rec.logged("220 server"));

        // A reply nobody asked for does not answer the next command.
        server.reply("200 Spontaneous.");
        QTest::qWait(50);
        server.on["PWD"] = [&](const QString&) { server.reply("257 \"/a\""); };
        ftp.ChangeFolder("a");
        QCOMPARE(ftp.CurrentFolder(), QString("/a"));
        QCOMPARE(rec.log.count("250 Done."), 1);
    }

    void passwordAndAccountPrompts() {
        ScriptedServer server;
        server.on["PASS"] = [&](const QString&) { server.reply("332 Need account."); };
        server.on["ACCT"] = [&](const QString& a) {
            server.reply(a == "acc-7" ? "230 Logged in." : "530 Bad account.");
        };
        FtpComponent ftp;
        configure(ftp, server);
        ftp.setPassword(QString());
        Recorder rec(ftp);
        rec.password = "typed secret";
        rec.account = "acc-7";
        ftp.Connect();
        QCOMPARE(rec.passwordAsked, 1);
        QCOMPARE(rec.accountAsked, 1);
        QVERIFY(server.received.contains("USER mary.jon"));
        QVERIFY(server.received.contains("PASS typed secret"));
        QVERIFY(server.received.contains("ACCT acc-7"));
        QVERIFY(rec.logged("PASS ****"));
        QVERIFY(!rec.log.join('\n').contains("typed secret"));
        QCOMPARE(ftp.State(), int(kIdle));

        // A refused account is a failed login and no connection.
        FtpComponent other;
        configure(other, server);
        Recorder rec2(other);
        rec2.account = "wrong";
        QCOMPARE(errorOf([&] { other.Connect(); }), qint32(kErrLoginFailed));
        QCOMPARE(other.State(), int(kNotConnected));
        QCOMPARE(rec2.disconnected, 0);
    }

    void dropInTransfer() {
        ScriptedServer server;
        server.files["half.bin"] = QByteArray(10000, 'h');
        server.on["RETR"] = [&](const QString&) {
            server.sendData(QByteArray(5000, 'h'), false);
            QTimer::singleShot(50, &server, [&] { server.closeControl(); });
        };
        QTemporaryDir local;
        FtpComponent ftp;
        configure(ftp, server);
        Recorder rec(ftp);
        ftp.Connect();
        QCOMPARE(errorOf([&] { ftp.ReceiveFile("half.bin", 0, local.filePath("half.bin")); }),
                 qint32(kErrConnectionLost));
        QCOMPARE(rec.disconnected, 1);
        QCOMPARE(rec.stateAtDisconnected, int(kNotConnected));
        QCOMPARE(ftp.State(), int(kNotConnected));
        QCOMPARE(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        // Connecting again works; the old connection's end is not reported twice.
        ftp.Connect();
        QCOMPARE(ftp.State(), int(kIdle));
        QTest::qWait(100);
        QCOMPARE(rec.disconnected, 1);
    }

    void silence() {
        ScriptedServer server;
        server.on["CWD"] = [](const QString&) {};
        FtpComponent ftp;
        configure(ftp, server);
        ftp.setTimeout(1);
        Recorder rec(ftp);
        ftp.Connect();
        QCOMPARE(errorOf([&] { ftp.ChangeFolder("slow"); }), qint32(kErrTimeout));
        QCOMPARE(ftp.State(), int(kNotConnected));
        QCOMPARE(rec.disconnected, 1);
        QCOMPARE(errorOf([&] { ftp.ChangeFolder("slow"); }), qint32(kErrNotConnected));

        // Silence from the start: the greeting never comes.
        server.greeting = "";
        server.on.clear();
        FtpComponent late;
        configure(late, server);
        late.setTimeout(1);
        QCOMPARE(errorOf([&] { late.Connect(); }), qint32(kErrTimeout));
        QCOMPARE(late.State(), int(kNotConnected));
    }

    void refused() {
        FtpComponent ftp;
        ftp.setServerAddress("localhost");
        ftp.setServerPort(freeLoopbackPort());
        Recorder rec(ftp);
        QCOMPARE(errorOf([&] { ftp.Connect(); }), qint32(kErrConnectFailed));
        QCOMPARE(ftp.State(), int(kNotConnected));
        QCOMPARE(rec.disconnected, 0);
        QCOMPARE(errorOf([&] { ftp.setAbortRequested(true); }), qint32(kErrNotConnected));
    }

    void pasvWithWrongAddress() {
        ScriptedServer server;
        server.features = {"UTF8"};
        server.on["EPSV"] = [&](const QString&) { server.reply("500 EPSV not understood."); };
        server.pasvShown = QHostAddress("127.0.0.2");
        server.listing = "-rw-r--r-- 1 a b 3 Jan 01 2020 only.txt\r\n";
        FtpComponent ftp;
        configure(ftp, server);
        Recorder rec(ftp);
        ftp.Connect();
        const FolderItems items = ftp.GetFolderItems("", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, QString("only.txt"));
        ftp.GetFolderItems("", 0);
        // EPSV is tried once; the session then keeps to PASV.
        QCOMPARE(server.received.count("EPSV"), 1);
        QCOMPARE(server.received.count("PASV"), 2);
    }

    void activeRefused_data() {
        QTest::addColumn<bool>("refuseAtPort");  // else the transfer command answers 425
        QTest::newRow("PORT refused") << true;
        QTest::newRow("425 on LIST") << false;
    }
    void activeRefused() {
        QFETCH(bool, refuseAtPort);
        ScriptedServer server;
        server.listing = "type=file;size=1; a.txt\r\n";
        if (refuseAtPort) {
            server.on["EPRT"] = [&](const QString&) { server.reply("500 EPRT not understood."); };
            server.on["PORT"] = [&](const QString&) { server.reply("500 Illegal PORT command."); };
        } else {
            int lists = 0;
            server.on["MLSD"] = [&, lists](const QString&) mutable {
                if (lists++ == 0 && server.received.filter("EPRT").size() == 1)
                    server.reply("425 Cannot open data connection.");
                else
                    server.sendData(server.listing);
            };
        }
        FtpComponent ftp;
        configure(ftp, server);
        ftp.setPassiveMode(false);
        Recorder rec(ftp);
        ftp.Connect();
        QCOMPARE(ftp.GetFolderItems("", 0).Count(), 1);
        QCOMPARE(ftp.GetFolderItems("", 0).Count(), 1);
        const int note = int(rec.logDirections.indexOf(2));
        QVERIFY(note >= 0);
        QCOMPARE(rec.log.at(note),
                 QString("Active mode failed; using passive mode for the rest of the session."));
        QCOMPARE(rec.logDirections.count(2), 1);
        // Once switched, the session stays passive.
        QCOMPARE(server.received.filter(QRegularExpression("^(EPRT|PORT)")).size(),
                 refuseAtPort ? 2 : 1);
        QCOMPARE(server.received.count("EPSV"), 2);
    }

    void hostileListing_data() {
        QTest::addColumn<QStringList>("features");
        QTest::addColumn<QByteArray>("listing");
        const QByteArray longLine = "x" + QByteArray(100 * 1024, 'y') + "\r\n";
        QTest::newRow("MLSD") << QStringList{"EPSV", "MLST type*;size*;", "UTF8"}
                              << QByteArray(
                                     "type=file;size=5; ../x\r\n"
                                     "type=file;size=5; a/b\r\n"
                                     "type=file;size=5; /etc/passwd\r\n"
                                     "type=file;size=5; C:boot.ini\r\n"
                                     "type=file;size=5; bell\x07.txt\r\n"
                                     "type=dir;size=0; ..\r\n"
                                     "type=dir;size=0; \\..\\up\r\n"
                                     "type=file;size=5; ok.txt\r\n") +
                                     longLine;
        QTest::newRow("LIST") << QStringList{"EPSV", "UTF8"}
                              << QByteArray(
                                     "-rw-r--r-- 1 a b 5 Jan 01 2020 ../x\r\n"
                                     "-rw-r--r-- 1 a b 5 Jan 01 2020 a/b\r\n"
                                     "-rw-r--r-- 1 a b 5 Jan 01 2020 /etc/passwd\r\n"
                                     "-rw-r--r-- 1 a b 5 Jan 01 2020 C:boot.ini\r\n"
                                     "-rw-r--r-- 1 a b 5 Jan 01 2020 bell\x07.txt\r\n"
                                     "drwxr-xr-x 1 a b 0 Jan 01 2020 ..\r\n"
                                     "drwxr-xr-x 1 a b 0 Jan 01 2020 \\..\\up\r\n"
                                     "-rw-r--r-- 1 a b 5 Jan 01 2020 ok.txt\r\n") +
                                     longLine;
    }
    void hostileListing() {
        QFETCH(QStringList, features);
        QFETCH(QByteArray, listing);
        ScriptedServer server;
        server.features = features;
        server.listing = listing;
        for (const char* name : {"../x", "a/b", "/etc/passwd", "C:boot.ini", "ok.txt"})
            server.files[name] = "12345";
        QTemporaryDir outer;
        const QString target = outer.filePath("target");
        QVERIFY(QDir().mkpath(target));
        FtpComponent ftp;
        configure(ftp, server);
        Recorder rec(ftp);
        ftp.Connect();

        ftp.setListingOption(1);
        ftp.ListFolder("");
        QCOMPARE(rec.items.size(), 2);
        QCOMPARE(rec.items[0].name, QString("ok.txt"));
        QCOMPARE(rec.items[1].name, QString());  // the long line, unparsed, with its text
        QCOMPARE(rec.items[1].kind, int(kFile));
        QCOMPARE(rec.items[1].text.size(), 100 * 1024 + 1);
        QCOMPARE(rec.skips.size(), 6);
        for (const Recorder::Skip& s : std::as_const(rec.skips)) {
            QCOMPARE(s.reason, qint32(kSkipUnsafeName));
            QCOMPARE(s.second, QString());
        }
        QCOMPARE(rec.skips[4].first, QString("bell?.txt"));

        // Without kListUnparsed the unparsed line is reported as skipped instead.
        rec.skips.clear();
        const FolderItems items = ftp.GetFolderItems("", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(std::count_if(rec.skips.cbegin(), rec.skips.cend(),
                               [](const Recorder::Skip& s) { return s.reason == kSkipUnparsed; }),
                 1);

        // Receiving everything writes only the safe name, inside the target folder.
        rec.skips.clear();
        ftp.ReceiveFiles("*", target, true);
        QStringList written;
        QDirIterator it(outer.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            written << QDir(outer.path()).relativeFilePath(it.next());
        QCOMPARE(written, QStringList{"target/ok.txt"});
        QCOMPARE(rec.skips.size(), 7);
        QVERIFY(!server.received.contains("RETR ../x"));
    }

    void latin1Server() {
        ScriptedServer server;
        server.features = {"EPSV"};
        server.listing = "-rw-r--r-- 1 a b 5 Jan 01 2020 caf\xe9.txt\r\n";
        server.on["PWD"] = [&](const QString&) { server.reply("257 \"/r\xe9sum\xe9\""); };
        server.on["DELE"] = [&](const QString&) { server.reply("250 Deleted."); };
        FtpComponent ftp;
        configure(ftp, server);
        Recorder rec(ftp);
        ftp.Connect();
        QCOMPARE(ftp.CurrentFolder(), QString::fromUtf8("/r\xc3\xa9sum\xc3\xa9"));
        QCOMPARE(ftp.GetFolderItems("", 0).value(0).ItemName, QString::fromUtf8("caf\xc3\xa9.txt"));
        ftp.DeleteFile(QString::fromUtf8("caf\xc3\xa9.txt"));
        QVERIFY(server.receivedBytes.contains(QByteArray("DELE caf\xe9.txt")));
        QVERIFY(!server.received.contains("OPTS UTF8 ON"));
    }

    void abortedListingKeepsRepliesInOrder() {
        ScriptedServer server;
        bool aborted = false;
        server.on["MLSD"] = [&](const QString&) { server.reply("150 Here it comes, slowly."); };
        server.on["ABOR"] = [&](const QString&) {
            aborted = true;
            server.reply("426 Transfer aborted.\n226 ABOR successful.");
        };
        server.on["PWD"] = [&](const QString&) {
            server.reply("257 \"" + server.cwd.toUtf8() + "\"");
        };
        FtpComponent ftp;
        configure(ftp, server);
        ftp.setTimeout(5);
        Recorder rec(ftp);
        ftp.Connect();
        QTimer::singleShot(200, &ftp, [&] { ftp.setAbortRequested(true); });
        QCOMPARE(errorOf([&] { ftp.ListFolder(""); }), qint32(kErrAborted));
        QCOMPARE(ftp.State(), int(kIdle));
        QVERIFY(ftp.AbortRequested());
        // The late replies to the aborted command are not taken for the next ones'.
        ftp.ChangeFolder("next");
        QCOMPARE(ftp.CurrentFolder(), QString("/next"));
        QVERIFY(aborted);
        QVERIFY(!ftp.AbortRequested());
        QCOMPARE(rec.disconnected, 0);
    }

    void destroyedWhileWaiting() {
        ScriptedServer server;
        server.listing = "type=file;size=1; a.txt\r\ntype=file;size=1; b.txt\r\n";
        server.on["CWD"] = [](const QString&) {};

        // From a notification handler.
        auto* ftp = new FtpComponent;
        configure(*ftp, server);
        ftp->Connect();
        int seen = 0;
        connect(ftp, &FtpClient::ListingItem, this, [&] {
            ++seen;
            delete ftp;
        });
        QCOMPARE(errorOf([&] { ftp->ListFolder(""); }), qint32(kErrConnectionLost));
        QCOMPARE(seen, 1);

        // From a timer while the operation waits for a reply.
        auto* other = new FtpComponent;
        configure(*other, server);
        other->setTimeout(10);
        other->Connect();
        QTimer::singleShot(100, this, [&] { delete other; });
        QCOMPARE(errorOf([&] { other->ChangeFolder("never"); }), qint32(kErrConnectionLost));
        QTest::qWait(50);
    }
};

QTEST_GUILESS_MAIN(ScriptedTest)
#include "tst_scripted.moc"
