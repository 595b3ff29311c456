#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "AsciiConverter.h"
#include "FtpClient.h"
#include "ListingParser.h"
#include "LocalPlan.h"
#include "Mask.h"
#include "PassiveReply.h"
#include "RemotePath.h"
#include "Reply.h"
#include "ReplyParser.h"
#include "Session.h"

using namespace ftp;

// The parts of the component that need no network: replies, listings, paths, masks, line ends
// and the local side of a send.
class ParsersTest : public QObject {
    Q_OBJECT

    static QList<RawReply> parseAll(ReplyParser& p, const QByteArray& bytes, int pieceSize) {
        for (qsizetype i = 0; i < bytes.size(); i += pieceSize)
            p.feed(bytes.mid(i, pieceSize));
        QList<RawReply> out;
        while (p.hasReply())
            out << p.takeReply();
        return out;
    }

private slots:
    void repliesSplitAnywhere_data() {
        QTest::addColumn<int>("pieceSize");
        QTest::newRow("whole") << 1000;
        QTest::newRow("byte by byte") << 1;
        QTest::newRow("pieces of 7") << 7;
    }
    void repliesSplitAnywhere() {
        QFETCH(int, pieceSize);
        // A noise line, a single-line reply, a multi-line reply whose inner lines begin with
        // other codes and with its own code followed by "-", and bare LF line ends.
        const QByteArray stream =
            "Welcome banner without code\r\n"
            "220 Ready\r\n"
            "211-Features:\r\n"
            " MLST type*;\r\n"
            "200 not the end\r\n"
            "211-still not the end\n"
            "211 End\r\n"
            "200\r\n";
        ReplyParser p;
        const QList<RawReply> r = parseAll(p, stream, pieceSize);
        QVERIFY(p.error().isEmpty());
        QCOMPARE(r.size(), 4);
        QCOMPARE(r[0].code, 0);
        QCOMPARE(r[0].lines, QList<QByteArray>{"Welcome banner without code"});
        QCOMPARE(r[1].code, 220);
        QCOMPARE(r[2].code, 211);
        QCOMPARE(r[2].lines.size(), 5);
        QCOMPARE(r[2].lines.last(), QByteArray("211 End"));
        QCOMPARE(r[3].code, 200);
    }

    void replyLimits() {
        ReplyParser longLine;
        longLine.feed(QByteArray(ReplyParser::kMaxLine + 10, 'x'));
        QVERIFY(!longLine.error().isEmpty());
        QVERIFY(!longLine.hasReply());

        ReplyParser endless;
        endless.feed("123-start\r\n");
        for (int i = 0; i <= ReplyParser::kMaxReplyLines; ++i)
            endless.feed("more\r\n");
        QVERIFY(!endless.error().isEmpty());
    }

    void replyText() {
        Reply r{550, {"550-First line", " second", "550 Last."}};
        QCOMPARE(r.text(), QString("First line second Last."));
        QCOMPARE(serverError(r).number, 550);
        QCOMPARE(serverError(Reply{421, {"421"}}).description, QString("The server answered 421."));
    }

    void quotedPaths() {
        QCOMPARE(parseQuotedPath("257 \"/a \"\"quoted\"\" name\" is current"),
                 QString("/a \"quoted\" name"));
        QCOMPARE(parseQuotedPath("257 \"/\" is current"), QString("/"));
        QCOMPARE(parseQuotedPath("257 /no/quotes"), QString());
        QCOMPARE(parseQuotedPath("257 \"/unterminated"), QString());
    }

    void passiveReplies() {
        QCOMPARE(parseEpsvPort("Entering Extended Passive Mode (|||6446|)"), quint16(6446));
        QCOMPARE(parseEpsvPort("Entering (!!!21!)"), quint16(21));
        QVERIFY(!parseEpsvPort("Entering (|||0|)"));
        QVERIFY(!parseEpsvPort("Entering (|||70000|)"));
        QVERIFY(!parseEpsvPort("Entering (|1|2|3|)"));
        QVERIFY(!parseEpsvPort("no parentheses"));
        QCOMPARE(parsePasvPort("Entering Passive Mode (10,0,0,7,19,137)."),
                 quint16(19 * 256 + 137));
        QCOMPARE(parsePasvPort("=127,0,0,2,4,1"), quint16(1025));
        QVERIFY(!parsePasvPort("(10,0,0,7,300,1)"));
        QVERIFY(!parsePasvPort("(10,0,0,7,0,0)"));
    }

    void unixListing() {
        const QDate today(2024, 3, 10);
        ListingEntry e = parseListLine(
            "drwxr-xr-x    2 1000     1000         4096 Jan 05 12:34 my folder", today);
        QVERIFY(e.parsed);
        QCOMPARE(e.kind, int(kFolder));
        QCOMPARE(e.name, QString("my folder"));
        QCOMPARE(e.date, QDateTime(QDate(2024, 1, 5), QTime(12, 34)));

        // A time-only date later than today lies in the previous year.
        e = parseListLine("-rw-r--r--    1 ftp      ftp      5000000000 Dec 24 18:00 big.iso",
                          today);
        QCOMPARE(e.size, Q_INT64_C(5000000000));
        QCOMPARE(e.date.date(), QDate(2023, 12, 24));

        e = parseListLine("lrwxrwxrwx    1 0        0               7 Feb 29  2020 link -> target",
                          today);
        QCOMPARE(e.kind, int(kLink));
        QCOMPARE(e.name, QString("link"));
        QCOMPARE(e.date.date(), QDate(2020, 2, 29));

        // No group column, ISO dates, a name beginning with a space, a device.
        e = parseListLine("-rw-r--r-- 1 owner 1234 Jan 01 2020 nogroup.txt", today);
        QCOMPARE(e.name, QString("nogroup.txt"));
        QCOMPARE(e.size, 1234);
        e = parseListLine("-rw-r--r-- 1 a b 99 2021-06-07 08:09  spaced", today);
        QCOMPARE(e.date, QDateTime(QDate(2021, 6, 7), QTime(8, 9)));
        QCOMPARE(e.name, QString(" spaced"));
        e = parseListLine("crw-rw---- 1 root tty 4, 0 Mar 01 10:00 tty0", today);
        QVERIFY(e.parsed);
        QCOMPARE(e.kind, int(kFile));

        for (const char* junk : {"total 12", "garbage", "drwxr-xr-x 2 a b 4096 Jan 05 12:34",
                                 "-rw-r--r-- 1 a b notasize Jan 05 12:34 x"}) {
            e = parseListLine(junk, today);
            QVERIFY2(!e.parsed, junk);
            QCOMPARE(e.raw, QString(junk));
        }
    }

    void dosListing() {
        ListingEntry e = parseListLine("01-02-21  03:04PM       <DIR>          Web Site", {});
        QCOMPARE(e.kind, int(kFolder));
        QCOMPARE(e.name, QString("Web Site"));
        QCOMPARE(e.date, QDateTime(QDate(2021, 1, 2), QTime(15, 4)));
        e = parseListLine("12-31-1999  12:00AM            1,234,567 old.zip", {});
        QCOMPARE(e.kind, int(kFile));
        QCOMPARE(e.size, 1234567);
        QCOMPARE(e.date, QDateTime(QDate(1999, 12, 31), QTime(0, 0)));
        QVERIFY(!parseListLine("01-02-21 nonsense", {}).parsed);
    }

    void mlsdListing() {
        ListingEntry e = parseMlsdLine("type=file;size=42;modify=20240102030405; a; b.txt");
        QVERIFY(e.parsed);
        QCOMPARE(e.name, QString("a; b.txt"));
        QCOMPARE(e.size, 42);
        QCOMPARE(e.date.toUTC(), QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC));
        QCOMPARE(parseMlsdLine("Type=DIR;Modify=20240102030405.123; sub").kind, int(kFolder));
        QCOMPARE(parseMlsdLine("type=OS.unix=slink:/etc;size=4; l").kind, int(kLink));
        QCOMPARE(parseMlsdLine("type=OS.unix=symlink; l2").kind, int(kLink));
        QCOMPARE(parseMlsdLine("type=cdir; /whatever").name, QString("."));
        QCOMPARE(parseMlsdLine("type=pdir; x").name, QString(".."));
        QVERIFY(!parseMlsdLine("no-facts-no-space").parsed);
        QVERIFY(!parseMlsdLine("type=file;broken; x").parsed);
        QVERIFY(!parseMlsdLine("type=file; ").parsed);
    }

    void listingStream() {
        // CRLF split across pieces, the ls total line, "." and "..", an unparsed line kept
        // with its text, Latin-1 names, and a last line without line end.
        ListingParser p(ListingParser::List, false, QDate(2024, 3, 10));
        const QByteArray data =
            "total 8\r\n"
            "drwxr-xr-x 2 a b 4096 Jan 05 12:34 .\r\n"
            "drwxr-xr-x 2 a b 4096 Jan 05 12:34 ..\r\n"
            "what is this\r\n"
            "-rw-r--r-- 1 a b 1 Jan 05 12:34 caf\xe9.txt\r\n"
            "-rw-r--r-- 1 a b 2 Jan 05 12:34 last";
        for (qsizetype i = 0; i < data.size(); i += 5)
            p.feed(data.mid(i, 5));
        p.finish();
        const QList<ListingEntry> entries = p.take();
        QCOMPARE(entries.size(), 3);
        QVERIFY(!entries[0].parsed);
        QCOMPARE(entries[0].raw, QString("what is this"));
        QCOMPARE(entries[1].name, QString::fromUtf8("caf\xc3\xa9.txt"));
        QCOMPARE(entries[2].name, QString("last"));

        ListingParser utf8(ListingParser::Mlsd, true, {});
        utf8.feed("type=file;size=1; \xe6\x97\xa5\xe6\x9c\xac.txt\r\ntype=cdir; .\r\n");
        utf8.finish();
        const QList<ListingEntry> u = utf8.take();
        QCOMPARE(u.size(), 1);
        QCOMPARE(u[0].name, QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac.txt"));
    }

    void masks() {
        QVERIFY(Mask("*.swf").matches("MOVIE.SWF"));
        QVERIFY(!Mask("*.swf").matches("movie.swf.txt"));
        QVERIFY(Mask("*.*").matches("README"));
        QVERIFY(Mask("").matches("anything"));
        QVERIFY(Mask("a?c").matches("abc"));
        QVERIFY(!Mask("a?c").matches("ac"));
        QVERIFY(Mask("a*b*c").matches("axxbyybzc"));
        QVERIFY(!Mask("a*b*c").matches("axxbyy"));
        QVERIFY(!Mask("*a*a*a*a*a*a*b").matches(QString(2000, 'a')));
        QVERIFY(Mask("pictavo.html").matches("pictavo.html"));
    }

    void remotePaths() {
        QCOMPARE(remote_path::normalize("myfolio2\\images\\"), QString("myfolio2/images"));
        QCOMPARE(remote_path::normalize("\\\\a//b"), QString("/a/b"));
        QCOMPARE(remote_path::normalize("/"), QString("/"));
        QCOMPARE(remote_path::absolute("/home/u", "a\\..\\b/./c"), QString("/home/u/b/c"));
        QCOMPARE(remote_path::absolute("/home/u", "/x"), QString("/x"));
        QCOMPARE(remote_path::absolute("/", "../.."), QString("/"));
        QCOMPARE(remote_path::folderOf("a\\b\\c.txt"), QString("a/b"));
        QCOMPARE(remote_path::folderOf("/c.txt"), QString("/"));
        QCOMPARE(remote_path::folderOf("c.txt"), QString());
        QCOMPARE(remote_path::nameOf("a\\b\\*"), QString("*"));
        QVERIFY(remote_path::unsendable("a\r\nDELE b"));
        QVERIFY(!remote_path::unsendable("ordinary name"));
    }

    void safeLocalNames() {
        for (const char* bad :
             {"", ".", "..", "../x", "a/b", "a\\b", "/etc/passwd", "C:evil", "bell\x07", "del\x7f"})
            QVERIFY2(!isSafeLocalName(QString::fromLatin1(bad)), bad);
        for (const char* good : {"ok name.txt", "..hidden", "a..b", "ab:c"})
            QVERIFY2(isSafeLocalName(QString::fromLatin1(good)), good);
        QCOMPARE(printableName("a\nb"), QString("a?b"));
        QCOMPARE(printableName(QString(5000, 'x')).size(), 1027);
    }

    void asciiLineEnds() {
        // A CRLF pair split between two chunks stays one line end.
        AsciiConverter up(AsciiConverter::ToNetwork);
        QByteArray sent = up.convert("a\nb\r");
        sent += up.convert("\nc\n");
        sent += up.finish();
        QCOMPARE(sent, QByteArray("a\r\nb\r\nc\r\n"));
        AsciiConverter down(AsciiConverter::ToLocal);
        QByteArray kept = down.convert("a\r\nb\r");
        kept += down.convert("\nc\rd\r");
        kept += down.finish();
        QCOMPARE(kept, QByteArray("a\nb\nc\rd\r"));
    }

    void localPlans() {
        QTemporaryDir dir;
        const auto touch = [&](const QString& rel, int size) {
            QDir().mkpath(QFileInfo(dir.filePath(rel)).absolutePath());
            QFile f(dir.filePath(rel));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(size, 'x'));
        };
        touch("bin/a.swf", 10);
        touch("bin/B.SWF", 20);
        touch("bin/c.txt", 5);
        touch("bin/deep/d.swf", 7);
        touch("bin/deep/er/e.swf", 1);
        touch("bin/line\nbreak.swf", 1);

        LocalPlan flat = planLocalMask(dir.filePath("bin/*.swf"), false);
        QCOMPARE(flat.files.size(), 2);
        QCOMPARE(flat.bytes, 30);
        QCOMPARE(flat.skipped.size(), 1);
        QCOMPARE(flat.skipped[0].reason, qint32(kSkipUnsendable));

        LocalPlan deep = planLocalMask(dir.filePath("bin/*.swf"), true);
        QStringList where;
        for (const LocalFile& f : deep.files)
            where << f.folder + "|" + f.name;
        QCOMPARE(where, QStringList({"|B.SWF", "|a.swf", "deep|d.swf", "deep/er|e.swf"}));
        QCOMPARE(deep.bytes, 38);

        // A project without an images folder sends nothing and fails nothing.
        LocalPlan none = planLocalMask(dir.filePath("bin/images/*.*"), true);
        QVERIFY(none.files.isEmpty() && none.skipped.isEmpty());

        try {
            planLocalFile(dir.filePath("bin/pictavo.html"));
            QFAIL("a missing file was planned");
        } catch (const FtpError& e) {
            QCOMPARE(e.number, qint32(kErrLocalFile));
            QCOMPARE(e.description, QString("The local file '%1' does not exist.")
                                        .arg(dir.filePath("bin/pictavo.html")));
        }
    }
};

QTEST_GUILESS_MAIN(ParsersTest)
#include "tst_parsers.moc"
