#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "Fixture.h"

using namespace ftp;

namespace {

// Relays one control connection to a loopback port and records every byte, both ways.
class RecordingRelay : public QObject {
public:
    explicit RecordingRelay(quint16 target) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this, target] {
            QTcpSocket* client = m_server.nextPendingConnection();
            auto* server = new QTcpSocket(client);
            server->connectToHost(QHostAddress::LocalHost, target);
            pipe(client, server);
            pipe(server, client);
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QByteArray recorded;

private:
    void pipe(QTcpSocket* from, QTcpSocket* to) {
        connect(from, &QTcpSocket::readyRead, this, [this, from, to] {
            const QByteArray bytes = from->readAll();
            recorded += bytes;
            to->write(bytes);
        });
        connect(from, &QTcpSocket::disconnected, to, &QTcpSocket::disconnectFromHost);
    }
    QTcpServer m_server;
};

}  // namespace

// The session against real servers: login, folders, listings, one operation at a time, keep-alive
// and the end of a connection.
class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void launcherRefusesRoot() {
        // The vsftpd launcher sets the password of the account it is given: never root's.
        QTemporaryDir root;
        VsFtpServer refused;
        QVERIFY(!refused.start(root.path(), "root", "x"));
        QVERIFY(!refused.error().isEmpty());
    }

    void connection_data() { addServerRows(); }
    void connection() {
        QFETCH(QString, kind);
        Peer p(kind);
        QVERIFY2(p.start(false), qPrintable(p.error()));
        const QString logPath = p.local("FerryFTP.log");
        writeFile(logPath, "earlier line\n");
        p.ftp.setCommandLogFilename(logPath);
        const QString password = p.ftp.Password();
        p.ftp.setPassword("wrong password");
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }), qint32(kErrLoginFailed));
        QCOMPARE(p.ftp.State(), int(kNotConnected));

        p.ftp.setPassword(password);
        p.ftp.Connect();
        QCOMPARE(p.ftp.State(), int(kIdle));
        // TLS where the server has it (auto); quietly in clear where it has not.
        QCOMPARE(p.ftp.Encrypted(), kind.contains("TLS"));
        QCOMPARE(p.rec.sent().first(), QString("AUTH TLS"));
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }), qint32(kErrAlreadyConnected));
        p.ftp.Disconnect();
        p.ftp.Disconnect();
        QCOMPARE(p.rec.events, QStringList{"disconnected 0"});
        QCOMPARE(errorOf([&] { p.ftp.CurrentFolder(); }), qint32(kErrNotConnected));

        // Idle, NOOP keeps the connection; the server going away ends it once.
        p.ftp.setKeepAliveInterval(1);
        p.ftp.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(p.rec.sent().count("NOOP") >= 2, 5000);
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        p.server().stop();
        QTRY_COMPARE_WITH_TIMEOUT(p.rec.events.size(), 2, 5000);
        QCOMPARE(errorOf([&] { p.ftp.ListFolder(""); }), qint32(kErrNotConnected));
        QTest::qWait(200);
        QCOMPARE(p.rec.events, QStringList({"disconnected 0", "disconnected 0"}));

        // The password never reaches the log; the file holds the same lines, appended.
        QCOMPARE(p.rec.sent().count("PASS ****"), 3);
        for (const QString& line : std::as_const(p.rec.log))
            QVERIFY2(!line.contains(password), qPrintable(line));
        QCOMPARE(QString::fromUtf8(readFile(logPath)).split('\n', Qt::SkipEmptyParts),
                 QStringList{"earlier line"} + p.rec.log);
    }

    // TlsMode and the server's certificate: verified against the extra authorities, otherwise
    // put to CertificateUntrusted and refused unless the handler trusts it.
    void tls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("extraCa");  // the server's certificate is an extra authority
        QTest::addColumn<int>("handler");   // CertificateUntrusted: -1 none, 0 refuses, 1 trusts
        QTest::addColumn<qint32>("error");
        QTest::addColumn<int>("questions");
        QTest::newRow("extra authority") << "vsftpd TLS" << int(kTlsAuto) << true << 0 << 0 << 0;
        QTest::newRow("trusted by the handler")
            << "vsftpd TLS" << int(kTlsRequire) << false << 1 << 0 << 1;
        // Extra connections take the certificate trusted for the first one without a question.
        QTest::newRow("trusted by the handler, 4 connections")
            << "vsftpd TLS x4" << int(kTlsRequire) << false << 1 << 0 << 1;
        QTest::newRow("refused by the handler")
            << "vsftpd TLS" << int(kTlsAuto) << false << 0 << qint32(kErrCertificate) << 1;
        QTest::newRow("no handler")
            << "vsftpd TLS" << int(kTlsRequire) << false << -1 << qint32(kErrCertificate) << 0;
        QTest::newRow("required, pyftpdlib without TLS")
            << "pyftpdlib" << int(kTlsRequire) << false << -1 << qint32(kErrTlsRequired) << 0;
        QTest::newRow("required, vsftpd without TLS")
            << "vsftpd" << int(kTlsRequire) << false << -1 << qint32(kErrTlsRequired) << 0;
        QTest::newRow("off") << "pyftpdlib" << int(kTlsOff) << false << -1 << 0 << 0;
    }
    void tls() {
        QFETCH(QString, kind);
        QFETCH(int, mode);
        QFETCH(bool, extraCa);
        QFETCH(int, handler);
        QFETCH(qint32, error);
        QFETCH(int, questions);
        Peer p(kind);
        writeFile(p.path("site/page.html"), "page");
        p.ftp.setTlsMode(mode);
        if (!extraCa)
            p.ftp.setExtraCaCertificates({});
        QStringList asked;
        if (handler >= 0) {
            connect(&p.ftp, &FtpClient::CertificateUntrusted, this,
                    [&](const QString& host, const QString& fingerprint, const QString& subject,
                        const QString& issuer, const QDateTime& from, const QDateTime& to,
                        const QStringList& reasons, bool& trust) {
                        QVERIFY(!trust);
                        QVERIFY(from < QDateTime::currentDateTime());
                        QVERIFY(to > QDateTime::currentDateTime());
                        QVERIFY(!reasons.isEmpty());
                        asked << host + " " + fingerprint + " " + subject + " " + issuer;
                        trust = handler == 1;
                    });
        }
        QVERIFY2(p.start(false), qPrintable(p.error()));
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }), error);
        QCOMPARE(asked.size(), questions);
        if (questions > 0) {
            const QString fingerprint = QString::fromLatin1(
                p.certificate().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
            QCOMPARE(asked.first(), "localhost " + fingerprint + " CN=localhost CN=localhost");
        }
        const QStringList sent = p.rec.sent();
        if (error != 0) {
            // Nothing after AUTH TLS: no USER in clear, nothing to a server nobody trusts.
            QCOMPARE(p.ftp.State(), int(kNotConnected));
            QCOMPARE(sent.mid(0, 1), QStringList{"AUTH TLS"});
            QVERIFY2(sent.filter(QRegularExpression("^(USER|PASS)")).isEmpty(),
                     qPrintable(sent.join(", ")));
            return;
        }
        QCOMPARE(p.ftp.Encrypted(), kind.contains("TLS"));
        QCOMPARE(sent.contains("AUTH TLS"), mode != kTlsOff);
        // Data connections show the same certificate: no further question.
        QCOMPARE(p.ftp.GetFolderItems("site\\*", 0).Count(), 1);
        p.ftp.ReceiveFiles("site\\*", p.localRoot(), false);
        QCOMPARE(readFile(p.local("site/page.html")), QByteArray("page"));
        QTRY_COMPARE(p.rec.sent().filter(QRegularExpression("^USER ")).size(), p.ftp.Connections());
        QCOMPARE(asked.size(), questions);
    }

    // With TLS neither the password nor a file name crosses the network in clear.
    void nothingInClear_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("TLS") << int(kTlsRequire);
        QTest::newRow("clear, to prove the relay sees it") << int(kTlsOff);
    }
    void nothingInClear() {
        QFETCH(int, mode);
        Peer p("vsftpd TLS");
        const QString name = "hidden-name-4711.html";
        writeFile(p.local(name), "content");
        // The server takes logins in clear too: the component decides.
        auto& vs = static_cast<VsFtpServer&>(p.server());
        vs.tlsRequired = false;
        QVERIFY2(p.start(false), qPrintable(p.error()));
        RecordingRelay relay(vs.port());
        p.ftp.setServerPort(relay.port());
        p.ftp.setTlsMode(mode);
        p.ftp.Connect();
        p.ftp.SendFile(p.local(name), 0, name, true);
        QCOMPARE(p.ftp.GetFolderItems("*.html", 0).Count(), 1);
        p.ftp.Disconnect();
        QCOMPARE(readFile(p.path(name)), QByteArray("content"));
        const bool tls = mode != kTlsOff;
        QCOMPARE(relay.recorded.contains("\nAUTH TLS\r\n"), tls);  // not FEAT's " AUTH TLS"
        QCOMPARE(relay.recorded.contains(vs.password().toUtf8()), !tls);
        QCOMPARE(relay.recorded.contains(name.toUtf8()), !tls);
    }

    void folders_data() { addServerRows(); }
    void folders() {
        QFETCH(QString, kind);
        Peer p(kind);
        writeFile(p.path("keep/file.txt"), "content");
        QVERIFY2(p.start(), qPrintable(p.error()));
        FtpComponent& ftp = p.ftp;

        ftp.CreateFolder("made");
        ftp.CreateFolder("made\\inner");
        QVERIFY(QFileInfo(p.path("made/inner")).isDir());
        QVERIFY(errorOf([&] { ftp.GetFolderItems("missing\\*", 0); }) != 0);
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        ftp.ChangeFolder("made\\inner");
        QCOMPARE(ftp.CurrentFolder(), QString("/made/inner"));
        for (const char* parent : {"/made", "/", "/"}) {
            ftp.ChangeToParentFolder();
            QCOMPARE(ftp.CurrentFolder(), QString(parent));
        }
        QCOMPARE(errorOf([&] { ftp.ChangeFolder("missing"); }), 550);
        QCOMPARE(ftp.CurrentFolder(), QString("/"));
        QCOMPARE(ftp.State(), int(kIdle));

        ftp.RenameFile("keep/file.txt", "keep\\renamed.txt");
        QVERIFY(QFile::exists(p.path("keep/renamed.txt")));
        QVERIFY(errorOf([&] { ftp.RenameFile("keep/nothing", "keep/x"); }) != 0);
        ftp.DeleteFile("keep/renamed.txt");
        QVERIFY(!QFile::exists(p.path("keep/renamed.txt")));
        QVERIFY(errorOf([&] { ftp.DeleteFile("keep/renamed.txt"); }) != 0);
        ftp.RemoveFolder("keep");
        QVERIFY(!QFileInfo::exists(p.path("keep")));

        // A name that would split the command line is refused before anything is sent.
        const qsizetype sent = p.rec.sent().size();
        QCOMPARE(errorOf([&] { ftp.DeleteFile("x\r\nRMD made"); }), qint32(kErrBadArgument));
        QCOMPARE(p.rec.sent().size(), sent);
        QVERIFY(QFileInfo(p.path("made/inner")).isDir());
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
        Peer p(kind);
        const QString accented =
            QString::fromUtf8("\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac.txt");
        writeFile(p.path("small.txt"), "12345");
        writeFile(p.path(accented), "abc");
        writeFile(p.path("sub/inner.txt"), "x");
        writeFile(p.path("sub/other.dat"), "yy");
        QVERIFY(QFile::link("small.txt", p.path("link.txt")));
        {
            QFile f(p.path("small.txt"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime(QDate(2020, 5, 6), QTime(7, 8), Qt::UTC),
                                  QFileDevice::FileModificationTime));
        }
        p.ftp.setConnectOption(connectOption);
        QVERIFY2(p.start(), qPrintable(p.error()));

        // A second operation started from a notification handler is refused before anything is
        // sent.
        int stateInside = -1;
        qint32 refused = 0;
        qsizetype sentMeanwhile = -1;
        connect(&p.ftp, &FtpClient::ListingItem, this, [&] {
            if (std::exchange(stateInside, p.ftp.State()) >= 0)
                return;
            const qsizetype before = p.rec.sent().size();
            refused = errorOf([&] { p.ftp.ChangeFolder("/"); });
            sentMeanwhile = p.rec.sent().size() - before;
        });
        p.ftp.ListFolder("");
        QCOMPARE(stateInside, int(kListing));
        QCOMPARE(refused, qint32(kErrBusy));
        QCOMPARE(sentMeanwhile, 0);
        QCOMPARE(p.ftp.State(), int(kIdle));

        QMap<QString, FolderItem> byName;
        for (const FolderItem& i : std::as_const(p.rec.items))
            byName.insert(i.ItemName, i);
        QCOMPARE(byName.keys(), QStringList({"link.txt", "small.txt", "sub", accented}));
        QCOMPARE(byName["small.txt"].ItemType, int(kFile));
        QCOMPARE(byName["small.txt"].size, 5);
        QCOMPARE(byName["small.txt"].date.toUTC().date(), QDate(2020, 5, 6));
        QCOMPARE(byName["sub"].ItemType, int(kFolder));
        QCOMPARE(byName[accented].size, 3);
        QCOMPARE(byName["link.txt"].ItemType, int(linksShown ? kLink : kFile));
        QVERIFY(!byName["small.txt"].raw.isEmpty());
        QVERIFY(p.rec.events.isEmpty());

        // GetFolderItems: no "." or "..", masks and folder parts.
        QCOMPARE(p.ftp.GetFolderItems("", 0).Count(), 4);
        const FolderItems items = p.ftp.GetFolderItems("sub\\*.TXT", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, QString("inner.txt"));
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        QVERIFY(p.ftp.GetFolderItems("*.none", 0).isEmpty());
    }

    // Lines of other kinds of servers through a real connection without UTF-8: a Shift_JIS name
    // keeps its bytes, so a command can name the file again.
    void foreignListing() {
        Peer p("pyftpdlib");
        const QString listing = p.local("listing.txt");
        writeFile(listing,
                  "total 5\r\n"
                  "-rw-r--r--   1 root  sys  8473  4\x8c\x8e 18\x93\xfa 2003\x94\x4e "
                  "\x8e\xca\x90^.jpg\r\n"
                  "dr-xr-xr-x   2 root     other      2235 26. Juli, 20:10 Urlaub\r\n"
                  "lrwxrwxrwx 1 user group 11 24-04-2003 17:12 www -> public_html\r\n"
                  "-r-xr-xr-x longowner longgroup123456 Feb 12 17:20 glued size\r\n"
                  "what is this\r\n");
        static_cast<PyFtpServer&>(p.server()).serveListing(listing);
        p.ftp.setConnectOption(200 & ~kOptUtf8);
        QVERIFY2(p.start(), qPrintable(p.error()));
        p.ftp.setListingOption(kListUnparsed);
        p.ftp.ListFolder("");
        QStringList seen;
        for (const FolderItem& i : std::as_const(p.rec.items))
            seen << QStringLiteral("%1|%2|%3").arg(i.ItemName).arg(i.ItemType).arg(i.size);
        QCOMPARE(seen, QStringList({QString::fromLatin1("\x8e\xca\x90^.jpg|0|8473"),
                                    "Urlaub|1|2235", "www|2|11", "glued size|0|123456", "|0|0"}));
        QCOMPARE(p.rec.items.last().raw, QString("what is this"));
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
