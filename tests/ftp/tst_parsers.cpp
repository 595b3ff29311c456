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
#include "TestFiles.h"

using namespace ftp;

// The parts of the component that need no network.
class ParsersTest : public QObject {
    Q_OBJECT

    // A listing line and what it gives as "KIND|NAME|SIZE|DATE" (KIND f, d or l; DATE local
    // yyyyMMddHHmm for LIST, UTC yyyyMMddHHmmss for MLSD), empty when it gives no entry. LIST
    // lines are read as of 2024-03-10: a time-only date after that is of 2023.
    static void row(const char* line, const char* expected = "", bool mlsd = false) {
        QTest::addRow("%s", line) << QString::fromUtf8(line) << mlsd << QString::fromUtf8(expected);
    }
    static void mlsd(const char* line, const char* expected = "") { row(line, expected, true); }

private slots:
    void replies() {
        // A noise line, a single-line reply, a multi-line reply whose inner lines begin with other
        // codes and with its own code followed by "-", and bare LF line ends.
        const QByteArray stream =
            "Welcome banner without code\r\n220 Ready\r\n211-Features:\r\n MLST type*;\r\n"
            "200 not the end\r\n211-still not the end\n211 End\r\n200\r\n";
        for (const int piece : {1, 7, 1000}) {
            ReplyParser p;
            for (qsizetype i = 0; i < stream.size(); i += piece)
                p.feed(stream.mid(i, piece));
            QStringList replies;  // "CODE LINE|LINE..."
            while (p.hasReply()) {
                const RawReply r = p.takeReply();
                replies << QString::number(r.code) + ' ' + QString(r.lines.join('|'));
            }
            QCOMPARE(replies, QStringList({"0 Welcome banner without code", "220 220 Ready",
                                           "211 211-Features:| MLST type*;|200 not the end|"
                                           "211-still not the end|211 End",
                                           "200 200"}));
        }
        // Past a limit the parser stops with an error and reads nothing more: a line or a reply
        // that does not end, lines without a code however many replies came before them.
        const int many = ReplyParser::kMaxReplyLines + 1;
        for (const QByteArray& bad : {QByteArray(ReplyParser::kMaxLine + 10, 'x'),
                                      "123-start\r\n" + QByteArray("more\r\n").repeated(many),
                                      "220 Hello.\r\n" + QByteArray("noise\r\n").repeated(many)}) {
            ReplyParser p;
            p.feed(bad);
            QVERIFY(!p.error().isEmpty());
            p.feed("200 Fine.\r\n");
            while (p.hasReply())
                QVERIFY(p.takeReply().code != 200);
        }
        QCOMPARE((Reply{550, {"550-First", " second", "550 Last."}}).text(), "First second Last.");
        QCOMPARE(serverError(Reply{421, {"421"}}).description, QString("The server answered 421."));
        QCOMPARE(parseQuotedPath("257 \"/unterminated"), QString());
    }

    // The command log file keeps its newest lines below its size and says that it dropped the
    // others.
    void commandLogSize() {
        QTemporaryDir dir;
        const QString path = dir.filePath("FerryFTP.log");
        CommandLog log(1000);
        for (int i = 0; i < 500; ++i) {
            log.append(path, QString("line %1").arg(i));
            log.flush();
        }
        const QByteArray text = readFile(path);
        QVERIFY(text.size() <= 1000);
        QVERIFY(text.startsWith(QByteArray(CommandLog::kDroppedNote) + "\nline "));
        QVERIFY(text.endsWith("\nline 498\nline 499\n"));
    }

    // Passive replies, masks, remote paths with either slash, local names taken from a listing,
    // and line ends converted in chunks (a CRLF pair split between two stays one line end).
    void portsMasksPathsAndLineEnds() {
        QCOMPARE(parseEpsvPort("Entering Extended Passive Mode (|||6446|)"), quint16(6446));
        QCOMPARE(parseEpsvPort("Entering (!!!21!)"), quint16(21));
        QCOMPARE(parsePasvPort("Entering Passive Mode (10,0,0,7,19,137)."), quint16(5001));
        for (const char* bad :
             {"(|||0|)", "(|||70000|)", "(|1|2|3|)", "(10,0,0,7,300,1)", "(1,2,3,4,0,0)"})
            QVERIFY2(!parseEpsvPort(bad) && !parsePasvPort(bad), bad);
        for (const QString maskAndName : {"*.swf MOVIE.SWF", "*.* README", " any", "a?c abc"})
            QVERIFY2(Mask(maskAndName.section(' ', 0, 0)).matches(maskAndName.section(' ', 1)),
                     qPrintable(maskAndName));
        QVERIFY(!Mask("*.swf").matches("movie.swf.txt"));
        QVERIFY(!Mask("*a*a*a*a*a*a*b").matches(QString(2000, 'a')));

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
        for (const char* bad : {"", ".", "..", "../x", "a\\b", "C:evil", "bell\x07", "del\x7f"})
            QVERIFY2(!isSafeLocalName(QString::fromLatin1(bad)), bad);
        for (const char* good : {"..hidden", "ab:c"})
            QVERIFY2(isSafeLocalName(QString::fromLatin1(good)), good);

        AsciiConverter up(AsciiConverter::ToNetwork), down(AsciiConverter::ToLocal);
        QByteArray sent = up.convert("a\nb\r");
        sent += up.convert("\nc\n");
        QCOMPARE(sent + up.finish(), QByteArray("a\r\nb\r\nc\r\n"));
        QByteArray kept = down.convert("a\r\nb\r");
        kept += down.convert("\nc\rd\r");
        QCOMPARE(kept + down.finish(), QByteArray("a\nb\nc\rd\r"));
    }

    void listingLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("mlsd");
        QTest::addColumn<QString>("expected");
        row("-rw-r--r-- 1 a b 5000000000 Dec 24 18:00 big", "f|big|5000000000|202312241800");
        row("lrwxrwxrwx 1 0 0 7 Feb 29  2020 link -> target", "l|link|7|202002290000");
        row("-rw-r--r-- 1 a b 99 2021-06-07 08:09  spaced", "f| spaced|99|202106070809");
        row("01-02-21  03:04PM       <DIR>          Web Site", "d|Web Site|0|202101021504");
        row("12-31-1999  12:00AM      1,234,567 old.zip", "f|old.zip|1234567|199912310000");
        row("12-31-1999  12:30PM              7 noon.txt", "f|noon.txt|7|199912311230");
        // Numeric dates in several orders, VShell's comma, a two-digit year, the end of a day.
        row("-rw-r--r-- 1 a b 531 3 29 03:26 notes file", "f|notes file|531|202303290326");
        row("-rw-r--r-- 1 a b 531 09-26 2000 report 2000", "f|report 2000|531|200009260000");
        row("-rw-r--r-- 1 a b 531 09-26 13:45 x", "f|x|531|202309261345");
        row("lrwxrwxrwx 1 a b 11 24-04-2003 17:12 www -> public", "l|www|11|200304241712");
        row("-r-xr-xr-x 2 a b 2235 1999/10/12 17:12 old site", "f|old site|2235|199910121712");
        row("-r-xr-xr-x 2 a b 96 2004.07.15   dotted file", "f|dotted file|96|200407150000");
        row("-rwxr-xr-x 1 a b 9 Oct 08, 2002 09:47 vshell", "f|vshell|9|200210080947");
        row("-r-xr-xr-x 2 a b 4512 01-jun-99 short month", "f|short month|4512|199906010000");
        row("-rw------- 1 99999999 0 3 Apr   4 24:00 midnight", "f|midnight|3|202304050000");
        row("-rw-r--r-- 1 u g 99 Jan 01  2020 12:00 backup", "f|12:00 backup|99|202001010000");
        row("-rw-r--r-- 1 a b 12 Feb 30 2020 kept", "f|kept|12|");
        // Month names and date orders of other languages; a size of 2003 before a date that ends
        // in a year, or before a month with its sign, is not read as the year.
        row("dr-xr-xr-x 2 a b 2235 26. Juli, 20:10 Urlaub", "d|Urlaub|2235|202307262010");
        row("drwxr-xr-x 5 a b 512 2005년  1월  6일 사", "d|사|512|200501060000");
        row("-rw-r--r-- 1 0 0 2003 4月 18日 2003年 写.jpg", "f|写.jpg|2003|200304180000");
        row("-rw-r--r-- 1 0 0 2003 4月 18 12:00 x", "f|x|2003|202304181200");
        row("drwxr-xr-x 3 a b 512 dateless folder", "d|dateless folder|512|");
        row("-r--r--r-- 0125039 12 Nov 11 2005 no owner", "f|no owner|12|200511110000");
        row("-r-xr-xr-x owner longgroup123456 Feb 12 17:20 glued", "f|glued|123456|202402121720");
        row("-rw-r--r-- 1 a b 33.5k Oct 5 21:22 half", "f|half|34304|202310052122");
        mlsd("type=file;size=42;modify=20240102030405; a; b.txt", "f|a; b.txt|42|20240102030405");
        mlsd("Type=DIR;Modify=20240102030405.123; sub", "d|sub|0|20240102030405");
        mlsd("type=OS.unix=slink:/etc;size=4; l", "l|l|4|");
        mlsd("type=OS.unix=symlink; l2", "l|l2|0|");
        mlsd("type=cdir; /whatever", "d|.|0|");
        mlsd("type=pdir; x", "d|..|0|");
        mlsd("size=1365694195;type=file;\tTV 22 08-25.ts", "f|TV 22 08-25.ts|1365694195|");
        mlsd("type=dir; \t both \t ", "d|\t both \t |0|");
        // Dates not understood leave their pieces out of any name.
        for (const char* line :
             {"drwxr-xr-x 2 a b 4096 Jan 05 12:34", "-rw-r--r-- 1 a b notasize Jan 05 12:34 x",
              "-rw-r--r-- 1 u g 120 Μάι 5 12:00 unknown", "drwxr-xr-x 3 u g 512 Mai 5th 2003 lost"})
            row(line);
        for (const char* line : {"no-facts-no-space", "type=file;broken; x", "type=file; "})
            mlsd(line);
    }
    void listingLines() {
        QFETCH(QString, line);
        QFETCH(bool, mlsd);
        const ListingEntry e = mlsd ? parseMlsdLine(line) : parseListLine(line, QDate(2024, 3, 10));
        QCOMPARE(e.raw, line);
        const QString date =
            mlsd ? e.date.toUTC().toString("yyyyMMddHHmmss") : e.date.toString("yyyyMMddHHmm");
        const QString kind(QChar("fdl"[e.kind]));
        const QString got = QStringList{kind, e.name, QString::number(e.size), date}.join('|');
        QTEST(e.parsed ? got : QString(), "expected");
    }

    void listingStream() {
        // CRLF split across pieces, the ls total line, "." and "..", an unparsed line kept with its
        // text, a last line without line end. Without UTF-8 names keep the server's bytes (as
        // Latin-1), so a command can name the file again, and CJK dates are read from those bytes.
        ListingParser p(ListingParser::List, false, QDate(2024, 3, 10));
        const QByteArray data =
            "total 8\r\ndrwxr-xr-x 2 a b 4096 Jan 05 12:34 .\r\n"
            "drwxr-xr-x 2 a b 4096 Jan 05 12:34 ..\r\nwhat is this\r\n"
            "-rw-r--r-- 1 a b 1 Jan 05 12:34 caf\xe9.txt\r\n"
            "-rw-r--r-- 1 u g 7 2003年 12月 25日 10:00 写\r\n"
            "-rw-r--r-- 1 a b 2 Jan 05 12:34 last";
        for (qsizetype i = 0; i < data.size(); i += 5)
            p.feed(data.mid(i, 5));
        p.finish();
        QStringList got;  // names, and after "?" the text of a line not understood
        for (const ListingEntry& e : p.take())
            got << (e.parsed ? e.name : "?" + e.raw);
        QCOMPARE(got, QStringList({"?what is this", QString::fromUtf8("caf\xc3\xa9.txt"),
                                   QString::fromLatin1("写"), "last"}));
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
