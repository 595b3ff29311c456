// The command rules as plain logic: selection facts, the published-project limit, and which
// commands each selection allows.
#include <QtTest>

#include "CommandRules.h"
#include "FtpClient.h"

namespace {
constexpr int kFile = 1, kFolder = 2, kLink = 3;

QStringList Projects(int n) {
    QStringList rows;
    for (int i = 0; i < n; ++i)
        rows << QStringLiteral("site%1").arg(i);
    return rows;
}
}  // namespace

class CommandRulesTest : public QObject {
    Q_OBJECT
private slots:
    void facts() {
        const SelectionFacts none = MakeSelectionFacts(false, 0, 0);
        QVERIFY(!none.hasCurrent);
        QCOMPARE(none.kind, 0);
        QVERIFY(!none.several);
        const SelectionFacts one = MakeSelectionFacts(true, kFolder, 1);
        QCOMPARE(one.kind, kFolder);
        QVERIFY(!one.several);
        const SelectionFacts two = MakeSelectionFacts(true, kFolder, 2);
        QVERIFY(two.several);
        QCOMPARE(two.kind, 0);  // several rows have no single kind
    }

    void projectLimit_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("reached");
        QTest::newRow("9 projects") << Projects(9) << false;
        QTest::newRow("10 projects") << Projects(10) << true;
        QTest::newRow("9 projects and the three special folders") << (Projects(9) << "cgi-bin"
                                                                                  << "cp"
                                                                                  << "images")
                                                                  << false;
        QTest::newRow("special names are case-sensitive") << (Projects(9) << "CGI-BIN") << true;
        QTest::newRow("a special name counts once per row") << (Projects(9) << "images"
                                                                            << "images")
                                                            << false;
        QTest::newRow("empty") << QStringList() << false;
    }
    void projectLimit() {
        QFETCH(QStringList, rows);
        QFETCH(bool, reached);
        QCOMPARE(PublishedProjectLimitReached(rows), reached);
    }

    void localOneProjectConnectedIdle() {
        const QStringList remote = Projects(3) << "cgi-bin"
                                               << "images";
        const LocalCommands c =
            EvaluateLocalCommands(MakeSelectionFacts(true, kFolder, 1), ftp::kIdle, remote, false);
        QVERIFY(c.send);
        QVERIFY(c.removeFolder);
        QVERIFY(!c.deleteFile);
        QVERIFY(!c.renameFile);
        QVERIFY(c.createFolder);
    }

    void localSendNeedsIdleConnectionSelectionAndRoom() {
        const SelectionFacts one = MakeSelectionFacts(true, kFolder, 1);
        QVERIFY(!EvaluateLocalCommands(one, ftp::kNotConnected, {}, false).send);
        QVERIFY(!EvaluateLocalCommands(one, ftp::kSendingFiles, {}, false).send);
        QVERIFY(!EvaluateLocalCommands(one, ftp::kIdle, Projects(10), false).send);
        QVERIFY(EvaluateLocalCommands(one, ftp::kIdle, Projects(9) << "cp", false).send);
        QVERIFY(
            !EvaluateLocalCommands(MakeSelectionFacts(false, 0, 0), ftp::kIdle, {}, false).send);
    }

    void localTwoFolders() {
        const LocalCommands c =
            EvaluateLocalCommands(MakeSelectionFacts(true, kFolder, 2), ftp::kIdle, {}, false);
        QVERIFY(c.deleteFile);
        QVERIFY(!c.removeFolder);
        QVERIFY(!c.renameFile);
        QVERIFY(c.send);
    }

    void localUnreadableEntryIsAFileRow() {
        const LocalCommands c =
            EvaluateLocalCommands(MakeSelectionFacts(true, kFile, 1), ftp::kIdle, {}, false);
        QVERIFY(c.renameFile);
        QVERIFY(c.deleteFile);
        QVERIFY(!c.removeFolder);
    }

    void localNothingSelected() {
        const LocalCommands c =
            EvaluateLocalCommands(MakeSelectionFacts(false, 0, 0), ftp::kIdle, {}, false);
        QVERIFY(!c.deleteFile);
        QVERIFY(!c.renameFile);
        QVERIFY(!c.removeFolder);
        QVERIFY(!c.send);
        QVERIFY(c.createFolder);
    }

    void remoteRows() {
        const RemoteCommands folder =
            EvaluateRemoteCommands(MakeSelectionFacts(true, kFolder, 1), false, false);
        QVERIFY(folder.deleteProject && folder.view && folder.removeFolder && folder.receive);
        QVERIFY(!folder.renameFile && !folder.deleteFile);

        const RemoteCommands two =
            EvaluateRemoteCommands(MakeSelectionFacts(true, kFolder, 2), false, false);
        QVERIFY(!two.deleteProject && !two.view && !two.removeFolder);
        QVERIFY(two.deleteFile && two.receive);

        const RemoteCommands link =
            EvaluateRemoteCommands(MakeSelectionFacts(true, kLink, 1), false, false);
        QVERIFY(link.receive);
        QVERIFY(!link.deleteProject && !link.view && !link.removeFolder && !link.deleteFile &&
                !link.renameFile);

        const RemoteCommands none =
            EvaluateRemoteCommands(MakeSelectionFacts(false, 0, 0), false, false);
        QVERIFY(!none.receive && !none.deleteFile && !none.view);

        // A special folder is no project: it can still be removed as a folder.
        const RemoteCommands special =
            EvaluateRemoteCommands(MakeSelectionFacts(true, kFolder, 1), true, false);
        QVERIFY(!special.deleteProject && !special.view);
        QVERIFY(special.removeFolder && special.receive);
    }

    // While an operation runs nothing may start another one; viewing needs no server.
    void busy() {
        const RemoteCommands remote =
            EvaluateRemoteCommands(MakeSelectionFacts(true, kFolder, 1), false, true);
        QVERIFY(!remote.deleteProject && !remote.removeFolder && !remote.receive);
        QVERIFY(remote.view);
        const RemoteCommands file =
            EvaluateRemoteCommands(MakeSelectionFacts(true, kFile, 1), false, true);
        QVERIFY(!file.deleteFile && !file.renameFile);
        const LocalCommands local =
            EvaluateLocalCommands(MakeSelectionFacts(true, kFolder, 1), ftp::kIdle, {}, true);
        QVERIFY(!local.send && !local.removeFolder && !local.createFolder);
        const LocalCommands files =
            EvaluateLocalCommands(MakeSelectionFacts(true, kFile, 2), ftp::kIdle, {}, true);
        QVERIFY(!files.deleteFile && !files.renameFile);
    }
};

QTEST_GUILESS_MAIN(CommandRulesTest)
#include "tst_commandrules.moc"
