// The commands a selection allows on either list; the transfer notifications' texts.
#include <QtTest>

#include "CommandRules.h"
#include "FtpClient.h"
#include "FtpError.h"
#include "RowKind.h"
#include "TransferTexts.h"

namespace {

// The commands allowed on both lists by name, local ones first: by the current row's kind (kNoRow:
// none), the count of rows selected, the remote rows and the connection's state.
QString allowed(int kind, int count = 1, const QStringList& remoteRows = {},
                int state = ftp::kIdle) {
    const SelectionFacts facts = makeSelectionFacts(kind != kNoRow, kind, count);
    const LocalCommands l = evaluateLocalCommands(facts, state, remoteRows, false);
    const RemoteCommands r = evaluateRemoteCommands(facts, false, false);
    const bool on[] = {l.deleteFile, l.renameFile, l.createFolder, l.removeFolder, l.send,
                       true,         r.deleteFile, r.renameFile,   r.removeFolder, r.deleteProject,
                       r.view,       r.receive};
    const char* names =
        "deleteFile renameFile createFolder removeFolder send | deleteFile "
        "renameFile removeFolder deleteProject view receive";
    QString allowed;
    for (int i = 0; i < 12; ++i)
        allowed += on[i] ? QString(names).section(u' ', i, i) + u' ' : QString();
    return allowed.trimmed();
}

// A table row: texts made, joined by "|", and the text expected.
void row(const char* tag, const QStringList& texts, const char* expected) {
    QTest::newRow(tag) << QStringList{texts.join(u'|'), expected};
}

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT
private slots:
    void rules_data() {
        QTest::addColumn<QStringList>("made");
        const char* noSend = "createFolder removeFolder | removeFolder deleteProject view receive";
        const char* sent =
            "createFolder removeFolder send | removeFolder deleteProject view receive";
        row("a folder", {allowed(kFolderRow)}, sent);
        row("a file", {allowed(kFileRow)},
            "deleteFile renameFile createFolder send | deleteFile renameFile receive");
        row("two folders", {allowed(kFolderRow, 2)},
            "deleteFile createFolder send | deleteFile receive");
        row("nothing", {allowed(kNoRow, 0)}, "createFolder |");
        row("a link", {allowed(kLinkRow)}, "createFolder send | receive");
        // While a transfer runs, and at the published-project limit, no upload starts; special
        // folders (by their exact names) are no projects. A busy window: see the window tests.
        row("sending", {allowed(kFolderRow, 1, {}, ftp::kSendingFiles)}, noSend);
        const QStringList nine(9, "site");
        row("10 projects", {allowed(kFolderRow, 1, nine + QStringList{"CGI-BIN"})}, noSend);
        row("9 projects, 4 special rows",
            {allowed(kFolderRow, 1, nine + QStringList{"cgi-bin", "cp", "images", "cp"})}, sent);
        auto cause = [](int number, const QString& description) {
            return connectFailureCause(ftp::FtpError(number, description), "ftp.example", 2121);
        };
        row("progress, beyond 32 bits",
            {progressText(ftp::kSendingFile, "a.swf", 12800, 353280),
             progressText(ftp::kReceivingFiles, "b", 5LL << 30, 6LL << 30)},
            "Uploading file 'a.swf' (12 of 345K)|Processing file 'b' (5242880 of 6291456K)");
        // The second name skipped, neither, both empty, the first.
        row("skipped",
            skipLines("", "x", 0x2A) + skipLines("a", "x.swf", 31) + skipLines("", "", 1) +
                skipLines("a", "", -1),
            "x was skipped. Reason code: 0x2A| was skipped. Reason code: 0x1| was skipped. Reason "
            "code: 0x1|a was skipped. Reason code: 0xFFFFFFFF");
        // Unreachable: the window's sign-in checks it against a closed port.
        row("encryption required", {cause(ftp::kErrLoginFailed, "Sessions must use encryption.")},
            "The server requires an encrypted connection: Sessions must use encryption.");
        row("greeting refused", {cause(ftp::kErrConnectFailed, "Too many users.")},
            "The server refused the connection: Too many users.");
        // A deletion's progress: counted down from the tree's size, clamped, beyond 16 bits.
        auto at = [](qint64 total, qint64 counter) {
            return QString::number(deletionProgress(total, counter));
        };
        row("deletion progress", {at(14, 13), at(14, 3), at(0, -1), at(0, 0), at(80000, 60000)},
            "8|100|0|100|33");
    }
    void rules() {
        QFETCH(QStringList, made);
        QCOMPARE(made[0], made[1]);
    }
};

QTEST_GUILESS_MAIN(TransferTest)
#include "tst_transfer.moc"
