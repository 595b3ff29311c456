// Texts of the transfer notifications and the deletion progress value.
#include <QtTest>

#include "FtpClient.h"
#include "TransferTexts.h"

class TransferTextsTest : public QObject {
    Q_OBJECT
private slots:
    void progress() {
        QCOMPARE(progressText(ftp::kSendingFiles, "a.swf", 12800, 353280),
                 QString("Uploading file 'a.swf' (12 of 345K)"));
        QCOMPARE(progressText(ftp::kSendingFile, "x", 1023, 2047),
                 QString("Uploading file 'x' (0 of 1K)"));
        QCOMPARE(progressText(ftp::kReceivingFiles, "x", 2048, 4096),
                 QString("Processing file 'x' (2 of 4K)"));
        // Sizes beyond 32 bits are shown in full.
        QCOMPARE(progressText(ftp::kSendingFile, "big", 5LL << 30, 6LL << 30),
                 QString("Uploading file 'big' (5242880 of 6291456K)"));
    }

    void skipLines() {
        QCOMPARE(::skipLines("", "x.swf", 31), QStringList{"x.swf was skipped. Reason code: 0x1F"});
        QCOMPARE(::skipLines("a", "x.swf", 31), QStringList());
        QCOMPARE(::skipLines("a", "", 0x2A), QStringList{"a was skipped. Reason code: 0x2A"});
        QCOMPARE(::skipLines("", "", 1),
                 (QStringList{" was skipped. Reason code: 0x1", " was skipped. Reason code: 0x1"}));
        QCOMPARE(::skipLines("", "n", -1), QStringList{"n was skipped. Reason code: 0xFFFFFFFF"});
    }

    void names() {
        QCOMPARE(remoteProjectName("My Folio 2"), QString("myfolio2"));
        QCOMPARE(remoteProjectName("  A  b "), QString("ab"));
        QCOMPARE(remoteProjectName("Tab\tKept"), QString("tab\tkept"));
        QCOMPARE(replaceQuestion("pictavo.html"),
                 QString("pictavo.html already exits. Do you want to replace it?"));
        QCOMPARE(projectViewAddress("ann.hostavia.example", "alpha"),
                 QString("http://ann.hostavia.example/alpha/pictavo.html"));
        QCOMPARE(projectViewAddress("demo.localhost", "trip#2?x y%"),
                 QString("http://demo.localhost/trip%232%3Fx%20y%25/pictavo.html"));
    }

    void connectFailureCauses_data() {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("cause");
        QTest::newRow("password") << qint32(ftp::kErrLoginFailed) << "Login incorrect."
                                  << "The server refused the password: Login incorrect.";
        QTest::newRow("unreachable")
            << qint32(ftp::kErrConnectFailed) << "Cannot connect to the server: Connection refused"
            << "The server ftp.example (port 2121) could not be reached: Connection refused";
        QTest::newRow("unknown name")
            << qint32(ftp::kErrHostNotFound) << "Cannot connect to the server: Host not found"
            << "The server ftp.example (port 2121) could not be reached: Host not found";
        QTest::newRow("encryption required")
            << qint32(ftp::kErrLoginFailed) << "Non-anonymous sessions must use encryption."
            << "The server requires an encrypted connection: Non-anonymous sessions must use "
               "encryption.";
        QTest::newRow("greeting refused") << qint32(ftp::kErrConnectFailed) << "Too many users."
                                          << "The server refused the connection: Too many users.";
        QTest::newRow("timeout") << qint32(ftp::kErrTimeout)
                                 << "The server did not answer within 30 seconds."
                                 << "The server did not answer within 30 seconds.";
    }
    void connectFailureCauses() {
        QFETCH(qint32, number);
        QFETCH(QString, description);
        QFETCH(QString, cause);
        QCOMPARE(connectFailureCause(ftp::FtpError(number, description), "ftp.example", 2121),
                 cause);
    }

    void deletionProgress_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("counter");
        QTest::addColumn<int>("value");
        QTest::newRow("start") << qint64(14) << qint64(14) << 0;
        QTest::newRow("half way to the end") << qint64(14) << qint64(7) << 100;
        QTest::newRow("rounded") << qint64(14) << qint64(13) << 8;
        QTest::newRow("past half, clamped") << qint64(14) << qint64(3) << 100;
        QTest::newRow("counter at zero") << qint64(14) << qint64(0) << 100;
        QTest::newRow("empty tree") << qint64(0) << qint64(-1) << 0;
        QTest::newRow("nothing counted, nothing left") << qint64(0) << qint64(0) << 100;
        QTest::newRow("beyond 16 bits") << qint64(80000) << qint64(60000) << 33;
    }
    void deletionProgress() {
        QFETCH(qint64, total);
        QFETCH(qint64, counter);
        QFETCH(int, value);
        QCOMPARE(::deletionProgress(total, counter), value);
    }
};

QTEST_GUILESS_MAIN(TransferTextsTest)
#include "tst_transfertexts.moc"
