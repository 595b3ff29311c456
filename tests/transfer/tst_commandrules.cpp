// Which commands a selection allows on either list, with the connection's state, the
// published-project limit and a running operation.
#include <QtTest>

#include "CommandRules.h"
#include "RowKind.h"

namespace {

// The commands allowed on both lists by name: the local ones, then the remote ones.
QString allowed(const LocalCommands& l, const RemoteCommands& r) {
    const bool on[] = {l.deleteFile, l.renameFile, l.createFolder, l.removeFolder, l.send,
                       true,         r.deleteFile, r.renameFile,   r.removeFolder, r.deleteProject,
                       r.view,       r.receive};
    const QStringList names = QStringLiteral(
                                  "deleteFile renameFile createFolder removeFolder send | "
                                  "deleteFile renameFile removeFolder deleteProject view receive")
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
    bool busy = false;
    bool special = false;  // a special remote folder selected
    int state = ftp::kIdle;
};

}  // namespace

Q_DECLARE_METATYPE(Case)

class CommandRulesTest : public QObject {
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
        // A special folder is no project: it can still be removed as a folder.
        QTest::newRow("a special folder") << Case{
            "createFolder removeFolder send | removeFolder receive", folder, {}, 1, false, true};
        // While an operation runs nothing may start another one; viewing needs no server.
        QTest::newRow("busy") << Case{"| view", folder, {}, 1, true};
        QTest::newRow("sending") << Case{noSend, folder, {}, 1, false, false, ftp::kSendingFiles};
        // Uploads stop at the published-project limit; the special folders are no projects.
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
        QCOMPARE(allowed(evaluateLocalCommands(facts, c.state, c.remoteRows, c.busy),
                         evaluateRemoteCommands(facts, c.special, c.busy)),
                 QString(c.commands));
    }
};

QTEST_GUILESS_MAIN(CommandRulesTest)
#include "tst_commandrules.moc"
