// Which commands a selection allows on either list, with the connection's state and the
// published-project limit; the texts of the transfer notifications and
// the deletion progress value.
#include <QtTest>

#include "CommandRules.h"
#include "FtpClient.h"
#include "FtpError.h"
#include "RowKind.h"
#include "TransferTexts.h"

namespace {

// The commands allowed on both lists by name: the local ones, then the remote ones.
QString allowed(const LocalCommands& l, const RemoteCommands& r) {
    const bool on[] = {l.deleteFile, l.renameFile, l.createFolder, l.removeFolder, l.send,
                       true,         r.deleteFile, r.renameFile,   r.removeFolder, r.deleteProject,
                       r.view,       r.receive};
    const QStringList names = QStringLiteral(
                                  "deleteFile renameFile createFolder removeFolder send "
                                  "| deleteFile renameFile removeFolder deleteProject "
                                  "view receive")
                                  .split(u' ');
    QStringList allowed;
    for (int i = 0; i < names.size(); ++i)
        if (on[i])
            allowed << names[i];
    return allowed.join(u' ');
}

// A selection made on both lists, and what the lists and the connection show.
struct Case {
    const char* commands;  // allowed()
    int kind;              // the current row's, kNoRow when nothing is selected
    QStringList remoteRows = {};
    int count = 1;
    int state = ftp::kIdle;
};

}  // namespace

Q_DECLARE_METATYPE(Case)

class TransferTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data() {
        QTest::addColumn<Case>("c");
        const int folder = kFolderRow;
        const char* noSend = "createFolder removeFolder | removeFolder deleteProject view receive";
        const char* sent =
            "createFolder removeFolder send | removeFolder deleteProject view receive";
        QTest::newRow("a folder") << Case{sent, folder};
        QTest::newRow("a file") << Case{
            "deleteFile renameFile createFolder send | deleteFile renameFile receive", kFileRow};
        QTest::newRow("two folders")
            << Case{"deleteFile createFolder send | deleteFile receive", folder, {}, 2};
        QTest::newRow("a link") << Case{"createFolder send | receive", kLinkRow};
        QTest::newRow("nothing") << Case{"createFolder |", kNoRow, {}, 0};
        // While a transfer runs, and at the published-project limit, no upload starts; special
        // folders are no projects. (What a running operation or a selected special folder
        // allows, the window's upload and remote tests check.)
        QTest::newRow("sending") << Case{noSend, folder, {}, 1, ftp::kSendingFiles};
        const QStringList nine(9, "site");
        QTest::newRow("10 projects") << Case{noSend, folder, nine + QStringList{"site"}};
        QTest::newRow("9 projects, 4 special rows")
            << Case{sent, folder, nine + QStringList{"cgi-bin", "cp", "images", "cp"}};
        QTest::newRow("special names are case-sensitive")
            << Case{noSend, folder, nine + QStringList{"CGI-BIN"}};
    }
    void commands() {
        QFETCH(Case, c);
        const SelectionFacts facts = makeSelectionFacts(c.kind != kNoRow, c.kind, c.count);
        QCOMPARE(allowed(evaluateLocalCommands(facts, c.state, c.remoteRows, false),
                         evaluateRemoteCommands(facts, false, false)),
                 QString(c.commands));
    }

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
        // Unreachable: the window's sign-in checks it against a closed port.
        row("encryption required", cause(ftp::kErrLoginFailed, "Sessions must use encryption."),
            "The server requires an encrypted connection: Sessions must use encryption.");
        row("greeting refused", cause(ftp::kErrConnectFailed, "Too many users."),
            "The server refused the connection: Too many users.");
        // The progress bar while a project is deleted: counted down from the tree's size, past
        // half clamped, beyond 16 bits.
        QStringList percents;
        for (const auto& [total, counter] :
             {std::pair<qint64, qint64>{14, 13}, {14, 3}, {0, -1}, {0, 0}, {80000, 60000}})
            percents << QString::number(deletionProgress(total, counter));
        row("deletion progress", percents.join(u' '), "8 100 0 100 33");
    }
    void texts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(TransferTest)
#include "tst_transfer.moc"
