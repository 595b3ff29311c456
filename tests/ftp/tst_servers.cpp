#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "FtpServers.h"

// The launchers the other suites rely on: each server comes up on loopback, accepts its account
// and serves its root; a second server runs beside the first.
class ServersTest : public QObject {
    Q_OBJECT

    static QByteArray reply(QTcpSocket& s) {
        QByteArray all;
        while (true) {
            while (!s.canReadLine())
                if (!s.waitForReadyRead(5000))
                    return all + "<silence>";
            const QByteArray line = s.readLine();
            all += line;
            if (line.size() > 3 && line.at(3) == ' ')
                return all;
        }
    }
    static QByteArray command(QTcpSocket& s, const QByteArray& line) {
        s.write(line + "\r\n");
        return reply(s);
    }

    void checkLogin(TestFtpServer& server) {
        QTemporaryDir root;
        QFile marker(root.filePath("marker.txt"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write("x");
        marker.close();
        QVERIFY2(server.start(root.path(), "ferrysrv", "s3cret pw"), qPrintable(server.error()));
        QVERIFY(server.port() != 0);
        QCOMPARE(server.root(), root.path());

        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(s.waitForConnected(5000));
        QVERIFY(reply(s).startsWith("220"));
        QVERIFY(command(s, "USER ferrysrv").startsWith("331"));
        QVERIFY(command(s, "PASS wrong").startsWith("530"));
        QVERIFY(command(s, "USER ferrysrv").startsWith("331"));
        {
            const QByteArray r = command(s, "PASS s3cret pw");
            QVERIFY2(r.startsWith("230"), r.constData());
        }
        QVERIFY(command(s, "TYPE I").startsWith("200"));
        QVERIFY(command(s, "SIZE marker.txt").startsWith("213 1"));
        QVERIFY(command(s, "MKD made").startsWith("257"));
        QVERIFY(QFileInfo(root.filePath("made")).isDir());
        command(s, "QUIT");

        const quint16 port = server.port();
        server.stop();
        QTcpSocket after;
        after.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!after.waitForConnected(1000));
    }

private slots:
    void pyftpdlib() {
        PyFtpServer server;
        checkLogin(server);
    }
    void vsftpd() {
        VsFtpServer server;
        checkLogin(server);
    }
    void twoAtOnce() {
        QTemporaryDir a, b;
        PyFtpServer p;
        VsFtpServer v;
        QVERIFY2(p.start(a.path(), "ferrysrv", "pw1"), qPrintable(p.error()));
        QVERIFY2(v.start(b.path(), "ferrysrv", "pw1"), qPrintable(v.error()));
        QVERIFY(p.port() != v.port());
    }
    void refusesRootAccount() {
        QTemporaryDir a;
        VsFtpServer v;
        QVERIFY(!v.start(a.path(), "root", "x"));
        QVERIFY(!v.error().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ServersTest)
#include "tst_servers.moc"
