#include <QtTest>

#include "Fixture.h"

using namespace ftp;

// Aborts in the middle of a large file; a connection cut while data flows.
class TransfersTest : public QObject {
    Q_OBJECT

private slots:
    void abortLargeFile_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"vsftpd TLS", "pyftpdlib x4"})
            QTest::newRow(kind) << kind;
    }
    void abortLargeFile() {
        QFETCH(QString, kind);
        Peer p(kind);
        const QByteArray old = pattern(100000, 'o');
        writeFile(p.path("big.bin"), old);
        QVERIFY2(p.start(), qPrintable(p.error()));
        writeFile(p.local("big.bin"), pattern(48 * 1024 * 1024, 'n'));
        int stateAfterAbort = -1;
        int moving = 0;  // files that must be on their way before the abort
        const QRegularExpression stor("^STOR \\.[123]\\.bin");
        p.rec.onProgress = [&](const Recorder::Progress& pr) {
            if (pr.done > 0 && pr.done < pr.size && !p.ftp.AbortRequested() &&
                p.rec.commands.filter(stor).size() >= moving) {
                p.ftp.setAbortRequested(true);
                stateAfterAbort = p.ftp.State();
            }
        };
        const auto aborted = [&](const std::function<void()>& operation) {
            stateAfterAbort = -1;
            return errorOf(operation) == kErrAborted && stateAfterAbort == kIdle;
        };

        // Replacing: the old file stays whole, the temporary goes.
        QVERIFY(aborted([&] { p.ftp.SendFile(p.local("big.bin"), 0, "big.bin", true); }));
        // Several files at once: every connection stops and removes its temporary.
        QDir().mkpath(p.local("many"));
        for (const char* name : {"many/1.bin", "many/2.bin", "many/3.bin"})
            QVERIFY(QFile::copy(p.local("big.bin"), p.local(name)));
        moving = p.ftp.Connections() == 4 ? 3 : 1;
        QVERIFY(aborted([&] { p.ftp.SendFiles(p.local("many/*.bin"), "many", false, true); }));
        QTRY_COMPARE(tree(p.path("many")), QStringList());

        // A local file cut short while it is sent: an error, and nothing under its name.
        p.rec.onProgress = [&](const Recorder::Progress& pr) {
            if (pr.done > 0 && pr.done < pr.size)
                QFile::resize(p.local("big.bin"), 1000);
        };
        QCOMPARE(errorOf([&] { p.ftp.SendFile(p.local("big.bin"), 0, "shrunk.bin", true); }),
                 qint32(kErrLocalFile));

        // The session goes on, in its first folder; the server has done the cleanup by the time it
        // answers the next listing.
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        QCOMPARE(readFile(p.path("big.bin")), old);
        QCOMPARE(tree(p.root()), QStringList{"big.bin"});
        QVERIFY(p.rec.of("disconnected").isEmpty());
    }

    // pyftpdlib cuts the row's command once: the operation reconnects, starts the cut file over
    // and goes on. Meanwhile: "stop" the server at the first Reconnecting (two tries, then it
    // fails), "abort" there or at the greeting of the first try; "x4" others send the cut file.
    void cutConnection_data() {
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"RETR", "LIST", "STOR stop", "RETR abort", "RETR abort at login", "STOR x4"})
            QTest::newRow(row) << row;
    }
    void cutConnection() {
        QFETCH(QString, row);
        const QString verb = row.section(' ', 0, 0), meanwhile = row.section(' ', 1);
        const bool several = meanwhile == "x4";
        Peer p(several ? "pyftpdlib x4" : "pyftpdlib");
        static_cast<PyFtpServer&>(p.server()).cutOnce(verb, verb == "LIST" ? 1 : several ? 13 : 12);
        const bool send = verb == "STOR";
        // 30 files, in an older version on the other side already: the even ones for the send (the
        // 12th STOR sends the new f11.bin), all for the receive (whichever is cut replaces one).
        const QString from = send ? p.local("site") : p.path("site");
        const QString to = send ? p.path("site") : p.local("site");
        for (int i = 0; i < 30; ++i) {
            const QString name = QStringLiteral("f%1.bin").arg(i, 2, 10, QChar('0'));
            writeFile(from + '/' + name, pattern(100 * 1024 + i, char('A' + i)));
            if (i % 2 == 0 || !send)
                writeFile(to + '/' + name, "old");
        }
        QVERIFY2(p.start(), qPrintable(p.error()));
        connect(&p.ftp, &FtpClient::Reconnecting, this, [&] {
            if (meanwhile == "stop")
                p.server().stop();
            else if (meanwhile == "abort")
                p.ftp.setAbortRequested(true);
        });
        connect(&p.ftp, &FtpClient::CommandLogged, this, [&](const QString& line) {
            if (meanwhile == "abort at login" && !p.rec.causes.isEmpty() && line.startsWith("220 "))
                p.ftp.setAbortRequested(true);
        });

        const auto operation = [&] {
            if (send)
                p.ftp.SendFiles(p.local("site/*.*"), "site", true, false);
            else if (verb == "RETR")
                p.ftp.ReceiveFiles("site\\*", p.localRoot(), true);
            else
                p.ftp.ListFolder("site\\*");
        };
        if (!meanwhile.isEmpty() && !several) {
            // The cause, or the abort; the end of the connection is reported once.
            const bool stop = meanwhile == "stop";
            QCOMPARE(errorOf(operation), stop ? qint32(kErrConnectionLost) : qint32(kErrAborted));
            const QStringList tries =
                QStringList{"reconnecting 1/2", "reconnecting 2/2"}.mid(0, 1 + stop);
            QCOMPARE(p.rec.events.filter(QRegularExpression("^(rec|dis)")),
                     tries + QStringList{"disconnected 0"});
            QCOMPARE(p.rec.causes, QStringList(tries.size(), "The server closed the connection."));
            // Nothing of the cut new file shows under its name.
            if (send)
                QVERIFY(!QFileInfo::exists(p.path("site/f11.bin")));
            return;
        }
        QCOMPARE(errorOf(operation), 0);
        QVERIFY(several || p.rec.causes.size() == 1);
        QVERIFY(p.rec.of("disconnected").isEmpty());
        QCOMPARE(p.ftp.CurrentFolder(), QString("/"));
        if (verb == "LIST") {
            QCOMPARE(p.rec.items.size(), 30);
            return;
        }
        // Byte for byte, with nothing left of the cut attempt on either side.
        const QStringList files = tree(from);
        QCOMPARE(tree(to), files);
        for (const QString& name : files)
            QVERIFY2(readFile(to + '/' + name) == readFile(from + '/' + name), qPrintable(name));
        QCOMPARE(p.rec.of("replace").size(), send ? 15 : 30);
        QCOMPARE(p.rec.risingPercent(), 100);
    }
};

QTEST_GUILESS_MAIN(TransfersTest)
#include "tst_transfers.moc"
