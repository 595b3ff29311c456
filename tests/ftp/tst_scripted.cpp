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
        ftp.setTimeout(timeout);
    }
    FtpComponent ftp;
    Recorder rec{ftp};
};

}  // namespace

// What real servers do not do on demand, from a scripted server: odd replies, prompts, silence,
// wrong addresses, data connections that do not open, hostile listings, drops mid-operation.
class ScriptedTest : public QObject {
    Q_OBJECT

private slots:
    // An old server: it asks for an account, has no UTF8 (names in Latin-1) and no EPSV, names
    // another address in its PASV reply, puts noise around the replies and lists hostile names.
    void oldServer() {
        ScriptedServer server;
        server.replies["GREETING"] = "220-Welcome\n220-  to the\nnoise without a code\n220 server";
        server.features = {};
        server.pasvHost = "127,0,0,2";
        // The absolute name points into this test's own folder: should the name check ever
        // fail, the write lands there, where the tree below sees it.
        QTemporaryDir outer;
        const QByteArray absolute = outer.filePath("planted").toUtf8();
        const QList<QByteArray> files = {"../x", "a/b", absolute, "C:boot.ini", "bell\x07.txt"};
        const QByteArray entry = "rw-r--r-- 1 a b 5 Jan 01 2020 ";
        for (const QByteArray& name : files + QList<QByteArray>{"caf\xe9.txt"}) {
            server.listing += "-" + entry + name + "\r\n";
            server.files[name] = "12345";
        }
        server.listing += "d" + entry + "..\r\nd" + entry + "\\..\\up\r\n";
        server.listing += "x" + QByteArray(100 * 1024, 'y') + "\r\n";
        // A spontaneous line and a preliminary reply before CWD's real answer.
        server.replies.insert({{"PASS", "332 Need account."},
                               {"ACCT", "230 Logged in."},
                               {"EPSV", "500 EPSV not understood."},
                               {"PWD", "257 \"/r\xe9sum\xe9 \"\"q\"\"\" is current"},
                               {"CWD", "250-Folder changed\n 200 not the end\n250 Done."}});
        Client c(server);
        c.ftp.setPassword(QString());
        c.rec.password = "typed secret";
        c.rec.account = "acc-7";
        c.ftp.Connect();
        QCOMPARE(server.received.mid(0, 4),
                 QStringList({"AUTH TLS", "USER mary.jon", "PASS typed secret", "ACCT acc-7"}));
        QCOMPARE(c.ftp.CurrentFolder(), QString::fromUtf8("/r\xc3\xa9sum\xc3\xa9 \"q\""));
        QVERIFY(c.rec.logged("noise without a code"));

        c.ftp.setListingOption(kListUnparsed);
        c.ftp.ListFolder("");
        const QString name = QString::fromUtf8("caf\xc3\xa9.txt");
        QCOMPARE(c.rec.items.size(), 2);
        QCOMPARE(c.rec.items[0].ItemName, name);
        // The long line, unparsed, with its text.
        QCOMPARE(c.rec.items[1].ItemName, QString());
        QCOMPARE(c.rec.items[1].ItemType, int(kFile));
        QCOMPARE(c.rec.items[1].raw.size(), 100 * 1024 + 1);
        QStringList unsafe;  // each reported with its control characters shown as '?'
        for (const QByteArray& bad : files + QList<QByteArray>{"\\..\\up"})
            unsafe << "skip " + QString::fromUtf8(bad).replace('\x07', '?') + "||2";
        QCOMPARE(c.rec.events, QStringList({"password?", "account?"}) + unsafe);
        // Without kListUnparsed the unparsed line is reported as skipped instead.
        c.rec.events.clear();
        QCOMPARE(c.ftp.GetFolderItems("", 0).Count(), 1);
        const QStringList skipped = unsafe + QStringList{"skip x" + QString(1023, 'y') + "...||6"};
        QCOMPARE(c.rec.events, skipped);
        // Receiving everything writes only the safe name, inside the target folder.
        c.rec.events.clear();
        QVERIFY(QDir().mkpath(outer.filePath("target")));
        c.ftp.ReceiveFiles("*", outer.filePath("target"), true);
        QCOMPARE(tree(outer.path()), QStringList{"target/" + name});
        QCOMPARE(c.rec.events, skipped);

        c.ftp.DeleteFile(name);
        // Sent in Latin-1: no valid UTF-8.
        QVERIFY(server.received.contains(QString::fromUtf8("DELE caf\xe9.txt")));
        // EPSV is tried once; the session then keeps to PASV.
        QCOMPARE(server.received.filter("SV"), QStringList({"EPSV"}) + QStringList(4, "PASV"));

        // A reply nobody asked for does not answer the next command.
        server.reply("200 Spontaneous.");
        QTRY_VERIFY(c.rec.logged("200 Spontaneous."));
        server.replies["PWD"] = "257 \"/a\"";
        QCOMPARE(errorOf([&] { c.ftp.ChangeFolder("a"); }), 0);
        QCOMPARE(c.ftp.CurrentFolder(), QString("/a"));
        QCOMPARE(c.rec.log.count("250 Done."), 1);

        // It will not rename over a file, not even once that is deleted: the new version stays
        // under its temporary name, and the error says so.
        server.listing = "-rw-r--r-- 1 a b 3 Jan 01 2020 a.txt\r\n";
        server.files["a.txt"] = "old";
        server.replies["RNTO"] = "553 Will not replace.";
        writeFile(outer.filePath("a.txt"), "new");
        const QString why = failureOf([&] {
                                c.ftp.SendFile(outer.filePath("a.txt"), 0, "a.txt", true);
                            }).description;
        QVERIFY2(why.endsWith("The new version of 'a.txt' is kept as '.a.txt.ferrypart'."),
                 qPrintable(why));
        QCOMPARE(server.files.value(".a.txt.ferrypart"), QByteArray("new"));
    }

    // A scripted fault per row, set up by its name, and one call: "connect", "cwd", "list",
    // "send" (f.bin), "sends" (*.bin, each STOR sent ahead with the rename before it), "receive"
    // (big.bin) or "receive all"; after "active " in active mode. The call fails with `error`;
    // then the session goes on. `expect` holds, separated by ", ": "TEXT=N", N received commands
    // contain TEXT; "<MS", the call's bound (else 3 s for sends, 12 s for the rest); "lost", the
    // session ended; else names the server holds with the uploaded content.
    void faults_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<qint32>("error");
        QTest::addColumn<QString>("expect");
        const qint32 data = kErrDataConnection, late = kErrTimeout;
        // A line while idle is no reply overdue; a server that then stays silent ends the
        // connection, once; a greeting that never comes is a timeout too.
        QTest::newRow("silent") << "cwd" << late << "lost";
        QTest::newRow("no greeting") << "connect" << late << "lost";
        // A trickled answer keeps the silence timeout at bay, but a reply must complete within
        // the timeout once it began, and a listing within ten timeouts; nothing retries it.
        QTest::newRow("reply trickled") << "cwd" << late << "lost, <2500";
        QTest::newRow("listing trickled") << "list" << late << "MLSD=1";
        QTest::newRow("100000 entries at once") << "list" << 0 << "MLSD=1";
        // A data connection that does not open in one mode is tried once in the other, which
        // the session keeps, costing the deadline once; an upload refused with 425 falls back on
        // its own (the file the server made goes if both fail). A port sent ahead that is gone is
        // replaced in the same mode; a STOR sent ahead with a refused rename gets an empty upload
        // and its temporary removed before anything else goes out.
        QTest::newRow("EPRT and PORT refused") << "active send" << 0 << "f.bin, EPSV=3, EPRT=1";
        QTest::newRow("425 to active STOR") << "active send" << 0 << "f.bin, EPSV=2, EPRT=2";
        QTest::newRow("never connects back") << "active send" << 0 << "f.bin, EPSV=3, EPRT=1";
        QTest::newRow("passive port refuses") << "send" << 0 << "f.bin, EPSV=1, EPRT=3";
        QTest::newRow("both modes fail") << "send" << data << "EPSV=2, EPRT=3";
        QTest::newRow("ahead port refuses") << "sends" << 0 << "f.bin, g.bin, EPSV=5, EPRT=0";
        QTest::newRow("rename refused") << "sends" << 553 << "STOR .g.bin.ferrypart=1, EPSV=4";
        // A receive that fails leaves the old file and no temporary: a file cut short reported
        // complete, sizes near 2^63 (their sum must not overflow), a folder in every folder.
        QTest::newRow("closed early, size from SIZE") << "receive" << data << "";
        QTest::newRow("closed early, size listed") << "receive all" << data << "";
        QTest::newRow("reset, no size announced") << "receive" << data << "";
        QTest::newRow("sizes near 2^63") << "receive all" << data << "";
        QTest::newRow("endless folders") << "receive all" << qint32(kErrProtocol) << "LIST=65";
        // Only the server we talk to may deliver the data: another host that connects first is
        // turned away, and over TLS the data connection shows the control one's certificate.
        QTest::newRow("another host connects first") << "active receive" << 0 << "";
        QTest::newRow("another certificate on data") << "receive" << data << "";
        // As pyftpdlib, aborted right after its 150: a lone 225 to ABOR leaves the transfer
        // without a reply of its own; the late replies are not taken for the next ones'.
        QTest::newRow("lone 225 to ABOR") << "list" << qint32(kErrAborted) << "";
        // The component destroyed by a notification's handler, or while it waits for a reply.
        QTest::newRow("destroyed by a notification") << "list" << qint32(kErrConnectionLost) << "";
        QTest::newRow("destroyed while waiting") << "cwd" << qint32(kErrConnectionLost) << "";
    }
    void faults() {
        QFETCH(QString, call);
        QFETCH(qint32, error);
        QFETCH(QString, expect);
        const QString key = QTest::currentDataTag();
        const bool sending = call.contains("send"), receiving = call.contains("receive");
        ScriptedServer server;
        QTemporaryDir local, certificates;
        const QByteArray content = pattern(sending ? 100000 : 200000, 'f');
        const QString target = local.filePath("big.bin");
        if (sending) {
            server.listing = "type=file;size=1; a.txt\r\n";
            writeFile(local.filePath("f.bin"), content);
            writeFile(local.filePath("g.bin"), content);
        } else {
            server.listing = "type=file;size=200000; big.bin\r\n";
            server.files["big.bin"] = content;
            writeFile(target, "old");
        }
        QList<QByteArray> entries;
        if (call == "list") {
            for (int i = 0; i < (key.startsWith("100000") ? 100000 : 100); ++i)
                entries << "type=file;size=1; f" + QByteArray::number(i) + ".txt\r\n";
            server.on["MLSD"] = [&, interval = key.startsWith("listing") ? 200 : 0](auto&) {
                server.sendData(entries, interval);
            };
        }
        static const QMap<QString, QMap<QString, QByteArray>> scripts = {
            {"silent", {{"CWD", ""}}},
            {"no greeting", {{"GREETING", ""}}},
            {"destroyed while waiting", {{"CWD", ""}}},
            {"EPRT and PORT refused", {{"EPRT", "500 Not understood."}, {"PORT", "500 No."}}},
            {"never connects back", {{"EPRT", "200 Waiting, in vain."}}},
            {"rename refused", {{"RNTO", "553 Not allowed."}}},
            {"reset, no size announced", {{"SIZE", "502 No SIZE here."}}},
            {"lone 225 to ABOR",
             {{"MLSD", "150 Here it comes, slowly."},
              {"ABOR", "225 ABOR command successful; data channel closed."}}}};
        server.replies.insert(scripts.value(key));
        server.refusePassive = key == "passive port refuses" || key == "both modes fail";
        if (key == "reply trickled") {
            server.on["CWD"] = [&](auto&) {
                server.trickleReply(QList<QByteArray>(30, "still changing\r\n") << "250 Okay.\r\n",
                                    300);
            };
        } else if (key == "425 to active STOR" || key == "both modes fail") {
            // As vsftpd: the target exists before an active connection back fails.
            server.on["STOR"] = [&](const QString& name) {
                const QRegularExpression setup("^(EPSV|PASV|EPRT|PORT)");
                if (server.received.filter(setup).constLast().contains("SV"))
                    return server.receiveData(name);
                server.files[name] = QByteArray();
                server.reply("425 Failed to establish connection.");
            };
        } else if (key == "ahead port refuses") {
            server.on["EPSV"] = [&](const QString& argument) {
                server.refusePassive = server.received.count("EPSV") == 3;
                server.standard("EPSV", argument);
            };
        } else if (key.startsWith("closed early") || key.startsWith("reset")) {
            server.on["RETR"] = [&, reset = key.startsWith("reset")](auto&) {
                server.sendData({content.left(100000)}, 0, reset);
            };
        } else if (key == "sizes near 2^63") {
            server.files["big2.bin"] = content;
            server.listing =
                "type=file;size=9223372036854775000; big.bin\r\n"
                "type=file;size=9223372036854775000; big2.bin\r\n";
        } else if (key == "endless folders") {
            server.features = {"EPSV", "UTF8"};
            server.listing = "drwxr-xr-x 1 a b 0 Jan 01 2020 a\r\n";
            server.on["LIST"] = [&](auto&) {  // bounded should the walk not stop
                server.received.size() > 1000 ? server.reply("550 Enough.")
                                              : server.sendData({server.listing});
            };
        } else if (key == "another host connects first") {
            server.on["EPRT"] = [&](const QString& argument) {
                QTcpSocket intruder;
                intruder.bind(QHostAddress("127.0.0.2"));
                intruder.connectToHost(QHostAddress::LocalHost,
                                       argument.section('|', 3, 3).toUInt());
                if (intruder.waitForConnected(2000) && intruder.write("planted") > 0)
                    intruder.waitForBytesWritten(2000);
                server.standard("EPRT", argument);
            };
        }
        auto c = std::make_unique<Client>(server, sending || receiving ? 2 : 1);
        const bool active = call.startsWith("active ");
        c->ftp.setPassiveMode(!active);
        if (key == "another certificate on data") {
            const QSslCertificate certificate = server.offerTls(certificates.path());
            QVERIFY(!certificate.isNull());
            c->ftp.setServerAddress("localhost");
            c->ftp.setTlsMode(kTlsRequire);
            c->ftp.setExtraCaCertificates({certificate});
        }
        if (call != "connect")
            c->ftp.Connect();
        if (key == "silent") {
            server.reply("Idle noise.");
            QTest::qWait(1500);
            QVERIFY(c->rec.logged("Idle noise."));
        } else if (key == "lone 225 to ABOR") {
            QTimer::singleShot(200, &c->ftp, [&] { c->ftp.setAbortRequested(true); });
        } else if (key == "destroyed while waiting") {
            QTimer::singleShot(100, this, [&] { c.reset(); });
        } else if (key == "destroyed by a notification") {
            connect(&c->ftp, &FtpClient::ListingItem, this, [&] { c.reset(); });
        }

        QElapsedTimer clock;
        clock.start();
        const FtpError failure = failureOf([&] {
            if (call == "connect")
                c->ftp.Connect();
            else if (call == "cwd")
                c->ftp.ChangeFolder("slow");
            else if (call == "list")
                c->ftp.ListFolder("");
            else if (call == "sends")
                c->ftp.SendFiles(local.filePath("*.bin"), "", false, false);
            else if (sending)
                c->ftp.SendFile(local.filePath("f.bin"), 0, "f.bin", false);
            else if (call.endsWith("all"))
                c->ftp.ReceiveFiles("*", local.path(), true);
            else
                c->ftp.ReceiveFile("big.bin", 0, target);
        });
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(failure.number, error);
        if (!c)
            return;
        if (key.endsWith("trickled"))
            QCOMPARE(failure.description,
                     key.startsWith("reply")
                         ? "The server's reply did not complete within 1 seconds."
                         : "The listing did not complete within 10 seconds.");
        const QStringList expected = expect.split(", ", Qt::SkipEmptyParts);
        const bool lost = expected.contains("lost");
        QCOMPARE(c->rec.of("disconnected") + c->rec.of("reconnecting"),
                 lost && call != "connect" ? QStringList{"disconnected 0"} : QStringList());
        QCOMPARE(c->rec.items.size(), error ? 0 : entries.size());
        const QStringList bound = expected.filter(QRegularExpression("^<"));
        QVERIFY2(elapsed < (bound.isEmpty() ? (sending ? 3000 : 12000) : bound[0].mid(1).toInt()),
                 qPrintable(QString::number(elapsed)));
        if (sending) {
            const QStringList held = expected.filter(QRegularExpression("^\\w\\.bin$"));
            QCOMPARE(server.files.keys(), held);
            for (const QString& name : held)
                QCOMPARE(server.files.value(name), content);
            QCOMPARE(c->ftp.GetFolderItems("", 0).Count(), 1);
        } else if (receiving) {
            QCOMPARE(tree(local.path()), QStringList{"big.bin"});
            QCOMPARE(readFile(target), error ? QByteArray("old") : content);
        }
        const QString note =
            active ? "Active mode failed; using passive mode for the rest of the session."
                   : "Passive mode failed; using active mode for the rest of the session.";
        const bool switched = !server.received.filter(active ? "EPSV" : "EPRT").isEmpty();
        QCOMPARE(c->rec.log.filter("mode failed"), switched ? QStringList{note} : QStringList());
        for (const QString& item : expected.filter("="))
            QCOMPARE(server.received.filter(item.section('=', 0, 0)).size(),
                     item.section('=', 1).toInt());
        QCOMPARE(errorOf([&] { c->ftp.ChangeFolder("next"); }),
                 lost ? qint32(kErrNotConnected) : 0);
        if (!lost)
            QCOMPARE(c->ftp.CurrentFolder(), QString("/next"));
        QVERIFY(!c->ftp.AbortRequested());
    }
};

QTEST_GUILESS_MAIN(ScriptedTest)
#include "tst_scripted.moc"
