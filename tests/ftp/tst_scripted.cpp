#include <QDir>
#include <QTimer>
#include <QtTest>

#include "Fixture.h"
#include "ScriptedServer.h"

using namespace ftp;

namespace {

// A component pointed at a scripted server, with its recorder.
struct Client {
    explicit Client(const ScriptedServer& server, int timeout = 2) {
        ftp.setServerAddress("demo.localhost");
        ftp.setServerPort(server.port());
        ftp.setUserName("mary.jon");
        ftp.setPassword("secret");
        ftp.setPassiveMode(true);
        ftp.setTimeout(timeout);
    }
    FtpComponent ftp;
    Recorder rec{ftp};
};

}  // namespace

// What real servers do not do on demand, from a scripted server: odd and unexpected replies,
// prompts for password and account, drops, silence, wrong PASV addresses, data connections that
// do not open, hostile listings, and the component destroyed while it waits.
class ScriptedTest : public QObject {
    Q_OBJECT

private slots:
    // A line outside any reply while idle is no reply overdue; a server that stays silent ends
    // the connection, once; a greeting that never comes is a timeout too.
    void silentServer() {
        ScriptedServer server;
        server.on["CWD"] = [](const QString&) {};
        Client c(server, 1);
        c.ftp.Connect();
        server.reply("Idle noise.");
        QTest::qWait(1500);
        QVERIFY(c.rec.logged("Idle noise."));
        QCOMPARE(errorOf([&] { c.ftp.ChangeFolder("slow"); }), qint32(kErrTimeout));
        QCOMPARE(c.rec.events, QStringList{"disconnected 0"});
        QCOMPARE(errorOf([&] { c.ftp.ChangeFolder("slow"); }), qint32(kErrNotConnected));
        server.greeting = "";
        Client late(server, 1);
        QCOMPARE(errorOf([&] { late.ftp.Connect(); }), qint32(kErrTimeout));
    }

    // An old server: it asks for an account, has no UTF8 (names in Latin-1) and no EPSV, names
    // another address in its PASV reply, and puts noise around the replies.
    void oldServer() {
        ScriptedServer server;
        server.greeting = "220-Welcome\n220-  to the\nnoise without a code\n220 server";
        server.features = {};
        server.on["PASS"] = [&](const QString&) { server.reply("332 Need account."); };
        server.on["ACCT"] = [&](const QString&) { server.reply("230 Logged in."); };
        server.on["EPSV"] = [&](const QString&) { server.reply("500 EPSV not understood."); };
        server.pasvHost = "127,0,0,2";
        server.listing = "-rw-r--r-- 1 a b 5 Jan 01 2020 caf\xe9.txt\r\n";
        server.on["PWD"] = [&](const QString&) {
            server.reply("257 \"/r\xe9sum\xe9 \"\"q\"\"\" is current");
        };
        server.on["DELE"] = [&](const QString&) { server.reply("250 Deleted."); };
        server.on["CWD"] = [&](const QString&) {
            // A spontaneous line and a preliminary reply before the real answer.
            server.reply("250-Folder changed\n 200 not the end\n250 Done.");
        };
        Client c(server);
        c.ftp.setPassword(QString());
        c.rec.password = "typed secret";
        c.rec.account = "acc-7";
        c.ftp.Connect();
        QCOMPARE(c.rec.events, QStringList({"password?", "account?"}));
        QCOMPARE(server.received.mid(0, 4),
                 QStringList({"AUTH TLS", "USER mary.jon", "PASS typed secret", "ACCT acc-7"}));
        QCOMPARE(c.ftp.CurrentFolder(), QString::fromUtf8("/r\xc3\xa9sum\xc3\xa9 \"q\""));
        QVERIFY(c.rec.logged("noise without a code"));
        const QString name = QString::fromUtf8("caf\xc3\xa9.txt");
        const FolderItems items = c.ftp.GetFolderItems("", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, name);
        c.ftp.GetFolderItems("", 0);
        c.ftp.DeleteFile(name);
        // Sent in Latin-1: no valid UTF-8.
        QVERIFY(server.received.contains(QString::fromUtf8("DELE caf\xe9.txt")));
        QVERIFY(!server.received.contains("OPTS UTF8 ON"));
        // EPSV is tried once; the session then keeps to PASV.
        QCOMPARE(server.received.count("EPSV"), 1);
        QCOMPARE(server.received.count("PASV"), 2);

        // A reply nobody asked for does not answer the next command.
        server.reply("200 Spontaneous.");
        QTRY_VERIFY(c.rec.logged("200 Spontaneous."));
        server.on["PWD"] = [&](const QString&) { server.reply("257 \"/a\""); };
        QCOMPARE(errorOf([&] { c.ftp.ChangeFolder("a"); }), 0);
        QCOMPARE(c.ftp.CurrentFolder(), QString("/a"));
        QCOMPARE(c.rec.log.count("250 Done."), 1);

        // It will not rename over a file, not even once that is deleted: the new version stays
        // under its temporary name, and the error says so.
        server.listing = "-rw-r--r-- 1 a b 3 Jan 01 2020 a.txt\r\n";
        server.files["a.txt"] = "old";
        server.on["RNTO"] = [&](const QString&) { server.reply("553 Will not replace."); };
        QTemporaryDir local;
        writeFile(local.filePath("a.txt"), "new");
        const QString why = failureOf([&] {
                                c.ftp.SendFile(local.filePath("a.txt"), 0, "a.txt", true);
                            }).description;
        QVERIFY2(why.endsWith("The new version of 'a.txt' is kept as '.a.txt.ferrypart'."),
                 qPrintable(why));
        QCOMPARE(server.files.value(".a.txt.ferrypart"), QByteArray("new"));
        QVERIFY(!server.received.contains("DELE .a.txt.ferrypart"));
    }

    // A data connection that does not open in one mode is tried once in the other, which the
    // session then keeps: a listing falls back, the upload and the next listing go straight to
    // the mode that worked.
    void dataModeFallback_data() {
        QTest::addColumn<bool>("passive");  // PassiveMode: else active first
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("epsv");  // EPSV and EPRT commands expected
        QTest::addColumn<int>("eprt");
        QTest::newRow("EPRT and PORT refused") << false << "refuse active" << 3 << 1;
        // The listing works in active mode; the upload, refused, falls back on its own.
        QTest::newRow("425 to STOR in active mode") << false << "425 in active" << 2 << 2;
        QTest::newRow("server never connects") << false << "never connect" << 3 << 1;
        QTest::newRow("passive port refuses") << true << "refusing port" << 1 << 3;
        // The upload fails in both modes: the file the server made at 425 goes too.
        QTest::newRow("upload fails in both") << true << "both fail" << 2 << 3;
        // The port of the EPSV sent ahead with the first rename (after the target's listing and
        // the first file) is gone: a new one, no mode change.
        QTest::newRow("port sent ahead refuses") << true << "ahead refuses" << 5 << 0;
        // The first file's rename fails: the next file's STOR, sent ahead with it, is answered
        // with an empty upload and its temporary removed before anything else goes out.
        QTest::newRow("rename refused, STOR sent ahead") << true << "rename refused" << 4 << 0;
    }
    void dataModeFallback() {
        QFETCH(bool, passive);
        QFETCH(QString, fault);
        QFETCH(int, epsv);
        QFETCH(int, eprt);
        ScriptedServer server;
        server.listing = "type=file;size=1; a.txt\r\n";
        // The data connection last set up is an active one: EPRT or PORT, not EPSV or PASV.
        const auto inActiveMode = [&] {
            const QRegularExpression setup("^(EPSV|PASV|EPRT|PORT)");
            return !server.received.filter(setup).constLast().contains("SV");
        };
        if (fault == "refuse active") {
            for (const char* verb : {"EPRT", "PORT"})
                server.on[verb] = [&](const QString&) { server.reply("500 Not understood."); };
        } else if (fault == "425 in active" || fault == "both fail") {
            // As vsftpd: the target exists before the connection back fails.
            server.on["STOR"] = [&](const QString& name) {
                if (inActiveMode()) {
                    server.files[name] = QByteArray();
                    server.reply("425 Failed to establish connection.");
                } else {
                    server.receiveData(name);
                }
            };
            if (fault == "both fail")
                server.refusePassive = true;
        } else if (fault == "never connect") {
            server.on["EPRT"] = [&](const QString&) { server.reply("200 Waiting, in vain."); };
        } else if (fault == "refusing port") {
            server.refusePassive = true;
        } else if (fault == "rename refused") {
            server.on["RNTO"] = [&](const QString&) { server.reply("553 Not allowed."); };
        } else if (fault == "ahead refuses") {
            server.on["EPSV"] = [&](const QString& argument) {
                server.refusePassive = server.received.count("EPSV") == 3;
                server.standard("EPSV", argument);
            };
        }
        QTemporaryDir local;
        const QByteArray content = pattern(100000, 'f');
        writeFile(local.filePath("f.bin"), content);
        writeFile(local.filePath("g.bin"), content);
        Client c(server);
        c.ftp.setPassiveMode(passive);
        c.ftp.Connect();

        QElapsedTimer clock;
        clock.start();
        const qint32 error = errorOf([&] {
            if (fault == "ahead refuses" || fault == "rename refused")
                c.ftp.SendFiles(local.filePath("*.bin"), "", false, false);
            else
                c.ftp.SendFile(local.filePath("f.bin"), 0, "f.bin", false);
        });
        if (fault == "both fail") {
            QCOMPARE(error, qint32(kErrDataConnection));
            QVERIFY(!server.files.contains("f.bin"));
        } else if (fault == "rename refused") {
            QCOMPARE(error, 553);
            QVERIFY(server.received.contains("STOR .g.bin.ferrypart"));
            QCOMPARE(server.files.keys(), QStringList());
        } else {
            QCOMPARE(error, 0);
            QCOMPARE(server.files.value("f.bin"), content);
            if (fault == "ahead refuses")
                QCOMPARE(server.files.value("g.bin"), content);
        }
        QCOMPARE(c.ftp.GetFolderItems("", 0).Count(), 1);
        // A data connection that never opens costs the deadline once, and the session lives.
        QVERIFY(clock.elapsed() < 3000);
        const QString note =
            passive ? "Passive mode failed; using active mode for the rest of the session."
                    : "Active mode failed; using passive mode for the rest of the session.";
        const bool switched = passive ? eprt > 0 : epsv > 0;
        QCOMPARE(c.rec.log.filter("mode failed"), switched ? QStringList{note} : QStringList());
        QCOMPARE(server.received.filter("EPSV").size(), epsv);
        QCOMPARE(server.received.filter("EPRT").size(), eprt);
    }

    // A server that trickles its answer keeps the silence timeout at bay: a reply must still
    // complete within the timeout once it began, and a listing within ten timeouts.
    void trickles_data() {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("interval");         // ms between pieces; 0 sends them at once
        QTest::addColumn<QString>("description");  // of the timeout; none: no error
        const QString late("The server's reply did not complete within 1 seconds.");
        QList<QByteArray> noise(30, "still changing\r\n"), entries;
        for (int i = 0; i < 100000; ++i)
            entries << "type=file;size=1; f" + QByteArray::number(i) + ".txt\r\n";
        QTest::newRow("CWD, noise lines before the reply")
            << "CWD" << noise + QList<QByteArray>{"250 Okay.\r\n"} << 300 << late;
        QTest::newRow("MLSD, a line every 200 ms")
            << "MLSD" << entries.mid(0, 100) << 200
            << "The listing did not complete within 10 seconds.";
        QTest::newRow("MLSD, 100000 entries at full speed") << "MLSD" << entries << 0 << QString();
    }
    void trickles() {
        QFETCH(QString, verb);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, interval);
        QFETCH(QString, description);
        ScriptedServer server;
        server.on[verb] = [&](const QString&) {
            if (verb != "MLSD")
                server.trickleReply(pieces, interval);
            else
                server.sendData(pieces, interval);
        };
        Client c(server, 1);
        QElapsedTimer clock;
        clock.start();
        int listed = 0;
        const FtpError failure = failureOf([&] {
            c.ftp.Connect();
            if (verb == "CWD")
                c.ftp.ChangeFolder("slow");
            else
                listed = c.ftp.GetFolderItems("", 0).Count();
        });
        QCOMPARE(failure.number, description.isEmpty() ? 0 : qint32(kErrTimeout));
        QCOMPARE(failure.description, description);
        QVERIFY(c.rec.of("reconnecting").isEmpty());
        if (verb != "MLSD") {
            // Closed a timeout after the reply began, however long the server would go on.
            QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(c.ftp.State(), int(kNotConnected));
            return;
        }
        // The listing ends and nothing retries it; the session goes on.
        QCOMPARE(server.received.count("MLSD"), 1);
        QCOMPARE(listed, description.isEmpty() ? int(pieces.size()) : 0);
        QVERIFY2(clock.elapsed() < 12000, qPrintable(QString::number(clock.elapsed())));
        c.ftp.ChangeFolder("next");
        QCOMPARE(c.ftp.CurrentFolder(), QString("/next"));
    }

    void hostileListing() {
        ScriptedServer server;
        server.features = {"EPSV", "UTF8"};
        // The absolute name points into this test's own folder: should the name check ever
        // fail, the write lands there, where the tree below sees it.
        QTemporaryDir outer;
        const QByteArray absolute = outer.filePath("planted").toUtf8();
        const QList<QByteArray> files = {"../x", "a/b", absolute, "C:boot.ini", "bell\x07.txt"};
        const auto line = [&](const QByteArray& name, bool folder) -> QByteArray {
            return (folder ? "d" : "-") + QByteArray("rw-r--r-- 1 a b 5 Jan 01 2020 ") + name +
                   "\r\n";
        };
        for (const QByteArray& name : files)
            server.listing += line(name, false);
        server.listing += line("..", true) + line("\\..\\up", true) + line("ok.txt", false);
        server.listing += "x" + QByteArray(100 * 1024, 'y') + "\r\n";
        for (const QByteArray& name : files + QList<QByteArray>{"ok.txt"})
            server.files[name] = "12345";
        const QString target = outer.filePath("target");
        QVERIFY(QDir().mkpath(target));
        Client c(server);
        c.ftp.Connect();

        c.ftp.setListingOption(kListUnparsed);
        c.ftp.ListFolder("");
        QCOMPARE(c.rec.items.size(), 2);
        QCOMPARE(c.rec.items[0].ItemName, QString("ok.txt"));
        // The long line, unparsed, with its text.
        QCOMPARE(c.rec.items[1].ItemName, QString());
        QCOMPARE(c.rec.items[1].ItemType, int(kFile));
        QCOMPARE(c.rec.items[1].raw.size(), 100 * 1024 + 1);
        const QStringList unsafe = {"skip ../x||2",
                                    "skip a/b||2",
                                    "skip " + QString::fromUtf8(absolute) + "||2",
                                    "skip C:boot.ini||2",
                                    "skip bell?.txt||2",
                                    "skip \\..\\up||2"};
        QCOMPARE(c.rec.events, unsafe);

        // Without kListUnparsed the unparsed line is reported as skipped instead.
        c.rec.events.clear();
        QCOMPARE(c.ftp.GetFolderItems("", 0).Count(), 1);
        const QStringList skipped = unsafe + QStringList{"skip x" + QString(1023, 'y') + "...||6"};
        QCOMPARE(c.rec.events, skipped);

        // Receiving everything writes only the safe name, inside the target folder.
        c.rec.events.clear();
        c.ftp.ReceiveFiles("*", target, true);
        QCOMPARE(tree(outer.path()), QStringList{"target/ok.txt"});
        QCOMPARE(c.rec.events, skipped);
    }

    // Receives that must fail, leaving the old local file as it was and no temporary: a file
    // cut short and reported complete all the same (closed early, or reset, the size announced
    // or not), sizes near 2^63 (UBSan: their sum must not overflow), a folder inside every
    // folder.
    void receiveFaults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("many");  // ReceiveFiles, sizes from the listing; else ReceiveFile
        QTest::addColumn<qint32>("error");
        QTest::newRow("closed early, size from SIZE")
            << "closed" << false << qint32(kErrDataConnection);
        QTest::newRow("closed early, size from the listing")
            << "closed" << true << qint32(kErrDataConnection);
        QTest::newRow("reset, no size announced") << "reset" << false << qint32(kErrDataConnection);
        QTest::newRow("sizes near 2^63") << "huge" << true << qint32(kErrDataConnection);
        QTest::newRow("a folder in every folder") << "endless" << true << qint32(kErrProtocol);
        // Only the server we talk to may deliver the data: in active mode another host that
        // connects first is turned away, and over TLS a data connection must show the control
        // connection's certificate.
        QTest::newRow("another host connects first") << "intruder" << false << qint32(0);
        QTest::newRow("another certificate on the data connection")
            << "other certificate" << false << qint32(kErrDataConnection);
    }
    void receiveFaults() {
        QFETCH(QString, fault);
        QFETCH(bool, many);
        QFETCH(qint32, error);
        ScriptedServer server;
        server.features = {"EPSV", "UTF8"};
        const QByteArray whole = pattern(200000, 'r');
        server.files["big.bin"] = whole;
        const auto file = [](const QByteArray& name, const QByteArray& size) {
            return "-rw-r--r-- 1 a b " + size + " Jan 01 2020 " + name + "\r\n";
        };
        server.listing = file("big.bin", QByteArray::number(whole.size()));
        if (fault == "closed" || fault == "reset") {
            server.on["RETR"] = [&](const QString&) {
                server.sendData({whole.left(100000)}, 0, fault == "reset");
            };
        }
        if (fault == "reset")
            server.on["SIZE"] = [&](const QString&) { server.reply("502 No SIZE here."); };
        if (fault == "huge") {
            server.files["big2.bin"] = whole;
            server.listing =
                file("big.bin", "9223372036854775000") + file("big2.bin", "9223372036854775000");
        }
        if (fault == "endless") {
            server.listing += "drwxr-xr-x 1 a b 0 Jan 01 2020 a\r\n";
            // Bounded should the walk not stop.
            server.on["LIST"] = [&](const QString&) {
                if (server.received.filter("LIST").size() > 100)
                    server.reply("550 Enough.");
                else
                    server.sendData({server.listing});
            };
        }
        if (fault == "intruder") {
            server.on["EPRT"] = [&](const QString& argument) {
                QTcpSocket intruder;
                intruder.bind(QHostAddress("127.0.0.2"));
                intruder.connectToHost(QHostAddress::LocalHost,
                                       argument.section('|', 3, 3).toUInt());
                if (intruder.waitForConnected(2000)) {
                    intruder.write("planted");
                    intruder.waitForBytesWritten(2000);
                }
                server.standard("EPRT", argument);
            };
        }
        QTemporaryDir local;
        const QString target = local.filePath("big.bin");
        writeFile(target, "old");
        Client c(server);
        c.ftp.setPassiveMode(fault != "intruder");
        if (fault == "other certificate") {
            const QTemporaryDir certificates;
            const QSslCertificate certificate = server.offerTls(certificates.path(), true);
            QVERIFY(!certificate.isNull());
            c.ftp.setServerAddress("localhost");
            c.ftp.setTlsMode(kTlsRequire);
            c.ftp.setExtraCaCertificates({certificate});
        }
        c.ftp.Connect();

        QCOMPARE(errorOf([&] {
                     if (many)
                         c.ftp.ReceiveFiles("*", local.path(), true);
                     else
                         c.ftp.ReceiveFile("big.bin", 0, target);
                 }),
                 error);
        QCOMPARE(tree(local.path()), QStringList{"big.bin"});
        QCOMPARE(readFile(target), error ? QByteArray("old") : whole);
        if (fault == "endless")
            QCOMPARE(server.received.filter("LIST").size(), 65);
        QCOMPARE(c.ftp.State(), int(kIdle));
    }

    // pyftpdlib, aborted right after its 150, answers ABOR with a single 225 that leaves the
    // transfer without a reply of its own: the late replies are not taken for the next ones'.
    void abortAnsweredWith225() {
        ScriptedServer server;
        server.on["MLSD"] = [&](const QString&) { server.reply("150 Here it comes, slowly."); };
        server.on["ABOR"] = [&](const QString&) {
            server.reply("225 ABOR command successful; data channel closed.");
        };
        Client c(server, 5);
        c.ftp.Connect();
        QTimer::singleShot(200, &c.ftp, [&] { c.ftp.setAbortRequested(true); });
        QCOMPARE(errorOf([&] { c.ftp.ListFolder(""); }), qint32(kErrAborted));
        QCOMPARE(c.ftp.State(), int(kIdle));
        c.ftp.ChangeFolder("next");
        QCOMPARE(c.ftp.CurrentFolder(), QString("/next"));
        QVERIFY(!c.ftp.AbortRequested());
        QVERIFY(c.rec.events.isEmpty());
    }

    void destroyedWhileWaiting() {
        ScriptedServer server;
        server.listing = "type=file;size=1; a.txt\r\ntype=file;size=1; b.txt\r\n";
        server.on["CWD"] = [](const QString&) {};

        // From a notification handler.
        auto c = std::make_unique<Client>(server);
        c->ftp.Connect();
        int seen = 0;
        connect(&c->ftp, &FtpClient::ListingItem, this, [&] {
            ++seen;
            c.reset();
        });
        QCOMPARE(errorOf([&] { c->ftp.ListFolder(""); }), qint32(kErrConnectionLost));
        QCOMPARE(seen, 1);

        // From a timer while the operation waits for a reply.
        auto other = std::make_unique<Client>(server, 10);
        other->ftp.Connect();
        QTimer::singleShot(100, this, [&] { other.reset(); });
        QCOMPARE(errorOf([&] { other->ftp.ChangeFolder("never"); }), qint32(kErrConnectionLost));
        QTest::qWait(50);
    }
};

QTEST_GUILESS_MAIN(ScriptedTest)
#include "tst_scripted.moc"
