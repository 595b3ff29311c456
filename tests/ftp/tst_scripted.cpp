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
// prompts for password and account, drops, silence, wrong PASV addresses, refused active mode,
// hostile listings, and the component destroyed while it waits.
class ScriptedTest : public QObject {
    Q_OBJECT

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
        Client c(server);
        c.ftp.Connect();
        QCOMPARE(c.ftp.CurrentFolder(), QString("/with \"quotes\""));
        QVERIFY(c.rec.logged("noise without a code"));
        QVERIFY(c.rec.logged("220 server"));

        // A reply nobody asked for does not answer the next command.
        server.reply("200 Spontaneous.");
        QTest::qWait(50);
        server.on["PWD"] = [&](const QString&) { server.reply("257 \"/a\""); };
        c.ftp.ChangeFolder("a");
        QCOMPARE(c.ftp.CurrentFolder(), QString("/a"));
        QCOMPARE(c.rec.log.count("250 Done."), 1);
    }

    void passwordAndAccountPrompts() {
        ScriptedServer server;
        server.on["PASS"] = [&](const QString&) { server.reply("332 Need account."); };
        server.on["ACCT"] = [&](const QString& a) {
            server.reply(a == "acc-7" ? "230 Logged in." : "530 Bad account.");
        };
        Client c(server);
        c.ftp.setPassword(QString());
        c.rec.password = "typed secret";
        c.rec.account = "acc-7";
        c.ftp.Connect();
        QCOMPARE(c.rec.events, QStringList({"password?", "account?"}));
        QCOMPARE(server.received.mid(0, 3),
                 QStringList({"USER mary.jon", "PASS typed secret", "ACCT acc-7"}));
        QVERIFY(c.rec.logged("PASS ****"));
        QVERIFY(!c.rec.log.join('\n').contains("typed secret"));
        QCOMPARE(c.ftp.State(), int(kIdle));

        // A refused account is a failed login and no connection.
        Client other(server);
        other.rec.account = "wrong";
        QCOMPARE(errorOf([&] { other.ftp.Connect(); }), qint32(kErrLoginFailed));
        QCOMPARE(other.ftp.State(), int(kNotConnected));
        QVERIFY(other.rec.of("disconnected").isEmpty());
    }

    void connectionEnds() {
        ScriptedServer server;
        server.on["RETR"] = [&](const QString&) {
            server.sendData(QByteArray(5000, 'h'), false);
            QTimer::singleShot(50, &server, [&] { server.closeControl(); });
        };
        server.on["CWD"] = [](const QString&) {};
        QTemporaryDir local;
        Client c(server, 1);
        c.ftp.Connect();
        // Dropped in the middle of the file at every try: two reconnects, then the cause, and
        // nothing of the file stays.
        QCOMPARE(errorOf([&] { c.ftp.ReceiveFile("half.bin", 0, local.filePath("half.bin")); }),
                 qint32(kErrConnectionLost));
        QCOMPARE(c.rec.events,
                 QStringList({"reconnecting 1/2", "reconnecting 2/2", "disconnected 0"}));
        QCOMPARE(c.rec.causes, QStringList(2, "The server closed the connection."));
        QCOMPARE(server.received.count("RETR half.bin"), 3);
        c.rec.events.clear();
        QCOMPARE(c.ftp.State(), int(kNotConnected));
        QCOMPARE(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        // Connecting again works; the old connection's end is not reported twice. A server that
        // stays silent ends the new one.
        c.ftp.Connect();
        QCOMPARE(c.ftp.State(), int(kIdle));
        QTest::qWait(100);
        QVERIFY(c.rec.events.isEmpty());
        QCOMPARE(errorOf([&] { c.ftp.ChangeFolder("slow"); }), qint32(kErrTimeout));
        QCOMPARE(c.ftp.State(), int(kNotConnected));
        QCOMPARE(c.rec.events, QStringList{"disconnected 0"});
        QCOMPARE(errorOf([&] { c.ftp.ChangeFolder("slow"); }), qint32(kErrNotConnected));

        // Silence from the start: the greeting never comes.
        server.greeting = "";
        Client late(server, 1);
        QCOMPARE(errorOf([&] { late.ftp.Connect(); }), qint32(kErrTimeout));
        QCOMPARE(late.ftp.State(), int(kNotConnected));
        // Nobody listening.
        late.ftp.setServerPort(freeLoopbackPort());
        QCOMPARE(errorOf([&] { late.ftp.Connect(); }), qint32(kErrConnectFailed));
        QCOMPARE(late.ftp.State(), int(kNotConnected));
        QVERIFY(late.rec.events.isEmpty());
        QCOMPARE(errorOf([&] { late.ftp.setAbortRequested(true); }), qint32(kErrNotConnected));
    }

    void oldServer() {
        // No UTF8 (names in Latin-1), no EPSV, and a PASV reply naming another address.
        ScriptedServer server;
        server.features = {};
        server.on["EPSV"] = [&](const QString&) { server.reply("500 EPSV not understood."); };
        server.pasvHost = "127,0,0,2";
        server.listing = "-rw-r--r-- 1 a b 5 Jan 01 2020 caf\xe9.txt\r\n";
        server.on["PWD"] = [&](const QString&) { server.reply("257 \"/r\xe9sum\xe9\""); };
        server.on["DELE"] = [&](const QString&) { server.reply("250 Deleted."); };
        Client c(server);
        c.ftp.Connect();
        QCOMPARE(c.ftp.CurrentFolder(), QString::fromUtf8("/r\xc3\xa9sum\xc3\xa9"));
        const QString name = QString::fromUtf8("caf\xc3\xa9.txt");
        const FolderItems items = c.ftp.GetFolderItems("", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, name);
        c.ftp.GetFolderItems("", 0);
        c.ftp.DeleteFile(name);
        QVERIFY(server.receivedBytes.contains(QByteArray("DELE caf\xe9.txt")));
        QVERIFY(!server.received.contains("OPTS UTF8 ON"));
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
            server.on["MLSD"] = [&](const QString&) {
                if (server.received.filter(QRegularExpression("^(EPSV|PASV)")).isEmpty())
                    server.reply("425 Cannot open data connection.");
                else
                    server.sendData(server.listing);
            };
        }
        Client c(server);
        c.ftp.setPassiveMode(false);
        c.ftp.Connect();
        QCOMPARE(c.ftp.GetFolderItems("", 0).Count(), 1);
        QCOMPARE(c.ftp.GetFolderItems("", 0).Count(), 1);
        QCOMPARE(c.rec.logDirections.count(kLogNote), 1);
        QCOMPARE(c.rec.log.at(c.rec.logDirections.indexOf(kLogNote)),
                 QString("Active mode failed; using passive mode for the rest of the session."));
        // Once switched, the session stays passive.
        QCOMPARE(server.received.filter(QRegularExpression("^(EPRT|PORT)")).size(),
                 refuseAtPort ? 2 : 1);
        QCOMPARE(server.received.count("EPSV"), 2);
    }

    void hostileListing_data() {
        QTest::addColumn<bool>("mlsd");
        QTest::newRow("MLSD") << true;
        QTest::newRow("LIST") << false;
    }
    void hostileListing() {
        QFETCH(bool, mlsd);
        ScriptedServer server;
        server.features =
            mlsd ? QStringList{"EPSV", "MLST type*;size*;", "UTF8"} : QStringList{"EPSV", "UTF8"};
        const QList<QByteArray> files = {"../x", "a/b", "/etc/passwd", "C:boot.ini",
                                         "bell\x07.txt"};
        const auto line = [&](const QByteArray& name, bool folder) -> QByteArray {
            if (mlsd)
                return (folder ? "type=dir;size=0; " : "type=file;size=5; ") + name + "\r\n";
            return (folder ? "drwxr-xr-x" : "-rw-r--r--") + QByteArray(" 1 a b 5 Jan 01 2020 ") +
                   name + "\r\n";
        };
        for (const QByteArray& name : files)
            server.listing += line(name, false);
        server.listing += line("..", true) + line("\\..\\up", true) + line("ok.txt", false);
        server.listing += "x" + QByteArray(100 * 1024, 'y') + "\r\n";
        for (const QByteArray& name : files + QList<QByteArray>{"ok.txt"})
            server.files[name] = "12345";
        QTemporaryDir outer;
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
        const QStringList unsafe = {"skip ../x||2",        "skip a/b||2",
                                    "skip /etc/passwd||2", "skip C:boot.ini||2",
                                    "skip bell?.txt||2",   "skip \\..\\up||2"};
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
        QVERIFY(!server.received.contains("RETR ../x"));
    }

    // Servers answer ABOR with 426 for the transfer and 226, or (pyftpdlib, aborted right
    // after its 150) with a single 225 that leaves the transfer without a reply of its own.
    void abortedListingKeepsRepliesInOrder_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("426 and 226") << QByteArray("426 Transfer aborted.\n226 ABOR successful.");
        QTest::newRow("225 alone")
            << QByteArray("225 ABOR command successful; data channel closed.");
    }
    void abortedListingKeepsRepliesInOrder() {
        QFETCH(QByteArray, answer);
        ScriptedServer server;
        server.on["MLSD"] = [&](const QString&) { server.reply("150 Here it comes, slowly."); };
        server.on["ABOR"] = [&](const QString&) { server.reply(answer); };
        Client c(server, 5);
        c.ftp.Connect();
        QTimer::singleShot(200, &c.ftp, [&] { c.ftp.setAbortRequested(true); });
        QCOMPARE(errorOf([&] { c.ftp.ListFolder(""); }), qint32(kErrAborted));
        QCOMPARE(c.ftp.State(), int(kIdle));
        QVERIFY(c.ftp.AbortRequested());
        // The late replies to the aborted command are not taken for the next ones'.
        c.ftp.ChangeFolder("next");
        QCOMPARE(c.ftp.CurrentFolder(), QString("/next"));
        QVERIFY(server.received.contains("ABOR"));
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
