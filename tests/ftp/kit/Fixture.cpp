#include "Fixture.h"

#include <QFile>
#include <QTest>

Peer::Peer(const QString& kind) {
    if (kind.endsWith(" x4"))
        ftp.setConnections(4);
    m_active = kind.endsWith(" active");
    if (!kind.startsWith("vsftpd")) {
        m_server = std::make_unique<PyFtpServer>();
        return;
    }
    auto vs = std::make_unique<VsFtpServer>();
    if (kind.contains("max 2"))
        vs->maxPerIp = 2;
    vs->passive = !kind.contains("no passive");
    if (kind.contains("TLS")) {
        QString why;
        if (!makeSelfSignedCertificate(m_tls.path(), &why))
            qWarning("%s", qPrintable(why));
        vs->tlsCertificate = m_tls.filePath("cert.pem");
        vs->tlsKey = m_tls.filePath("key.pem");
        ftp.setTlsMode(ftp::kTlsRequire);
        ftp.setExtraCaCertificates({certificate()});
        if (kind.endsWith("1.2"))
            ftp.setTlsProtocol(QSsl::TlsV1_2);
    }
    m_server = std::move(vs);
}

QSslCertificate Peer::certificate() const {
    const QList<QSslCertificate> found =
        QSslCertificate::fromPath(m_tls.filePath("cert.pem"), QSsl::Pem);
    return found.isEmpty() ? QSslCertificate() : found.first();
}

bool Peer::start(bool connect) {
    if (!m_server->start(m_root.path(), "ferryftp", "Ferry-pw1"))
        return false;
    ftp.setServerAddress(QStringLiteral("localhost"));
    ftp.setServerPort(m_server->port());
    ftp.setUserName(m_server->user());
    ftp.setPassword(m_server->password());
    ftp.setPassiveMode(!m_active);
    ftp.setTimeout(10);
    if (connect)
        ftp.Connect();
    return true;
}

ftp::FtpError failureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const ftp::FtpError& e) {
        return e;
    }
    return {0, {}};
}

qint32 errorOf(const std::function<void()>& operation) {
    return failureOf(operation).number;
}

void setModified(const QString& path, const QDateTime& time) {
    QFile f(path);
    if (f.open(QIODevice::Append))
        f.setFileTime(time, QFileDevice::FileModificationTime);
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

Recorder::Recorder(ftp::FtpClient& client) {
    connect(&client, &ftp::FtpClient::ListingItem, this,
            [this](const QString& name, const QDateTime& date, qint64 size, int kind,
                   const QString& text) {
                items.append({name, kind, size, date, text});
            });
    connect(&client, &ftp::FtpClient::TransferProgress, this,
            [this, &client](const QString&, const QString&, qint64 size, qint64 done, int percent) {
                progress.append({size, done, percent, client.State()});
                if (onProgress)
                    onProgress(progress.last());
            });
    connect(&client, &ftp::FtpClient::SendingFile, this,
            [this](const QString& file) { events << "sending " + file; });
    connect(&client, &ftp::FtpClient::SkippingFile, this,
            [this](const QString& first, const QString& second, qint32 reason) {
                events << QStringLiteral("skip %1|%2|%3").arg(first, second).arg(reason);
            });
    connect(
        &client, &ftp::FtpClient::ReplacingFile, this,
        [this](const QString& existing, const QString&, qint64 existingSize, qint64 newSize,
               const QDateTime&, int& answer) {
            events
                << QStringLiteral("replace %1|%2|%3").arg(existing).arg(existingSize).arg(newSize);
            answer = replaceAnswer;
        });
    connect(&client, &ftp::FtpClient::CommandLogged, this,
            [this](const QString& line, int direction) {
                log << line;
                if (direction == ftp::kLogSent)
                    commands << line;
            });
    connect(&client, &ftp::FtpClient::Disconnected, this,
            [this, &client] { events << QStringLiteral("disconnected %1").arg(client.State()); });
    connect(&client, &ftp::FtpClient::Reconnecting, this,
            [this](int attempt, int attempts, const QString& cause) {
                events << QStringLiteral("reconnecting %1/%2").arg(attempt).arg(attempts);
                causes << cause;
            });
    connect(&client, &ftp::FtpClient::AccountRequired, this, [this](QString& a) {
        events << "account?";
        a = account;
    });
    connect(&client, &ftp::FtpClient::PasswordRequired, this, [this](QString& p) {
        events << "password?";
        p = password;
    });
}

QStringList Recorder::of(const QString& kind) const {
    QStringList out;
    for (const QString& e : events)
        if (e.section(' ', 0, 0) == kind)
            out << e;
    return out;
}

int Recorder::risingPercent(int state) const {
    int last = 0;
    for (const Progress& p : progress) {
        if (p.percent < last || (state >= 0 && p.state != state))
            return -1;
        last = p.percent;
    }
    return last;
}
