#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <optional>

#include "Crypt.h"
#include "FullDisk.h"
#include "ProfileFile.h"
#include "Service.h"
#include "SigninSupport.h"
#include "TransferProfile.h"

namespace {

// The saved-password reader as it always was: 79 characters at most, the first two give the
// length. Every value it was given must still read the same.
QString oldLoad(QString value) {
    value = value.left(79);
    auto number = [](QStringView text, int base) {
        int n = 0;
        for (QChar c : text) {
            bool ok = false;
            const int d = QString(c).toInt(&ok, base);
            if (!ok)
                break;
            n = n * base + d;
        }
        return n;
    };
    const QString body = value.mid(2, number(QStringView(value).left(2), 10));
    QString text;
    for (int i = 0; i < body.size(); i += 2)
        text += QChar(ushort(number(QStringView(body).mid(i, 2), 16) ^ u"KORVANITE"[i / 2 % 9]));
    return text;
}

QString randomPassword(QRandomGenerator& random, int length) {
    QString text;
    for (int i = 0; i < length; ++i)
        text += QChar(ushort(random.bounded(1, 256)));
    return text;
}

QString storedInFile() {
    return readProfileString("ConnectionInfo", "LastPasswordUsed", "<none>", 100000,
                             settingsPath());
}

struct WriteCase {
    QByteArray before;  // null: no file
    QString section, key, value;
    QByteArray after;       // the same as before: refused
    bool fullDisk = false;  // the file lies on a disk with no space left
};

}  // namespace

Q_DECLARE_METATYPE(WriteCase)

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void readLimits();
    void write_data();
    void write();
    void programFolderAndService();
    void storedPasswordForms();
    void everyValueReadsAsTheOldReaderDid();
    void savedPasswordsThroughTheFile();
};

void SettingsTest::read_data() {
    QTest::addColumn<QByteArray>("file");  // null: no file
    QTest::addColumn<QString>("value");
    auto row = [](const char* tag, const QByteArray& file, const QString& value) {
        QTest::newRow(tag) << file << value;
    };
    row("no file", {}, "<default>");
    row("CRLF, letter case, blanks", "; settings\r\n[info]\r\n  HOST =  a b  \r\n", "a b");
    row("LF lines", "[Info]\nHost=h\n", "h");
    row("no final line end", "[Info]\r\nHost=h", "h");
    row("double quotes", "[Info]\r\nHost=\" a b \"", " a b ");
    row("single quotes", "[Info]\r\nHost='x'", "x");
    row("unbalanced quote", "[Info]\r\nHost=\"x", "\"x");
    row("lone quote", "[Info]\r\nHost=\"", "\"");
    row("empty quotes", "[Info]\r\nHost=\"\"", "");
    row("no escapes", "[Info]\r\nHost=a\\nb=c", "a\\nb=c");
    row("Latin-1", "[Info]\r\nHost=caf\xe9", QString::fromLatin1("caf\xe9"));
    row("first section of the name only", "[Info]\r\nOther=1\r\n[Service]\r\n[INFO]\r\nHost=2\r\n",
        "<default>");
    row("first key of the name", "[Info]\r\nHost=one\r\nhost=two\r\n", "one");
    row("key of another section", "[Service]\r\nHost=x\r\n", "<default>");
}

void SettingsTest::read() {
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    ProgramFolder folder;
    if (!file.isNull())
        writeBytes(settingsPath(), file);
    QCOMPARE(readProfileString("Info", "Host", "<default>", 256, settingsPath()), value);
}

void SettingsTest::readLimits() {
    ProgramFolder folder;
    const QString path = settingsPath();
    const QByteArray value(300, 'v');
    writeBytes(path, "[S]\r\nK=" + value + "\r\nQ=\"" + value + "\"\r\n");
    QCOMPARE(readProfileString("S", "K", "", 80, path), QString(79, u'v'));
    QCOMPARE(readProfileString("S", "Q", "", 80, path), QString(79, u'v'));
    QCOMPARE(readProfileString("S", "K", "", 1, path), QString());
    QCOMPARE(readProfileString("S", "K", "", 0, path), QString());
    QCOMPARE(readProfileString("S", "missing", "default", 4, path), QStringLiteral("def"));
    const QString nowhere = folder.path("none/Ferrymate.ini");
    QCOMPARE(readProfileString("S", "K", "d", 256, nowhere), QStringLiteral("d"));
    QVERIFY(!writeProfileString("S", "K", "v", nowhere));
}

void SettingsTest::write_data() {
    QTest::addColumn<WriteCase>("c");
    addCase<WriteCase>("creates the file", QByteArray(), "Info", "Host", "alice",
                       "[Info]\r\nHost=alice\r\n");
    addCase<WriteCase>("new section, leading blanks dropped", "[Info]\r\nHost=a\r\n", "Other",
                       "Key", "  spaced value ",
                       "[Info]\r\nHost=a\r\n[Other]\r\nKey=spaced value \r\n");
    addCase<WriteCase>(
        "replaced in place, other lines kept",
        "; kept\n[info]\nhost = old\nlone line\n\n[Service]\nDomain=d\n", "Info", "Host", "new",
        "; kept\r\n[info]\r\nhost=new\r\nlone line\r\n\r\n[Service]\r\nDomain=d\r\n");
    addCase<WriteCase>("added after the section's last line",
                       "[Info]\r\nA=1\r\n\r\n[Service]\r\nDomain=d\r\n", "INFO", "B", "2",
                       "[Info]\r\nA=1\r\nB=2\r\n\r\n[Service]\r\nDomain=d\r\n");
    addCase<WriteCase>("Latin-1", QByteArray(), "S", "K", QString::fromLatin1("caf\xe9"),
                       "[S]\r\nK=caf\xe9\r\n");
    // Text that would break the line format is refused and the file left alone.
    const QByteArray kept("[Info]\r\nHost=alice\r\n");
    addCase<WriteCase>("value with CRLF", kept, "Info", "Host", "x\r\n[Service]", kept);
    addCase<WriteCase>("value with LF", kept, "Info", "Host", "x\ny=1", kept);
    addCase<WriteCase>("key with =", kept, "Info", "A=B", "x", kept);
    addCase<WriteCase>("empty key", kept, "Info", "", "x", kept);
    addCase<WriteCase>("section with ]", kept, "In]fo", "K", "x", kept);
    // A write that fails leaves the old file whole: the account and saved password stay.
    addCase<WriteCase>("full disk", kept, "Info", "Host", QString(6000, u'x'), kept, true);
}

void SettingsTest::write() {
    QFETCH(WriteCase, c);
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
    QCOMPARE(writeProfileString(c.section, c.key, c.value, path), written);
    QCOMPARE(fileBytes(path), c.after);
    if (written) {
        QCOMPARE(readProfileString(c.section, c.key, "", 256, path), c.value.trimmed());
        // The file may hold the saved password: only its owner reads it.
        QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
}

void SettingsTest::programFolderAndService() {
    QCOMPARE(appPathFrom("/"), QStringLiteral("/"));
    QCOMPARE(appPathFrom("/opt/ferry"), QStringLiteral("/opt/ferry/"));
    {
        ProgramFolder folder;
        QCOMPARE(settingsPath(), folder.path("Ferrymate.ini"));
        QCOMPARE(serviceDomain(), QStringLiteral(FERRYMATE_SERVICE_DOMAIN));
        QCOMPARE(servicePort(), QStringLiteral("21"));
        writeBytes(settingsPath(), "[service]\r\ndomain=demo.localhost\r\nPORT=2121\r\n");
        QCOMPARE(serviceDomain(), QStringLiteral("demo.localhost"));
        QCOMPARE(servicePort(), QStringLiteral("2121"));
        for (const QByteArray port : {"ftp", "0", "70000", "-5"}) {
            writeBytes(settingsPath(), "[Service]\r\nPort=" + port + "\r\n");
            QCOMPARE(servicePort(), QStringLiteral("21"));
        }
        QCOMPARE(connectionsSetting(), 4);
        for (const auto& [value, count] :
             {std::pair<QByteArray, int>{"7", 7}, {" 1", 1}, {"0", 1}, {"11", 10}, {"four", 4}}) {
            writeBytes(settingsPath(), "[transfer]\r\nCONNECTIONS=" + value + "\r\n");
            QCOMPARE(connectionsSetting(), count);
        }
    }
    QCOMPARE(GetAppPath(), QCoreApplication::applicationDirPath() + u'/');
}

void SettingsTest::storedPasswordForms() {
    const std::pair<QString, QString> forms[] = {{"", "00"},
                                                 {"a", "022A"},
                                                 {"KORVANITE", "18000000000000000000"},
                                                 {"KORVANITEK", "2000000000000000000000"},
                                                 {"z~", "043131"},
                                                 {"\nE", "04410A"},
                                                 {QString::fromLatin1("h\xe9llo"), "1023A63E3A2E"}};
    for (const auto& [password, stored] : forms) {
        QCOMPARE(storedPasswordForm(password), stored);
        QCOMPARE(passwordFromStoredForm(stored), password);
    }
}

void SettingsTest::everyValueReadsAsTheOldReaderDid() {
    QStringList values = QStringLiteral("|5|ab|-1|99410A|02410A|03410|04ZZ4G|4x410A").split(u'|');
    values << QString(26, u'9') << QString(300, u'7') << "0100" + QString(96, u'A');
    QRandomGenerator random(38);
    for (int round = 0; round < 20; ++round) {
        for (int length = 0; length <= 38; ++length)
            values << storedPasswordForm(randomPassword(random, length));
    }
    // Junk too, but not stored forms as written that the old 79-character limit cut short.
    const QString alphabet = QStringLiteral("0123456789ABCDEFabcxyz -&");
    for (int round = 0; round < 3000; ++round) {
        QString value;
        for (int i = random.bounded(0, 120); i > 0; --i)
            value += alphabet[random.bounded(int(alphabet.size()))];
        const bool cut = value.size() > 79 && value[0].isDigit() && value[1].isDigit() &&
                         value.left(2).toInt() == value.size() - 2;
        if (!cut)
            values << value;
    }
    for (const QString& value : values)
        QCOMPARE(passwordFromStoredForm(value), oldLoad(value));
}

void SettingsTest::savedPasswordsThroughTheFile() {
    ProgramFolder folder;
    QCOMPARE(LoadPassword(), QString());
    QRandomGenerator random(2024);
    for (int length = 0; length <= 130; ++length) {
        const QString password = randomPassword(random, length);
        SavePassword(password);
        QCOMPARE(storedInFile(), storedPasswordForm(password));
        QCOMPARE(LoadPassword(), password);
    }
    QVERIFY(storedPasswordForm(QString(50, u'x')).startsWith(u"100"));
    // It could not come back unchanged, so nothing is saved.
    SavePassword(QStringLiteral("pass\u20ac"));
    QCOMPARE(storedInFile(), QString());
    QCOMPARE(LoadPassword(), QString());
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_Settings.moc"
