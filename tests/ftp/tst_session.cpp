#include <QtTest>

#include "Fixture.h"

using namespace ftp;

// The session against real servers: login, TLS, folders, listings, one operation at a time,
// keep-alive and the end of a connection.
class SessionTest : public QObject {
    Q_OBJECT

private slots:
    // pyftpdlib in clear with TLS off; the certificate of "vsftpd TLS x4" trusted by a
    // CertificateUntrusted handler, not by an extra authority.
    void session_data() {
        addServerRows();
        QTest::newRow("pyftpdlib LIST") << "pyftpdlib LIST";
        QTest::newRow("vsftpd TLS x4, trusted by the handler") << "vsftpd TLS x4";
    }
    void session() {
        QFETCH(QString, kind);
        Peer p(kind);
        const QString accented =
            QString::fromUtf8("\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac.txt");
        writeFile(p.path("small.txt"), "12345");
        writeFile(p.path(accented), "abc");
        writeFile(p.path("sub/inner.txt"), "x");
        writeFile(p.path("keep/file.txt"), "content");
        QVERIFY(QFile::link("small.txt", p.path("link.txt")));
        setModified(p.path("small.txt"), QDateTime(QDate(2020, 5, 6), QTime(7, 8), Qt::UTC));
        if (kind.endsWith("LIST"))
            p.ftp.setConnectOption(200 & ~kOptMlsd);
        QVERIFY2(p.start(false), qPrintable(p.error()));
        const QString logPath = p.local("FerryFTP.log");
        writeFile(logPath, "earlier line\n");
        p.ftp.setCommandLogFilename(logPath);
        // Refused before the user name goes out: TLS required of a server without it, or a
        // certificate that no authority vouches for and no handler trusts.
        const bool tls = kind.contains("TLS"), handler = kind.endsWith("x4");
        const QList<QSslCertificate> authorities = p.ftp.ExtraCaCertificates();
        p.ftp.setExtraCaCertificates({});
        p.ftp.setTlsMode(kTlsRequire);
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }),
                 qint32(tls ? kErrCertificate : kErrTlsRequired));
        QCOMPARE(p.rec.sent().mid(0, 1), QStringList{"AUTH TLS"});
        QCOMPARE(p.rec.sentMatching("^(USER|PASS)"), 0);
        p.ftp.setExtraCaCertificates(authorities);
        p.ftp.setTlsMode(tls ? kTlsRequire : kind == "pyftpdlib" ? kTlsOff : kTlsAuto);
        const QString password = p.ftp.Password();
        p.ftp.setPassword("wrong password");
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }), qint32(kErrLoginFailed));
        p.ftp.setPassword(password);
        QStringList asked;
        if (handler) {
            p.ftp.setExtraCaCertificates({});
            connect(&p.ftp, &FtpClient::CertificateUntrusted, this,
                    [&](const QString& host, const QString& fingerprint, const QString& subject,
                        const QString& issuer, const QDateTime& from, const QDateTime& to,
                        const QStringList& reasons, bool& trust) {
                        QVERIFY(from < QDateTime::currentDateTime());
                        QVERIFY(to > QDateTime::currentDateTime());
                        QVERIFY(!reasons.isEmpty());
                        asked << host + " " + fingerprint + " " + subject + " " + issuer;
                        trust = true;
                    });
        }
        p.ftp.Connect();
        QCOMPARE(p.ftp.Encrypted(), tls);
        QCOMPARE(p.rec.sent().count("AUTH TLS"), kind == "pyftpdlib" ? 1 : 3);
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }), qint32(kErrAlreadyConnected));

        // A second operation started from a notification handler is refused before anything is
        // sent.
        qint32 refused = 0;
        qsizetype sentMeanwhile = -1;
        const auto busy = connect(&p.ftp, &FtpClient::ListingItem, this, [&] {
            if (refused)
                return;
            const qsizetype before = p.rec.sent().size();
            refused = errorOf([&] { p.ftp.ChangeFolder("/"); });
            sentMeanwhile = p.rec.sent().size() - before;
        });
        p.ftp.ListFolder("");
        disconnect(busy);
        QCOMPARE(refused, qint32(kErrBusy));
        QCOMPARE(sentMeanwhile, 0);
        QMap<QString, FolderItem> byName;
        for (const FolderItem& i : std::as_const(p.rec.items))
            byName.insert(i.ItemName, i);
        QCOMPARE(byName.keys(), QStringList({"keep", "link.txt", "small.txt", "sub", accented}));
        QCOMPARE(byName["small.txt"].size, 5);
        QCOMPARE(byName["small.txt"].date.toUTC().date(), QDate(2020, 5, 6));
        QCOMPARE(byName["sub"].ItemType, int(kFolder));
        // MLSD of pyftpdlib follows links.
        QCOMPARE(byName["link.txt"].ItemType, int(kind == "pyftpdlib" ? kFile : kLink));
        // GetFolderItems: no "." or "..", masks and folder parts.
        QCOMPARE(p.ftp.GetFolderItems("", 0).Count(), 5);
        const FolderItems items = p.ftp.GetFolderItems("sub\\*.TXT", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, QString("inner.txt"));
        QVERIFY(p.ftp.GetFolderItems("*.none", 0).isEmpty());
        QVERIFY(errorOf([&] { p.ftp.GetFolderItems("missing\\*", 0); }) != 0);
        // Extra connections and data connections take the certificate trusted for the first
        // one without a question.
        p.ftp.ReceiveFiles("sub\\*", p.localRoot(), false);
        QCOMPARE(readFile(p.local("sub/inner.txt")), QByteArray("x"));
        QTRY_COMPARE(p.rec.sentMatching("^USER "), p.ftp.Connections() + 1);
        const QString fingerprint = QString::fromLatin1(
            p.certificate().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
        QCOMPARE(asked, handler
                            ? QStringList{"localhost " + fingerprint + " CN=localhost CN=localhost"}
                            : QStringList());

        // Folders and files.
        p.ftp.CreateFolder("made");
        p.ftp.CreateFolder("made\\inner");
        QVERIFY(QFileInfo(p.path("made/inner")).isDir());
        p.ftp.ChangeFolder("made\\inner");
        QCOMPARE(p.ftp.CurrentFolder(), QString("/made/inner"));
        for (const char* parent : {"/made", "/", "/"}) {
            p.ftp.ChangeToParentFolder();
            QCOMPARE(p.ftp.CurrentFolder(), QString(parent));
        }
        QCOMPARE(errorOf([&] { p.ftp.ChangeFolder("missing"); }), 550);
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        p.ftp.RenameFile("keep/file.txt", "keep\\renamed.txt");
        QVERIFY(QFile::exists(p.path("keep/renamed.txt")));
        QVERIFY(errorOf([&] { p.ftp.RenameFile("keep/nothing", "keep/x"); }) != 0);
        p.ftp.DeleteFile("keep/renamed.txt");
        QVERIFY(errorOf([&] { p.ftp.DeleteFile("keep/renamed.txt"); }) != 0);
        p.ftp.RemoveFolder("keep");
        QVERIFY(!QFileInfo::exists(p.path("keep")));
        // A name that would split the command line is refused before anything is sent.
        const qsizetype sent = p.rec.sent().size();
        QCOMPARE(errorOf([&] { p.ftp.DeleteFile("x\r\nRMD made"); }), qint32(kErrBadArgument));
        QCOMPARE(p.rec.sent().size(), sent);

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
        QCOMPARE(p.rec.sent().count("PASS ****"), p.ftp.Connections() + 2);
        for (const QString& line : std::as_const(p.rec.log))
            QVERIFY2(!line.contains(password), qPrintable(line));
        QCOMPARE(QString::fromUtf8(readFile(logPath)).split('\n', Qt::SkipEmptyParts),
                 QStringList{"earlier line"} + p.rec.log);
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
