#include <QCoreApplication>
#include <QTest>

#include "AppPath.h"
#include "ProfileFile.h"
#include "Service.h"
#include "SigninSupport.h"

class ProfileTest : public QObject {
    Q_OBJECT
private slots:
    void readsAsThePlatformDoes_data();
    void readsAsThePlatformDoes();
    void readLimitIsBufferLessOne();
    void missingFileSectionOrKeyGiveDefault();
    void writeCreatesFileAndSection();
    void writeReplacesInPlaceKeepingOtherLines();
    void writeAddsKeyAtEndOfItsSection();
    void writeRefusesTextThatBreaksLines();
    void writesLatin1();
    void appPath();
    void serviceOverrides();
};

void ProfileTest::readsAsThePlatformDoes_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");
    QTest::newRow("CRLF, other letter case, blanks")
        << QByteArray(
               "; settings\r\n[connectioninfo]\r\n  LASTSERVERADDRESSUSED =  host.example  "
               "\r\n")
        << "host.example";
    QTest::newRow("LF lines") << QByteArray("[ConnectionInfo]\nLastServerAddressUsed=h\n") << "h";
    QTest::newRow("no final line end")
        << QByteArray("[ConnectionInfo]\r\nLastServerAddressUsed=h") << "h";
    QTest::newRow("double quotes")
        << QByteArray("[ConnectionInfo]\r\nLastServerAddressUsed=\" a b \"") << " a b ";
    QTest::newRow("single quotes")
        << QByteArray("[ConnectionInfo]\r\nLastServerAddressUsed='x'") << "x";
    QTest::newRow("unbalanced quote")
        << QByteArray("[ConnectionInfo]\r\nLastServerAddressUsed=\"x") << "\"x";
    QTest::newRow("lone quote") << QByteArray("[ConnectionInfo]\r\nLastServerAddressUsed=\"")
                                << "\"";
    QTest::newRow("no escapes") << QByteArray("[ConnectionInfo]\r\nLastServerAddressUsed=a\\nb=c")
                                << "a\\nb=c";
    QTest::newRow("first section of the name only")
        << QByteArray(
               "[ConnectionInfo]\r\nOther=1\r\n[Service]\r\n[CONNECTIONINFO]\r\n"
               "LastServerAddressUsed=second\r\n")
        << "<default>";
    QTest::newRow("first key of the name")
        << QByteArray(
               "[ConnectionInfo]\r\nLastServerAddressUsed=one\r\nlastserveraddressused=two\r\n")
        << "one";
    QTest::newRow("key of another section")
        << QByteArray("[Service]\r\nLastServerAddressUsed=x\r\n") << "<default>";
}

void ProfileTest::readsAsThePlatformDoes() {
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    ProgramFolder folder;
    WriteBytes(folder.settings(), file);
    QCOMPARE(
        ReadProfileString(QStringLiteral("ConnectionInfo"), QStringLiteral("LastServerAddressUsed"),
                          QStringLiteral("<default>"), 256, folder.settings()),
        value);
}

void ProfileTest::readLimitIsBufferLessOne() {
    ProgramFolder folder;
    const QByteArray value(300, 'v');
    WriteBytes(folder.settings(), "[S]\r\nK=" + value + "\r\nQ=\"" + value + "\"\r\n");
    const QString path = folder.settings();
    QCOMPARE(ReadProfileString("S", "K", "", 256, path), QString(255, u'v'));
    QCOMPARE(ReadProfileString("S", "K", "", 80, path), QString(79, u'v'));
    QCOMPARE(ReadProfileString("S", "Q", "", 80, path), QString(79, u'v'));
    QCOMPARE(ReadProfileString("S", "K", "", 1, path), QString());
    QCOMPARE(ReadProfileString("S", "K", "", 0, path), QString());
    QCOMPARE(ReadProfileString("S", "missing", "default", 4, path), QStringLiteral("def"));
}

void ProfileTest::missingFileSectionOrKeyGiveDefault() {
    ProgramFolder folder;
    QCOMPARE(ReadProfileString("S", "K", "d", 256, folder.settings()), QStringLiteral("d"));
    QCOMPARE(ReadProfileString("S", "K", "", 256, folder.path("none/Ferrymate.ini")), QString());
    WriteBytes(folder.settings(), "[S]\r\nK=1\r\n");
    QCOMPARE(ReadProfileString("T", "K", "d", 256, folder.settings()), QStringLiteral("d"));
    QCOMPARE(ReadProfileString("S", "L", "d", 256, folder.settings()), QStringLiteral("d"));
}

void ProfileTest::writeCreatesFileAndSection() {
    ProgramFolder folder;
    QVERIFY(WriteProfileString("ConnectionInfo", "LastUsernameUsed", "alice", folder.settings()));
    QVERIFY(WriteProfileString("ConnectionInfo", "LastPasswordUsed", "", folder.settings()));
    QVERIFY(WriteProfileString("Other", "Key", "  spaced value ", folder.settings()));
    QCOMPARE(FileBytes(folder.settings()),
             QByteArray("[ConnectionInfo]\r\nLastUsernameUsed=alice\r\nLastPasswordUsed=\r\n"
                        "[Other]\r\nKey=spaced value \r\n"));
    QVERIFY(!WriteProfileString("S", "K", "v", folder.path("none/Ferrymate.ini")));
}

void ProfileTest::writeReplacesInPlaceKeepingOtherLines() {
    ProgramFolder folder;
    WriteBytes(folder.settings(),
               "; kept\n[connectioninfo]\nlastusernameused = old\nlone line\n\n[Service]\n"
               "Domain=d\n");
    QVERIFY(WriteProfileString("ConnectionInfo", "LastUsernameUsed", "new", folder.settings()));
    QCOMPARE(FileBytes(folder.settings()),
             QByteArray("; kept\r\n[connectioninfo]\r\nlastusernameused=new\r\nlone line\r\n\r\n"
                        "[Service]\r\nDomain=d\r\n"));
}

void ProfileTest::writeAddsKeyAtEndOfItsSection() {
    ProgramFolder folder;
    WriteBytes(folder.settings(), "[ConnectionInfo]\r\nA=1\r\n\r\n[Service]\r\nDomain=d\r\n");
    QVERIFY(WriteProfileString("CONNECTIONINFO", "B", "2", folder.settings()));
    QCOMPARE(FileBytes(folder.settings()),
             QByteArray("[ConnectionInfo]\r\nA=1\r\nB=2\r\n\r\n[Service]\r\nDomain=d\r\n"));
    QCOMPARE(ReadProfileString("connectioninfo", "b", "", 256, folder.settings()),
             QStringLiteral("2"));
}

void ProfileTest::writeRefusesTextThatBreaksLines() {
    ProgramFolder folder;
    const QByteArray before = "[ConnectionInfo]\r\nLastUsernameUsed=alice\r\n";
    WriteBytes(folder.settings(), before);
    const QString path = folder.settings();
    QVERIFY(!WriteProfileString("ConnectionInfo", "LastUsernameUsed", "x\r\n[Service]", path));
    QVERIFY(!WriteProfileString("ConnectionInfo", "LastUsernameUsed", "x\ny=1", path));
    QVERIFY(!WriteProfileString("ConnectionInfo", "A=B", "x", path));
    QVERIFY(!WriteProfileString("ConnectionInfo", "", "x", path));
    QVERIFY(!WriteProfileString("Connection]Info", "K", "x", path));
    QCOMPARE(FileBytes(path), before);
}

void ProfileTest::writesLatin1() {
    ProgramFolder folder;
    QVERIFY(WriteProfileString("S", "K", QString::fromLatin1("caf\xe9"), folder.settings()));
    QCOMPARE(FileBytes(folder.settings()), QByteArray("[S]\r\nK=caf\xe9\r\n"));
    QCOMPARE(ReadProfileString("S", "K", "", 256, folder.settings()),
             QString::fromLatin1("caf\xe9"));
}

void ProfileTest::appPath() {
    QCOMPARE(AppPathFrom("/"), QStringLiteral("/"));
    QCOMPARE(AppPathFrom("C:/"), QStringLiteral("C:/"));
    QCOMPARE(AppPathFrom("/opt/ferry"), QStringLiteral("/opt/ferry/"));
    SetAppPathForTesting("/");
    QCOMPARE(GetAppPath(), QStringLiteral("/"));
    QCOMPARE(SettingsPath(), QStringLiteral("/Ferrymate.ini"));
    SetAppPathForTesting(QString());
    QCOMPARE(GetAppPath(), QCoreApplication::applicationDirPath() + u'/');
}

void ProfileTest::serviceOverrides() {
    ProgramFolder folder;
    QCOMPARE(ServiceDomain(), QStringLiteral(FERRYMATE_SERVICE_DOMAIN));
    QCOMPARE(ServicePort(), QStringLiteral("21"));
    WriteBytes(folder.settings(), "[service]\r\ndomain=demo.localhost\r\nPORT=2121\r\n");
    QCOMPARE(ServiceDomain(), QStringLiteral("demo.localhost"));
    QCOMPARE(ServicePort(), QStringLiteral("2121"));
    for (const QByteArray port : {"ftp", "0", "70000", "-5"}) {
        WriteBytes(folder.settings(), "[Service]\r\nPort=" + port + "\r\n");
        QCOMPARE(ServicePort(), QStringLiteral("21"));
    }
}

QTEST_GUILESS_MAIN(ProfileTest)
#include "tst_Profile.moc"
