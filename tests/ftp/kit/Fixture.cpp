#include "Fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

Peer::Peer(const QString& kind) {
    if (kind == "vsftpd")
        m_server = std::make_unique<VsFtpServer>();
    else
        m_server = std::make_unique<PyFtpServer>();
}

bool Peer::start(bool connect) {
    // One account for every vsftpd test: parallel test runs set the same password.
    if (!m_server->start(m_root.path(), "ferryftp", "Ferry-pw1"))
        return false;
    ftp.setServerAddress(QStringLiteral("localhost"));
    ftp.setServerPort(m_server->port());
    ftp.setUserName(m_server->user());
    ftp.setPassword(m_server->password());
    ftp.setPassiveMode(true);
    ftp.setTimeout(10);
    if (connect)
        ftp.Connect();
    return true;
}

void addServerRows() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("pyftpdlib") << "pyftpdlib";
    QTest::newRow("vsftpd") << "vsftpd";
}

qint32 errorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const ftp::FtpError& e) {
        return e.number;
    }
    return 0;
}

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray pattern(qint64 size, char seed) {
    QByteArray b(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = char(x >> 16);
    }
    return b;
}

QStringList tree(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}
