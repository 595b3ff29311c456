#include <fcntl.h>
#include <unistd.h>
#include <QtTest>

#include "Fixture.h"
#include "FullDisk.h"

using namespace ftp;

// The session against real servers in one pass per server: login, TLS, listings, one operation
// at a time, sends and receives of single files and of project trees, the end of a connection.
class SessionTest : public QObject {
    Q_OBJECT

private slots:
    // pyftpdlib in clear with TLS off; vsftpd taking 2 of 4 connections (421 for the others);
    // the certificate of "vsftpd TLS x4" trusted by a CertificateUntrusted handler, not by an
    // extra authority; vsftpd refusing passive mode is asked once, the session then keeps to
    // active mode.
    void session_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind :
             {"pyftpdlib", "vsftpd max 2 x4", "vsftpd TLS", "vsftpd TLS 1.2", "pyftpdlib LIST",
              "vsftpd TLS x4", "pyftpdlib active", "vsftpd no passive"})
            QTest::newRow(kind) << kind;
    }
    void session() {
        QFETCH(QString, kind);
        Peer p(kind);
        const bool py = kind.startsWith("pyftpdlib"), mlsd = py && !kind.endsWith("LIST");
        const QString accented =
            QString::fromUtf8("\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac.txt");
        writeFile(p.path("small.txt"), "12345");
        writeFile(p.path(accented), "abc");
        writeFile(p.path("sub/inner.txt"), "x");
        QVERIFY(QFile::link("small.txt", p.path("link.txt")));
        setModified(p.path("small.txt"), QDateTime(QDate(2020, 5, 6), QTime(7, 8), Qt::UTC));
        writeFile(p.path("proj/pictavo.html"), pattern(70000, 'h'));
        writeFile(p.path("proj/movie.swf"), pattern(1234, 'm'));
        writeFile(p.path("proj/images/pic 1.jpg"), pattern(4321, 'i'));
        writeFile(p.path("proj/images/deep/pic2.jpg"), pattern(10, 'j'));
        // A link to a folder outside the tree is never entered, whatever MLSD calls it.
        writeFile(p.path("elsewhere/secret.txt"), "not part of proj");
        QVERIFY(QFile::link("../../elsewhere", p.path("proj/images/out")));
        writeFile(p.path("site/a.txt"), "old a");
        writeFile(p.path("site/b.txt"), "old b");
        // Left by sends whose connection went away for good: the next send into the folder
        // removes them.
        writeFile(p.path("site/.a.txt.ferrypart"), "cut short");
        writeFile(p.path("site/.gone.html.ferrypart2"), "cut short");
        if (kind.endsWith("LIST"))
            p.ftp.setConnectOption(200 & ~kOptMlsd);
        QVERIFY2(p.start(false), qPrintable(p.error()));
        const QString logPath = p.local("FerryFTP.log");
        writeFile(logPath, "earlier line\n");
        p.ftp.setCommandLogFilename(logPath);
        // Refused before the user name goes out: TLS required of a server without it, or a
        // certificate that no authority vouches for and no handler trusts.
        const bool tls = kind.contains("TLS"), handler = kind.endsWith("TLS x4");
        const QList<QSslCertificate> authorities = p.ftp.ExtraCaCertificates();
        p.ftp.setExtraCaCertificates({});
        p.ftp.setTlsMode(kTlsRequire);
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }),
                 qint32(tls ? kErrCertificate : kErrTlsRequired));
        QCOMPARE(p.rec.commands.mid(0, 1), QStringList{"AUTH TLS"});
        QCOMPARE(p.rec.sentMatching("^(USER|PASS)"), 0);
        p.ftp.setExtraCaCertificates(authorities);
        p.ftp.setTlsMode(tls ? kTlsRequire : kind == "pyftpdlib" ? kTlsOff : kTlsAuto);
        // A wrong password (only against pyftpdlib: vsftpd's PAM answers it seconds late).
        const QString password = p.ftp.Password();
        if (py) {
            p.ftp.setPassword("wrong password");
            QCOMPARE(errorOf([&] { p.ftp.Connect(); }), qint32(kErrLoginFailed));
            p.ftp.setPassword(password);
        }
        QStringList asked;
        if (handler) {
            p.ftp.setExtraCaCertificates({});
            connect(&p.ftp, &FtpClient::CertificateUntrusted, this,
                    [&](const QString& host, const QString& fingerprint, const QString& subject,
                        const QString& issuer, const QDateTime& from, const QDateTime& to,
                        const QStringList& reasons, bool& trust) {
                        QVERIFY(from < to);
                        QVERIFY(!reasons.isEmpty());
                        asked << host + " " + fingerprint + " " + subject + " " + issuer;
                        trust = true;
                    });
        }
        p.ftp.Connect();
        QCOMPARE(p.ftp.Encrypted(), tls);
        QCOMPARE(p.rec.commands.count("AUTH TLS"), kind == "pyftpdlib" ? 1 : py ? 3 : 2);
        QCOMPARE(errorOf([&] { p.ftp.Connect(); }), qint32(kErrAlreadyConnected));

        // A second operation started from a notification handler is refused before anything is
        // sent.
        qint32 refused = 0;
        qsizetype sentMeanwhile = -1;
        const auto busy = connect(&p.ftp, &FtpClient::ListingItem, this, [&] {
            if (refused)
                return;
            const qsizetype before = p.rec.commands.size();
            refused = errorOf([&] { p.ftp.ChangeFolder("/"); });
            sentMeanwhile = p.rec.commands.size() - before;
        });
        p.ftp.ListFolder("");
        disconnect(busy);
        QCOMPARE(refused, qint32(kErrBusy));
        QCOMPARE(sentMeanwhile, 0);
        QMap<QString, FolderItem> byName;
        for (const FolderItem& i : std::as_const(p.rec.items))
            byName.insert(i.ItemName, i);
        QCOMPARE(byName.keys(), QStringList({"elsewhere", "link.txt", "proj", "site", "small.txt",
                                             "sub", accented}));
        QCOMPARE(byName["small.txt"].size, 5);
        QCOMPARE(byName["small.txt"].date.toUTC().date(), QDate(2020, 5, 6));
        QCOMPARE(byName["sub"].ItemType, int(kFolder));
        // MLSD of pyftpdlib follows links.
        QCOMPARE(byName["link.txt"].ItemType, int(mlsd ? kFile : kLink));
        // GetFolderItems: no "." or "..", masks and folder parts.
        QCOMPARE(p.ftp.GetFolderItems("", 0).Count(), 7);
        const FolderItems items = p.ftp.GetFolderItems("sub\\*.TXT", 0);
        QCOMPARE(items.Count(), 1);
        QCOMPARE(items[0].ItemName, QString("inner.txt"));
        QVERIFY(errorOf([&] { p.ftp.GetFolderItems("missing\\*", 0); }) != 0);
        p.ftp.ChangeFolder("sub");
        QCOMPARE(p.ftp.CurrentFolder(), QString("/sub"));
        p.ftp.ChangeToParentFolder();
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        // A name that would split the command line is refused before anything is sent.
        const qsizetype sent = p.rec.commands.size();
        QCOMPARE(errorOf([&] { p.ftp.DeleteFile("x\r\nRMD sub"); }), qint32(kErrBadArgument));
        QCOMPARE(p.rec.commands.size(), sent);

        // Sends and receives: folders made on the way, masks, replace answers, temporary names,
        // progress, a full disk, ASCII mode.
        p.rec.events.clear();
        p.rec.progress.clear();
        const QByteArray page = pattern(300 * 1024, 'p');
        const QString local = p.local("pictavo.html");
        writeFile(local, page);
        // A progress handler that shows a message box: the transfer ends while it is open.
        bool waited = false;
        p.rec.onProgress = [&](const Recorder::Progress&) {
            if (!std::exchange(waited, true))
                QTest::qWait(500);
        };
        p.ftp.SendFile(local, 0, "site\\deep\\er\\pictavo.html", false);
        QVERIFY(waited);
        QCOMPARE(readFile(p.path("site/deep/er/pictavo.html")), page);
        QCOMPARE(p.rec.events, QStringList{"sending " + local});
        // A new file too goes under a temporary name: the site never serves part of it.
        QVERIFY(p.rec.commands.contains("RNFR .pictavo.html.ferrypart"));
        QCOMPARE(p.rec.risingPercent(kSendingFile), 100);
        // Into an existing folder the second time: nothing is created, the type stays set.
        const qsizetype before = p.rec.commands.size();
        p.ftp.SendFile(local, 0, "site/copy.html", false);
        QCOMPARE(p.rec.commands.mid(before).filter(QRegularExpression("^(MKD|TYPE)")).size(), 0);
        QCOMPARE(errorOf([&] { p.ftp.SendFile(p.local("none"), 0, "site/none", false); }),
                 qint32(kErrLocalFile));
        // A folder where the file should go is not replaced.
        QCOMPARE(errorOf([&] { p.ftp.SendFile(local, 0, "site\\deep", false); }),
                 qint32(kErrBadArgument));

        // Replaced: through a temporary name renamed over the old file; with the last argument
        // true without asking.
        writeFile(p.local("a.txt"), "new a, longer");
        writeFile(p.local("b.txt"), "new b, longer");
        writeFile(p.local("sub/c.txt"), "not sent: no subfolders");
        p.ftp.SendFiles(p.local("*.txt"), "site", false, false);
        QCOMPARE(p.rec.of("replace"),
                 QStringList({"replace site/a.txt|5|13", "replace site/b.txt|5|13"}));
        QCOMPARE(tree(p.path("site")),
                 QStringList({"a.txt", "b.txt", "copy.html", "deep/er/pictavo.html"}));
        writeFile(p.local("a.txt"), "third a");
        p.ftp.SendFile(p.local("a.txt"), 0, "site/a.txt", true);
        QCOMPARE(p.rec.of("replace").size(), 2);
        QCOMPARE(readFile(p.path("site/a.txt")), QByteArray("third a"));

        // Receiving.
        const QString in = p.local("in");
        p.rec.events.clear();
        p.rec.progress.clear();
        p.ftp.ReceiveFiles("proj\\*", in, true);
        QCOMPARE(tree(in), QStringList({"proj/images/deep/pic2.jpg", "proj/images/pic 1.jpg",
                                        "proj/movie.swf", "proj/pictavo.html"}));
        QCOMPARE(readFile(p.local("in/proj/images/pic 1.jpg")), pattern(4321, 'i'));
        QCOMPARE(p.rec.risingPercent(), 100);
        QCOMPARE(p.rec.events, QStringList{"skip proj/images/out||5"});
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        // One file, kept when the answer is 0.
        writeFile(p.local("mine.swf"), "local version");
        p.rec.replaceAnswer = 0;
        p.ftp.ReceiveFile("proj\\movie.swf", 0, p.local("mine.swf"));
        QCOMPARE(readFile(p.local("mine.swf")), QByteArray("local version"));
        QCOMPARE(p.rec.events.last(), "skip proj/movie.swf|" + p.local("mine.swf") + "|1");
        p.rec.replaceAnswer = 1;
        p.ftp.ReceiveFile("proj\\movie.swf", 0, p.local("mine.swf"));
        QCOMPARE(readFile(p.local("mine.swf")), pattern(1234, 'm'));
        QVERIFY(errorOf([&] { p.ftp.ReceiveFile("proj/none", 0, p.local("n")); }) != 0);
        QVERIFY(!QFileInfo::exists(p.local("n")));

        // A full disk: the old file stays as it was, instead of an empty one in its place.
        SmallDisk disk(p.local("full"), 64 * 1024);
        QVERIFY(disk.mounted());
        const QString kept = p.local("full/movie.swf");
        writeFile(kept, pattern(3000, 'k'));
        disk.fill();
        QCOMPARE(errorOf([&] { p.ftp.ReceiveFile("proj\\movie.swf", 0, kept); }),
                 qint32(kErrLocalFile));
        QCOMPARE(tree(p.local("full")), QStringList({".filler", "movie.swf"}));
        QCOMPARE(readFile(kept), pattern(3000, 'k'));

        // ASCII mode changes line ends both ways; binary mode takes the server's bytes as they are.
        const QByteArray text = "line one\nline two\n\nlast\n";
        writeFile(p.local("t.txt"), text);
        p.ftp.setTransferMode(1);
        p.ftp.SendFile(p.local("t.txt"), 0, "t.txt", false);
        p.ftp.ReceiveFile("t.txt", 0, p.local("back.txt"));
        QCOMPARE(readFile(p.local("back.txt")), text);
        QVERIFY(p.rec.commands.contains("TYPE A"));
        p.ftp.setTransferMode(0);
        p.ftp.ReceiveFile("t.txt", 0, p.local("raw.txt"));
        QCOMPARE(readFile(p.local("raw.txt")), readFile(p.path("t.txt")));

        // A project tree: folders made on the way need no listing; a folder without matching
        // files is not created; names no command can carry are skipped.
        const QString bin = p.local("p/bin/"), more = accented.left(3) + " code.swf";
        writeFile(bin + "a.swf", pattern(200000, 'a'));
        writeFile(bin + "B.SWF", pattern(1000, 'b'));
        writeFile(bin + "notes.txt", "not a movie");
        writeFile(bin + "more/c.swf", pattern(5000, 'c'));
        writeFile(bin + "more/deeper/d.swf", QByteArray());
        writeFile(bin + "empty/e.txt", "no movie here");
        writeFile(bin + "more/" + more, "u");
        writeFile(bin + "line\nbreak.swf", "no command can name it");
        // A name that is no valid UTF-8: Qt does not even list it, nor remove it with the folder.
        const QByteArray undecodable = QFile::encodeName(bin) + "more/caf\xe9.swf";
        QVERIFY(::close(::creat(undecodable.constData(), 0644)) == 0);
        const auto removeUndecodable = qScopeGuard([&] { ::unlink(undecodable.constData()); });
        const qsizetype mark = p.rec.commands.size();
        const auto since = [&](const QString& pattern) {
            return p.rec.commands.mid(mark).filter(QRegularExpression(pattern)).size();
        };
        p.rec.events.clear();
        p.rec.progress.clear();
        p.ftp.SendFiles(bin + "*.swf", "myfolio2", true, false);
        QCOMPARE(tree(p.path("myfolio2")), QStringList({"B.SWF", "a.swf", "more/c.swf",
                                                        "more/deeper/d.swf", "more/" + more}));
        QCOMPARE(readFile(p.path("myfolio2/a.swf")), pattern(200000, 'a'));
        const QString listing("^(MLSD|LIST)");
        QCOMPARE(since(listing), 0);
        // In passive mode the next file's EPSV goes with the rename, before its replies.
        const QRegularExpression ahead("^RNTO .*\nEPSV$", QRegularExpression::MultilineOption);
        QVERIFY(p.rec.log.join('\n').contains(ahead) ||
                kind.contains(QRegularExpression("active|passive")));
        QCOMPARE(p.rec.risingPercent(kSendingFiles), 100);
        QCOMPARE(p.rec.of("skip"), QStringList({"skip " + bin + "line\nbreak.swf||7",
                                                "skip " + bin + "more/caf\uFFFD.swf||8"}));
        // A folder that is not there sends nothing and is no error: projects without images.
        p.ftp.SendFiles(bin + "images/*.*", "myfolio2\\images", true, false);
        QVERIFY(!QFileInfo::exists(p.path("myfolio2/images")));
        // Into folders that exist: one listing per target folder, not a command per file. Where
        // MLSD names a folder, the "ls -l" listing confirms it is no link. (Until another
        // operation runs, a send knows the folders the session's sends made: no listing.)
        p.ftp.SendFiles(bin + "*.swf", "myfolio2", true, true);
        QCOMPARE(since(listing), 0);
        p.ftp.ChangeFolder("/");
        p.ftp.SendFiles(bin + "*.swf", "myfolio2", true, true);
        QCOMPARE(since(listing), mlsd ? 5 : 3);
        // Unchanged files stay without a question; one of another size and one older there than
        // here go, every question asked before the first of them.
        writeFile(bin + "a.swf", pattern(300, 'z'));
        for (const QString& name : tree(bin))
            setModified(bin + name, QDateTime::currentDateTime().addSecs(-3600));
        setModified(bin + "B.SWF", QDateTime::currentDateTime().addSecs(3600));
        p.rec.events.clear();
        p.ftp.setSkipUnchanged(true);
        p.ftp.SendFiles(bin + "*.swf", "myfolio2", true, false);
        QCOMPARE(p.rec.of("skip").filter(QRegularExpression("\\|9$")).size(), 3);
        QCOMPARE(p.rec.of("replace").size(), 2);
        QCOMPARE(p.rec.of("sending").size(), 2);
        QVERIFY(p.rec.events.indexOf(QRegularExpression("replace .*B.SWF.*")) <
                p.rec.events.indexOf(QRegularExpression("sending .*")));
        QCOMPARE(readFile(p.path("myfolio2/a.swf")), pattern(300, 'z'));
        QVERIFY(!tree(p.root()).join(' ').contains("ferrypart"));

        // As many connections as asked for, or as the server takes: asked once per session.
        // Extra connections and data connections take the certificate trusted for the first one
        // without a question.
        const int taken = kind.contains("max 2") ? 2 : p.ftp.Connections();
        QTRY_COMPARE(p.rec.sentMatching("^USER "), taken + py);
        QCOMPARE(p.rec.log.filter(QRegularExpression("^421 ")).size(),
                 kind.contains("max 2") ? 2 : 0);
        const QString fingerprint = QString::fromLatin1(
            p.certificate().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
        QCOMPARE(asked, handler
                            ? QStringList{"localhost " + fingerprint + " CN=localhost CN=localhost"}
                            : QStringList());
        if (kind.contains("active") || kind.contains("passive")) {
            QVERIFY(p.rec.sentMatching("^(EPRT|PORT) ") >= 3);
            const bool refused = kind.contains("no passive");
            QCOMPARE(p.rec.sentMatching("^(EPSV|PASV)$"), refused ? 2 : 0);
            QCOMPARE(p.rec.log.filter("mode failed").size(), refused ? 1 : 0);
        } else {
            // An EPSV sent ahead with a rename always has a transfer to serve: one left unused
            // would have the server time it out (pyftpdlib: an unasked 421 later).
            QCOMPARE(p.rec.sentMatching("^EPSV"),
                     p.rec.sentMatching("^(STOR|RETR|MLSD|LIST|NLST)"));
        }

        p.rec.events.clear();
        p.ftp.Disconnect();
        p.ftp.Disconnect();
        QCOMPARE(p.rec.events, QStringList{"disconnected 0"});
        QCOMPARE(errorOf([&] { p.ftp.CurrentFolder(); }), qint32(kErrNotConnected));
        // Idle, NOOP keeps the connection (once: the timer is the same against any server); the
        // server going away ends it once.
        p.ftp.setKeepAliveInterval(kind == "pyftpdlib" ? 1 : 0);
        QTRY_VERIFY(!p.server().busy());  // the sessions that just ended are no longer counted
        p.ftp.Connect();
        if (kind == "pyftpdlib")
            QTRY_VERIFY_WITH_TIMEOUT(p.rec.commands.count("NOOP") >= 2, 5000);
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        p.server().stop();
        QTRY_COMPARE_WITH_TIMEOUT(p.rec.events.size(), 2, 5000);
        QTest::qWait(200);
        QCOMPARE(p.rec.events, QStringList({"disconnected 0", "disconnected 0"}));

        // The password never reaches the log; the file holds the same lines, appended.
        QCOMPARE(p.rec.commands.count("PASS ****"), taken + py + 1);
        for (const QString& line : std::as_const(p.rec.log))
            QVERIFY2(!line.contains(password), qPrintable(line));
        QCOMPARE(QString::fromUtf8(readFile(logPath)).split('\n', Qt::SkipEmptyParts),
                 QStringList{"earlier line"} + p.rec.log);
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
