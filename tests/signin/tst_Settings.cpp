#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <optional>

#include "Crypt.h"
#include "FullDisk.h"
#include "ProfileFile.h"
#include "Service.h"
#include "SigninSupport.h"
#include "TransferProfile.h"

namespace {

struct WriteCase {
    QByteArray before;            // null: no file
    QString section, key, value;  // section "password": the password saved
    QByteArray after;             // the same as before: refused
    bool fullDisk = false;        // the file lies on a disk with no space left
};

}  // namespace

Q_DECLARE_METATYPE(WriteCase)

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    // What a settings file gives: key "Host" of section "Info" read into a buffer of `size`
    // characters, the service and transfer settings, or the saved password.
    void read_data() {
        QTest::addColumn<QByteArray>("file");  // null: no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("value");
        auto row = [](const QByteArray& tag, const QByteArray& file, const QString& value,
                      int size = 256, const char* key = "Host") {
            QTest::newRow(tag.constData()) << file << QString(key) << size << value;
        };
        row("CRLF, letter case, blanks", "; settings\r\n[info]\r\n  HOST =  a b  \r\n", "a b");
        row("LF lines, no final line end", "[Info]\nHost=h", "h");
        row("double quotes", "[Info]\r\nHost=\" a b \"", " a b ");
        row("single quotes", "[Info]\r\nHost='x'", "x");
        row("unbalanced quote", "[Info]\r\nHost=\"x", "\"x");
        row("lone quote", "[Info]\r\nHost=\"", "\"");
        row("empty quotes", "[Info]\r\nHost=\"\"", "");
        row("Latin-1", "[Info]\r\nHost=caf\xe9", QString::fromLatin1("caf\xe9"));
        row("first section of the name only",
            "[Info]\r\nOther=1\r\n[Service]\r\n[INFO]\r\nHost=2\r\n", "<default>");
        row("first key of the name", "[Info]\r\nHost=one\r\nhost=two\r\n", "one");
        const QByteArray longer =
            "[Info]\r\nHost=" + QByteArray(300, 'v') + "\r\nQ=\"" + QByteArray(300, 'v') + "\"\r\n";
        row("cut to the buffer", longer, QString(79, u'v'), 80);
        row("quoted, cut to the buffer", longer, QString(79, u'v'), 80, "Q");
        row("buffer of 0", longer, "", 0);
        row("default cut to the buffer", {}, "<de", 4);
        for (const char* port : {"ftp", "0", "70000"})
            row("port " + QByteArray(port), "[Service]\r\nDomain=d\r\nPort=" + QByteArray(port),
                "d:21", 0, "service");
        row("connections by default", {}, "4", 0, "connections");
        for (const auto& [value, count] :
             {std::pair{"7", "7"}, {"0", "1"}, {"11", "10"}, {"four", "4"}})
            row("connections " + QByteArray(value),
                "[transfer]\r\nCONNECTIONS=" + QByteArray(value), count, 0, "connections");
        // The saved password: its stored forms as they always were ("password": saving it
        // writes the same file back), and anything else read as the old reader read it: the
        // first two characters give the length, and what is no number counts as far as it is one.
        auto password = [&](const QByteArray& stored, const QString& value, const char* key) {
            row(key + (' ' + stored.left(20)),
                "[ConnectionInfo]\r\nLastPasswordUsed=" + stored + "\r\n", value, 0, key);
        };
        password("00", "", "password");
        password("2000000000000000000000", "KORVANITEK", "password");
        password("04410A", "\nE", "password");
        password("1023A63E3A2E", QString::fromLatin1("h\xe9llo"), "password");
        // Fifty characters and more take three length digits.
        password("100" + QByteArray("0004191D0A05021F0E").repeated(6).left(100), QString(50, u'K'),
                 "password");
        const std::pair<QByteArray, QString> malformed[] = {
            {"5", ""}, {"4x410A", "\nE"}, {"04ZZ4G", "KK"}, {"0100" + QByteArray(96, 'A'), "K"}};
        for (const auto& [stored, value] : malformed)
            password(stored, value, "malformed");
    }

    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(int, size);
        QFETCH(QString, value);
        ProgramFolder folder;
        QCOMPARE(settingsPath(), folder.path("Ferrymate.ini"));
        if (!file.isNull())
            writeBytes(settingsPath(), file);
        if (key == u"service")
            QCOMPARE(serviceDomain() + u':' + servicePort(), value);
        else if (key == u"connections")
            QCOMPARE(QString::number(connectionsSetting()), value);
        else if (key == u"Host" || key == u"Q")
            QCOMPARE(readProfileString("Info", key, "<default>", size, settingsPath()), value);
        else
            QCOMPARE(LoadPassword(), value);
        if (key == u"password") {
            QVERIFY(SavePassword(value));
            QCOMPARE(fileBytes(settingsPath()), file);
        }
    }

    void write_data() {
        QTest::addColumn<WriteCase>("c");
        auto row = [](const char* tag, const WriteCase& c) { QTest::newRow(tag) << c; };
        row("creates the file",
            {QByteArray(), "Info", "Host", "alice", "[Info]\r\nHost=alice\r\n"});
        row("new section, leading blanks dropped",
            {"[Info]\r\nHost=a\r\n", "Other", "Key", "  spaced value ",
             "[Info]\r\nHost=a\r\n[Other]\r\nKey=spaced value \r\n"});
        row("replaced in place, other lines kept",
            {"; kept\n[info]\nhost = old\nlone line\n\n[Service]\nDomain=d\n", "Info", "Host",
             "new", "; kept\r\n[info]\r\nhost=new\r\nlone line\r\n\r\n[Service]\r\nDomain=d\r\n"});
        row("added after the section's last line",
            {"[Info]\r\nA=1\r\n\r\n[Service]\r\nDomain=d\r\n", "INFO", "B", "2",
             "[Info]\r\nA=1\r\nB=2\r\n\r\n[Service]\r\nDomain=d\r\n"});
        row("Latin-1",
            {QByteArray(), "S", "K", QString::fromLatin1("caf\xe9"), "[S]\r\nK=caf\xe9\r\n"});
        // A password that could not come back unchanged is not saved.
        row("password not Latin-1", {QByteArray(), "password", "", "pass\u20ac",
                                     "[ConnectionInfo]\r\nLastPasswordUsed=\r\n"});
        // Text that would break the line format is refused and the file left alone.
        const QByteArray kept("[Info]\r\nHost=alice\r\n");
        row("value with CR", {kept, "Info", "Host", "x\r[Service]", kept});
        row("value with LF", {kept, "Info", "Host", "x\ny=1", kept});
        row("key with =", {kept, "Info", "A=B", "x", kept});
        row("empty key", {kept, "Info", "", "x", kept});
        row("section with ]", {kept, "In]fo", "K", "x", kept});
        // A write that fails leaves the old file whole: the account and saved password stay.
        row("full disk", {kept, "Info", "Host", QString(6000, u'x'), kept, true});
    }

    void write() {
        QFETCH(WriteCase, c);
        // With no folder set, the settings lie beside the program.
        QCOMPARE(GetAppPath(), QCoreApplication::applicationDirPath() + u'/');
        ProgramFolder folder;
        QString path = settingsPath();
        std::optional<SmallDisk> disk;
        if (c.fullDisk) {
            disk.emplace(folder.path("disk"), 16 * 1024);
            QVERIFY(disk->mounted());
            path = folder.path("disk/Ferrymate.ini");
        }
        if (!c.before.isNull())
            writeBytes(path, c.before);
        if (disk)
            disk->fill();
        const bool written = c.after != c.before;
        QCOMPARE(c.section == u"password" ? SavePassword(c.value)
                                          : writeProfileString(c.section, c.key, c.value, path),
                 written);
        QCOMPARE(fileBytes(path), c.after);
        // The file may hold the saved password: only its owner reads it.
        if (written)
            QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_Settings.moc"
