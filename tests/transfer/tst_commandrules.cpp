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
        const SelectionFacts none = makeSelectionFacts(false, 0, 0);
        QVERIFY(!none.hasCurrent);
        QCOMPARE(none.kind, 0);
        QVERIFY(!none.several);
        const SelectionFacts one = makeSelectionFacts(true, kFolder, 1);
        QCOMPARE(one.kind, kFolder);
        QVERIFY(!one.several);
        const SelectionFacts two = makeSelectionFacts(true, kFolder, 2);
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
        QCOMPARE(publishedProjectLimitReached(rows), reached);
    }

    void localOneProjectConnectedIdle() {
        const QStringList remote = Projects(3) << "cgi-bin"
                                               << "images";
        const LocalCommands c =
            evaluateLocalCommands(makeSelectionFacts(true, kFolder, 1), ftp::kIdle, remote, false);
        QVERIFY(c.send);
        QVERIFY(c.removeFolder);
        QVERIFY(!c.deleteFile);
        QVERIFY(!c.renameFile);
        QVERIFY(c.createFolder);
    }

    void localSendNeedsIdleConnectionSelectionAndRoom() {
        const SelectionFacts one = makeSelectionFacts(true, kFolder, 1);
        QVERIFY(!evaluateLocalCommands(one, ftp::kNotConnected, {}, false).send);
        QVERIFY(!evaluateLocalCommands(one, ftp::kSendingFiles, {}, false).send);
        QVERIFY(!evaluateLocalCommands(one, ftp::kIdle, Projects(10), false).send);
        QVERIFY(evaluateLocalCommands(one, ftp::kIdle, Projects(9) << "cp", false).send);
        QVERIFY(
            !evaluateLocalCommands(makeSelectionFacts(false, 0, 0), ftp::kIdle, {}, false).send);
    }

    void localTwoFolders() {
        const LocalCommands c =
            evaluateLocalCommands(makeSelectionFacts(true, kFolder, 2), ftp::kIdle, {}, false);
        QVERIFY(c.deleteFile);
        QVERIFY(!c.removeFolder);
        QVERIFY(!c.renameFile);
        QVERIFY(c.send);
    }

    void localUnreadableEntryIsAFileRow() {
        const LocalCommands c =
            evaluateLocalCommands(makeSelectionFacts(true, kFile, 1), ftp::kIdle, {}, false);
        QVERIFY(c.renameFile);
        QVERIFY(c.deleteFile);
        QVERIFY(!c.removeFolder);
    }

    void localNothingSelected() {
        const LocalCommands c =
            evaluateLocalCommands(makeSelectionFacts(false, 0, 0), ftp::kIdle, {}, false);
        QVERIFY(!c.deleteFile);
        QVERIFY(!c.renameFile);
        QVERIFY(!c.removeFolder);
        QVERIFY(!c.send);
        QVERIFY(c.createFolder);
    }

    void remoteRows() {
        const RemoteCommands folder =
            evaluateRemoteCommands(makeSelectionFacts(true, kFolder, 1), false, false);
        QVERIFY(folder.deleteProject && folder.view && folder.removeFolder && folder.receive);
        QVERIFY(!folder.renameFile && !folder.deleteFile);

        const RemoteCommands two =
            evaluateRemoteCommands(makeSelectionFacts(true, kFolder, 2), false, false);
        QVERIFY(!two.deleteProject && !two.view && !two.removeFolder);
        QVERIFY(two.deleteFile && two.receive);

        const RemoteCommands link =
            evaluateRemoteCommands(makeSelectionFacts(true, kLink, 1), false, false);
        QVERIFY(link.receive);
        QVERIFY(!link.deleteProject && !link.view && !link.removeFolder && !link.deleteFile &&
                !link.renameFile);

        const RemoteCommands none =
            evaluateRemoteCommands(makeSelectionFacts(false, 0, 0), false, false);
        QVERIFY(!none.receive && !none.deleteFile && !none.view);

        // A special folder is no project: it can still be removed as a folder.
        const RemoteCommands special =
            evaluateRemoteCommands(makeSelectionFacts(true, kFolder, 1), true, false);
        QVERIFY(!special.deleteProject && !special.view);
        QVERIFY(special.removeFolder && special.receive);
    }

    // While an operation runs nothing may start another one; viewing needs no server.
    void busy() {
        const RemoteCommands remote =
            evaluateRemoteCommands(makeSelectionFacts(true, kFolder, 1), false, true);
        QVERIFY(!remote.deleteProject && !remote.removeFolder && !remote.receive);
        QVERIFY(remote.view);
        const RemoteCommands file =
            evaluateRemoteCommands(makeSelectionFacts(true, kFile, 1), false, true);
        QVERIFY(!file.deleteFile && !file.renameFile);
        const LocalCommands local =
            evaluateLocalCommands(makeSelectionFacts(true, kFolder, 1), ftp::kIdle, {}, true);
        QVERIFY(!local.send && !local.removeFolder && !local.createFolder);
        const LocalCommands files =
            evaluateLocalCommands(makeSelectionFacts(true, kFile, 2), ftp::kIdle, {}, true);
        QVERIFY(!files.deleteFile && !files.renameFile);
    }
};

QTEST_GUILESS_MAIN(CommandRulesTest)
#include "tst_commandrules.moc"
