#include <QDir>
#include <QtTest>

#include "AsciiConverter.h"
#include "CommandLog.h"
#include "FtpComponent.h"
#include "ListingParser.h"
#include "Mask.h"
#include "Notifier.h"
#include "PassiveReply.h"
#include "ProgressMeter.h"
#include "RemotePath.h"
#include "ReplyParser.h"
#include "Session.h"

using namespace ftp;

// The parts of the component that need no network: replies, listings, paths, masks, line ends and
// progress.
class ParsersTest : public QObject {
    Q_OBJECT

    static void entry(const char* tag, const char* line, int kind, const char* name, qint64 size,
                      const QDateTime& date) {
        const bool mlsd = QByteArray(tag).startsWith("mlsd");
        QTest::newRow(tag) << QString(line) << mlsd << true << kind << QString(name) << size
                           << date;
    }
    // A line from a server without UTF-8, read as Latin-1: the name keeps the server's bytes, so
    // a command can name the file again.
    static void legacy(const char* tag, const char* line, int kind, const char* name, qint64 size,
                       const QDateTime& date) {
        QTest::newRow(tag) << QString::fromLatin1(line) << false << true << kind
                           << QString::fromLatin1(name) << size << date;
    }
    static void junk(const char* line, bool mlsd) {
        QTest::newRow(line) << QString(line) << mlsd << false << 0 << QString() << qint64(0)
                            << QDateTime();
    }
    static QDateTime at(int y, int mo, int d, int h = 0, int mi = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi));
    }

private slots:
    void repliesSplitAnywhere() {
        // A noise line, a single-line reply, a multi-line reply whose inner lines begin with other
        // codes and with its own code followed by "-", and bare LF line ends.
        const QByteArray stream =
            "Welcome banner without code\r\n220 Ready\r\n211-Features:\r\n MLST type*;\r\n"
            "200 not the end\r\n211-still not the end\n211 End\r\n200\r\n";
        for (const int piece : {1, 7, 1000}) {
            ReplyParser p;
            for (qsizetype i = 0; i < stream.size(); i += piece)
                p.feed(stream.mid(i, piece));
            QList<RawReply> r;
            while (p.hasReply())
                r << p.takeReply();
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
    }

    void replyLimitsAndTexts() {
        ReplyParser longLine;
        longLine.feed(QByteArray(ReplyParser::kMaxLine + 10, 'x'));
        QVERIFY(!longLine.error().isEmpty());
        QVERIFY(!longLine.hasReply());
        ReplyParser endless;
        endless.feed("123-start\r\n");
        for (int i = 0; i <= ReplyParser::kMaxReplyLines; ++i)
            endless.feed("more\r\n");
        QVERIFY(!endless.error().isEmpty());
        // Lines without a code count too, however many replies came before them.
        ReplyParser noise;
        noise.feed("220 Hello.\r\n");
        for (int i = 0; i <= ReplyParser::kMaxReplyLines && noise.error().isEmpty(); ++i)
            noise.feed("noise\r\n");
        QVERIFY(!noise.error().isEmpty());
        while (noise.hasReply())
            noise.takeReply();
        noise.feed("200 Fine.\r\n");
        QVERIFY(!noise.hasReply());

        const Reply r{550, {"550-First line", " second", "550 Last."}};
        QCOMPARE(r.text(), QString("First line second Last."));
        QCOMPARE(serverError(r).number, 550);
        QCOMPARE(serverError(Reply{421, {"421"}}).description, QString("The server answered 421."));
        QCOMPARE(parseQuotedPath("257 \"/a \"\"quoted\"\" name\" is current"),
                 QString("/a \"quoted\" name"));
        QCOMPARE(parseQuotedPath("257 /no/quotes"), QString());
        QCOMPARE(parseQuotedPath("257 \"/unterminated"), QString());
    }

    // The command log file keeps its newest lines below its size and says once that it dropped
    // the others.
    void commandLogSize() {
        QTemporaryDir dir;
        const QString path = dir.filePath("FerryFTP.log");
        CommandLog log(1000);
        for (int i = 0; i < 500; ++i) {
            log.append(path, QString("line %1").arg(i));
            log.flush();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.size() <= 1000);
        QVERIFY(text.startsWith(QByteArray(CommandLog::kDroppedNote) + "\nline "));
        QCOMPARE(text.count(CommandLog::kDroppedNote), 1);
        QVERIFY(text.endsWith("\nline 498\nline 499\n"));
    }

    void passiveReplies() {
        QCOMPARE(parseEpsvPort("Entering Extended Passive Mode (|||6446|)"), quint16(6446));
        QCOMPARE(parseEpsvPort("Entering (!!!21!)"), quint16(21));
        for (const char* bad : {"(|||0|)", "(|||70000|)", "(|1|2|3|)", "no parentheses"})
            QVERIFY2(!parseEpsvPort(bad), bad);
        QCOMPARE(parsePasvPort("Entering Passive Mode (10,0,0,7,19,137)."),
                 quint16(19 * 256 + 137));
        QCOMPARE(parsePasvPort("=127,0,0,2,4,1"), quint16(1025));
        QVERIFY(!parsePasvPort("(10,0,0,7,300,1)"));
        QVERIFY(!parsePasvPort("(10,0,0,7,0,0)"));
    }

    void listingLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("mlsd");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QDateTime>("date");
        // LIST lines are read as of 2024-03-10: a time-only date after that is of 2023.
        entry("unix folder", "drwxr-xr-x    2 1000     1000         4096 Jan 05 12:34 my folder",
              kFolder, "my folder", 4096, at(2024, 1, 5, 12, 34));
        entry("last year", "-rw-r--r--    1 ftp      ftp      5000000000 Dec 24 18:00 big.iso",
              kFile, "big.iso", Q_INT64_C(5000000000), at(2023, 12, 24, 18));
        entry("link", "lrwxrwxrwx    1 0        0               7 Feb 29  2020 link -> target",
              kLink, "link", 7, at(2020, 2, 29));
        entry("no group", "-rw-r--r-- 1 owner 1234 Jan 01 2020 nogroup.txt", kFile, "nogroup.txt",
              1234, at(2020, 1, 1));
        entry("iso date", "-rw-r--r-- 1 a b 99 2021-06-07 08:09  spaced", kFile, " spaced", 99,
              at(2021, 6, 7, 8, 9));
        entry("device", "crw-rw---- 1 root tty 4, 0 Mar 01 10:00 tty0", kFile, "tty0", 0,
              at(2024, 3, 1, 10));
        entry("dos folder", "01-02-21  03:04PM       <DIR>          Web Site", kFolder, "Web Site",
              0, at(2021, 1, 2, 15, 4));
        entry("dos file", "12-31-1999  12:00AM            1,234,567 old.zip", kFile, "old.zip",
              1234567, at(1999, 12, 31));
        entry("dos noon", "12-31-1999  12:30PM                  7 noon.txt", kFile, "noon.txt", 7,
              at(1999, 12, 31, 12, 30));
        // Numeric dates in several orders, VShell's comma, a two-digit year, the end of a day.
        entry("month day time", "-rw-r--r--   1 root     other        531 3 29 03:26 notes file",
              kFile, "notes file", 531, at(2023, 3, 29, 3, 26));
        entry("mm-dd year", "-rw-r--r--   1 root     other        531 09-26 2000 report 2000.txt",
              kFile, "report 2000.txt", 531, at(2000, 9, 26));
        entry("mm-dd time", "-rw-r--r--   1 root     other        531 09-26 13:45 x", kFile, "x",
              531, at(2023, 9, 26, 13, 45));
        entry("dd-mm-yyyy link", "lrwxrwxrwx 1 user group 11 24-04-2003 17:12 www -> public_html",
              kLink, "www", 11, at(2003, 4, 24, 17, 12));
        entry("slashed", "-r-xr-xr-x   2 root     other      2235 1999/10/12 17:12 old site", kFile,
              "old site", 2235, at(1999, 10, 12, 17, 12));
        entry("dotted", "-r-xr-xr-x   2 root  root  96 2004.07.15   dotted file", kFile,
              "dotted file", 96, at(2004, 7, 15));
        entry("vshell", "-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 vshell file", kFile,
              "vshell file", 9, at(2002, 10, 8, 9, 47));
        entry("dd-mon-yy", "-r-xr-xr-x 2 owner group 4512 01-jun-99 short month", kFile,
              "short month", 4512, at(1999, 6, 1));
        entry("24:00", "-rw-------      1  99999999 0              3 Apr   4 24:00 midnight", kFile,
              "midnight", 3, at(2023, 4, 5));
        entry("name like a time", "-rw-r--r-- 1 u g 99 Jan 01  2020 12:00 backup", kFile,
              "12:00 backup", 99, at(2020, 1, 1));
        entry("no such day", "-rw-r--r-- 1 a b 12 Feb 30 2020 kept", kFile, "kept", 12, {});
        // Month names and date orders of other languages.
        entry("german time", "dr-xr-xr-x   2 root     other      2235 26. Juli, 20:10 Urlaub",
              kFolder, "Urlaub", 2235, at(2023, 7, 26, 20, 10));
        entry("german year", "-r-xr-xr-x   2 root     other      2235 2.   Okt.  2003 Bericht",
              kFile, "Bericht", 2235, at(2003, 10, 2));
        entry("german abbreviation", "drwxr-xr-x 6 user sys 1024 30. Jan., 12:40 fotos", kFolder,
              "fotos", 1024, at(2024, 1, 30, 12, 40));
        entry("hungarian", "dr-xr-xr-x   2 root     other      2235 szept 26 20:10 k\xc3\xa9pek",
              kFolder, "k\xc3\xa9pek", 2235, at(2023, 9, 26, 20, 10));
        entry("japanese",
              "-rw-r--r--   1 root  sys  8473  4\xe6\x9c\x88 18\xe6\x97\xa5 2003\xe5\xb9\xb4 "
              "\xe5\x86\x99\xe7\x9c\x9f.jpg",
              kFile, "\xe5\x86\x99\xe7\x9c\x9f.jpg", 8473, at(2003, 4, 18));
        entry("chinese", "-rw-r--r-- 1 user group 2096 8\xe6\x9c\x88 17 08:52 \xe6\x96\x87.txt",
              kFile, "\xe6\x96\x87.txt", 2096, at(2023, 8, 17, 8, 52));
        entry("korean",
              "drwxr-xr-x   5 root     sys          512 2005\xeb\x85\x84  1\xec\x9b\x94  "
              "6\xec\x9d\xbc \xec\x82\xac\xec\xa7\x84",
              kFolder, "\xec\x82\xac\xec\xa7\x84", 512, at(2005, 1, 6));
        // A size of 2003 before a date that ends in a year must not be read as the year.
        entry("size like a year",
              "-rw-r--r-- 1 0 0 2003 4\xe6\x9c\x88 18\xe6\x97\xa5 2003\xe5\xb9\xb4 x", kFile, "x",
              2003, at(2003, 4, 18));
        entry("size like a year, time", "-rw-r--r-- 1 0 0 2003 4\xe6\x9c\x88 18 12:00 x", kFile,
              "x", 2003, at(2023, 4, 18, 12));
        legacy(
            "shift_jis",
            "-rw-r--r--   1 root  sys  8473  4\x8c\x8e 18\x93\xfa 2003\x94\x4e \x8e\xca\x90^.jpg",
            kFile, "\x8e\xca\x90^.jpg", 8473, at(2003, 4, 18));
        legacy("gbk", "-rw-r--r-- 1 user group 2096 8\xd4\xc2 17 08:52 \xce\xc4\xbc\xfe.txt", kFile,
               "\xce\xc4\xbc\xfe.txt", 2096, at(2023, 8, 17, 8, 52));
        legacy("euc-kr",
               "drwxr-xr-x 5 root sys 512 2005\xb3\xe2  1\xbf\xf9  6\xc0\xcf \xbb\xe7\xc1\xf8",
               kFolder, "\xbb\xe7\xc1\xf8", 512, at(2005, 1, 6));
        legacy("utf-8 as latin-1",
               "-rw-r--r-- 1 u g 7 2003\xe5\xb9\xb4 12\xe6\x9c\x88 25\xe6\x97\xa5 10:00 "
               "\xe5\x86\x99.txt",
               kFile, "\xe5\x86\x99.txt", 7, at(2003, 12, 25, 10));
        // Missing and merged fields.
        entry("dateless", "drwxr-xr-x 3 slopri devlab 512 dateless folder", kFolder,
              "dateless folder", 512, {});
        entry("no link count", "-r--r--r-- 0125039 12 Nov 11 2005 no owner", kFile, "no owner", 12,
              at(2005, 11, 11));
        entry("glued size", "-r-xr-xr-x longowner longgroup123456 Feb 12 17:20 glued size", kFile,
              "glued size", 123456, at(2024, 2, 12, 17, 20));
        entry("size unit", "-rw-r--r--   1 root     other  33.5k Oct 5 21:22 half", kFile, "half",
              34304, at(2023, 10, 5, 21, 22));
        const QDateTime stamp(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC);
        entry("mlsd file", "type=file;size=42;modify=20240102030405; a; b.txt", kFile, "a; b.txt",
              42, stamp);
        entry("mlsd dir", "Type=DIR;Modify=20240102030405.123; sub", kFolder, "sub", 0, stamp);
        entry("mlsd slink", "type=OS.unix=slink:/etc;size=4; l", kLink, "l", 4, {});
        entry("mlsd symlink", "type=OS.unix=symlink; l2", kLink, "l2", 0, {});
        entry("mlsd cdir", "type=cdir; /whatever", kFolder, ".", 0, {});
        entry("mlsd pdir", "type=pdir; x", kFolder, "..", 0, {});
        entry("mlsd tab",
              "size=1365694195;type=file;modify=20240102030405;\tTV 2009-07-22 08-25.ts", kFile,
              "TV 2009-07-22 08-25.ts", 1365694195, stamp);
        entry("mlsd leading", "Type=file; \t leading", kFile, "\t leading", 0, {});
        entry("mlsd trailing", "type=dir; trailing \t ", kFolder, "trailing \t ", 0, {});
        for (const char* line :
             {"total 12", "garbage", "drwxr-xr-x 2 a b 4096 Jan 05 12:34",
              "-rw-r--r-- 1 a b notasize Jan 05 12:34 x", "01-02-21 nonsense",
              // Dates not understood leave their pieces out of any name.
              "-rw-r--r-- 1 u g 120 \xce\x9c\xce\xac\xce\xb9 5 12:00 unknown",
              "drwxr-xr-x 3 u g 512 Mai 5th 2003 lost", "drwxr-xr-x 3 u g 512 5"})
            junk(line, false);
        for (const char* line : {"no-facts-no-space", "type=file;broken; x", "type=file; "})
            junk(line, true);
    }
    void listingLines() {
        QFETCH(QString, line);
        QFETCH(bool, mlsd);
        QFETCH(bool, parsed);
        const ListingEntry e = mlsd ? parseMlsdLine(line) : parseListLine(line, QDate(2024, 3, 10));
        QCOMPARE(e.parsed, parsed);
        QCOMPARE(e.raw, line);
        if (!parsed)
            return;
        QTEST(e.kind, "kind");
        QTEST(e.name, "name");
        QTEST(e.size, "size");
        QTEST(e.date, "date");
    }

    void listingStream() {
        // CRLF split across pieces, the ls total line, "." and "..", an unparsed line kept with its
        // text, Latin-1 names, and a last line without line end.
        ListingParser p(ListingParser::List, false, QDate(2024, 3, 10));
        const QByteArray data =
            "total 8\r\ndrwxr-xr-x 2 a b 4096 Jan 05 12:34 .\r\n"
            "drwxr-xr-x 2 a b 4096 Jan 05 12:34 ..\r\nwhat is this\r\n"
            "-rw-r--r-- 1 a b 1 Jan 05 12:34 caf\xe9.txt\r\n-rw-r--r-- 1 a b 2 Jan 05 12:34 last";
        for (qsizetype i = 0; i < data.size(); i += 5)
            p.feed(data.mid(i, 5));
        p.finish();
        const QList<ListingEntry> entries = p.take();
        QCOMPARE(entries.size(), 3);
        QVERIFY(!entries[0].parsed);
        QCOMPARE(entries[0].raw, QString("what is this"));
        QCOMPARE(entries[1].name, QString::fromUtf8("caf\xc3\xa9.txt"));
        QCOMPARE(entries[2].name, QString("last"));
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
    }

    void remoteAndLocalNames() {
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
        for (const char* bad :
             {"", ".", "..", "../x", "a/b", "a\\b", "/abs/name", "C:evil", "bell\x07", "del\x7f"})
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

    void progressHoldsWhenAFileStartsOver() {
        FtpComponent client;
        OpContext ctx;
        Notifier notify(&client, ctx);
        QSignalSpy spy(&client, &FtpClient::TransferProgress);
        ProgressMeter meter(notify, 200, 2);
        meter.start("a", "b", 100);
        meter.update(80);
        // Sent again from its start after a reconnect: the window's bar does not go back.
        meter.start("a", "b", 100);
        QTest::qWait(ProgressMeter::kIntervalMs + 5);
        meter.update(10);
        QTest::qWait(ProgressMeter::kIntervalMs + 5);
        meter.update(90);
        QList<int> percents;
        for (const QList<QVariant>& args : std::as_const(spy))
            percents << args.at(4).toInt();
        QCOMPARE(percents, QList<int>({40, 40, 45}));
    }
};

QTEST_GUILESS_MAIN(ParsersTest)
#include "tst_parsers.moc"
