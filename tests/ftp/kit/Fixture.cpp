#include "Fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// One account for every vsftpd test: parallel test runs set the same password.
const char* const kUser = "ferryftp";
const char* const kPassword = "Ferry-pw1";
}  // namespace

ServerFixture::ServerFixture(const QString& kind) {
    if (kind == "vsftpd")
        m_server = std::make_unique<VsFtpServer>();
    else
        m_server = std::make_unique<PyFtpServer>();
}

bool ServerFixture::start() {
    return m_server->start(m_root.path(), kUser, kPassword);
}

QString ServerFixture::error() const {
    return m_server->error();
}

void ServerFixture::configure(ftp::FtpComponent& ftp) const {
    ftp.setServerAddress(QStringLiteral("localhost"));
    ftp.setServerPort(m_server->port());
    ftp.setUserName(m_server->user());
    ftp.setPassword(m_server->password());
    ftp.setPassiveMode(true);
    ftp.setTimeout(10);
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
