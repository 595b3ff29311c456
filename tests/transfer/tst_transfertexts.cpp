// Texts of the transfer notifications, and the deletion progress value.
#include <QtTest>

#include "FtpClient.h"
#include "FtpError.h"
#include "TransferTexts.h"

class TransferTextsTest : public QObject {
    Q_OBJECT
private slots:
    void texts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* tag, const QString& text, const char* expected) {
            QTest::newRow(tag) << text << QString::fromUtf8(expected);
        };
        auto skipped = [](const QString& first, const QString& second, qint32 code) {
            return skipLines(first, second, code).join(u'|');
        };
        auto cause = [](int number, const QString& description) {
            return connectFailureCause(ftp::FtpError(number, description), "ftp.example", 2121);
        };
        row("sending", progressText(ftp::kSendingFile, "a.swf", 12800, 353280),
            "Uploading file 'a.swf' (12 of 345K)");
        row("receiving, beyond 32 bits",
            progressText(ftp::kReceivingFiles, "b", 5LL << 30, 6LL << 30),
            "Processing file 'b' (5242880 of 6291456K)");
        row("second name skipped", skipped("", "x", 0x2A), "x was skipped. Reason code: 0x2A");
        row("neither skipped", skipped("a", "x.swf", 31), "");
        row("both names empty", skipped("", "", 1),
            " was skipped. Reason code: 0x1| was skipped. Reason code: 0x1");
        row("first name skipped", skipped("a", "", -1), "a was skipped. Reason code: 0xFFFFFFFF");
        row("project name", remoteProjectName("  My Folio\t2 "), "myfolio\t2");
        row("view address", projectViewAddress("demo.localhost", "trip#2?x y%"),
            "http://demo.localhost/trip%232%3Fx%20y%25/pictavo.html");
        row("unreachable", cause(ftp::kErrConnectFailed, "Cannot connect to the server: refused"),
            "The server ftp.example (port 2121) could not be reached: refused");
        row("encryption required", cause(ftp::kErrLoginFailed, "Sessions must use encryption."),
            "The server requires an encrypted connection: Sessions must use encryption.");
        row("greeting refused", cause(ftp::kErrConnectFailed, "Too many users."),
            "The server refused the connection: Too many users.");
        // The progress bar while a project is deleted: counted down from the tree's size.
        auto deletion = [](qint64 total, qint64 counter) {
            return QString::number(deletionProgress(total, counter));
        };
        row("deletion: rounded", deletion(14, 13), "8");
        row("deletion: past half, clamped", deletion(14, 3), "100");
        row("deletion: empty tree", deletion(0, -1), "0");
        row("deletion: nothing counted, nothing left", deletion(0, 0), "100");
        row("deletion: beyond 16 bits", deletion(80000, 60000), "33");
    }
    void texts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(TransferTextsTest)
#include "tst_transfertexts.moc"
