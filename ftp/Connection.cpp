#include "Connection.h"

#include <QBuffer>
#include <QSslSocket>

#include "DataChannel.h"
#include "PassiveReply.h"

namespace ftp {

namespace {

void dropLater(DataChannel* d) {
    if (d) {
        d->abort();
        d->disconnect();
        d->deleteLater();
    }
}

bool isLocalhostName(const QString& host) {
    const QString h = host.trimmed().toLower();
    return h == "localhost" || h.endsWith(".localhost") || h == "localhost." ||
           h.endsWith(".localhost.");
}

}  // namespace

Connection::Connection(QObject* parent)
    : QObject(parent),
      m_socket(std::make_unique<QSslSocket>()),
      m_givingUpData(nullptr, &dropLater),
      m_data(nullptr, &dropLater) {
    m_silence.setSingleShot(true);
    m_silence.setInterval(30000);
    connect(&m_silence, &QTimer::timeout, this, &Connection::onSilence);
    m_replyClock.setSingleShot(true);
    m_replyClock.setInterval(30000);
    connect(&m_replyClock, &QTimer::timeout, this, &Connection::onReplyOverdue);
    m_keepAlive.setInterval(60000);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] {
        if (!m_busy && m_connected && idle())
            send(QStringLiteral("NOOP"), false);
    });
    // A certificate that does not verify holds the handshake until the user decided.
    m_socket->setPauseMode(QAbstractSocket::PauseOnSslErrors);
    connect(m_socket.get(), &QSslSocket::sslErrors, this, &Connection::onSslErrors);
    connect(m_socket.get(), &QSslSocket::encrypted, this, &Connection::onEncrypted);
    connect(m_socket.get(), &QSslSocket::newSessionTicketReceived, this,
            [this] { m_sessionTicket = m_socket->sslConfiguration().sessionTicket(); });
    connect(m_socket.get(), &QTcpSocket::connected, this, [this] {
        m_connected = true;
        updateTimers();
        emit changed();
    });
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &Connection::onReadyRead);
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this, &Connection::onSocketError);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, [this] {
        close(FtpError(kErrConnectionLost, QStringLiteral("The server closed the connection.")));
    });
}

Connection::~Connection() {
    m_socket->disconnect(this);
    m_socket->abort();
}

void Connection::open(const QString& host, quint16 port) {
    updateTimers();
    m_silence.start();
    if (isLocalhostName(host))
        m_socket->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    else
        m_socket->connectToHost(host.trimmed(), port);
}

QHostAddress Connection::peerAddress() const {
    return m_socket->peerAddress();
}

QHostAddress Connection::localAddress() const {
    return m_socket->localAddress();
}

quint64 Connection::send(const QString& command, bool keep) {
    if (m_ahead && m_ahead->commandSeq)
        giveUp(*std::exchange(m_ahead, std::nullopt));
    const quint64 seq = ++m_sent;
    if (!m_untrusted.isEmpty())
        return seq;  // nothing goes to a server whose certificate nobody trusted
    if (keep)
        m_keep.insert(seq);
    if (command.compare(QLatin1String("ABOR"), Qt::CaseInsensitive) == 0)
        m_abortSeq = seq;
    const bool secret = command.startsWith(QStringLiteral("PASS "), Qt::CaseInsensitive);
    emit logged(secret ? QStringLiteral("PASS ****") : command, kLogSent);
    const QByteArray line = (utf8 ? command.toUtf8() : command.toLatin1()) + "\r\n";
    if (m_givingUp) {
        m_held += line;
    } else if (!m_closed) {
        m_socket->write(line);
        if (!m_silence.isActive())
            m_silence.start();
        updateTimers();
    }
    return seq;
}

void Connection::startTls(const QSslConfiguration& config, const QString& verifyName) {
    if (!m_parser.drained() || m_socket->bytesAvailable() > 0) {
        // Whatever came in clear beyond the 234 would pass for replies inside TLS.
        close(FtpError(kErrProtocol, QStringLiteral("The server sent more than its 234 reply "
                                                    "before the TLS handshake.")));
        return;
    }
    m_verifyName = verifyName.trimmed();
    m_socket->setSslConfiguration(config);
    m_socket->setPeerVerifyName(m_verifyName);
    m_handshaking = true;
    updateTimers();
    m_socket->startClientEncryption();
}

void Connection::onSslErrors(const QList<QSslError>& errors) {
    m_untrusted = errors;
    // The user may take a while to decide: the server's patience is the limit, not ours.
    m_handshaking = false;
    updateTimers();
    emit changed();
}

void Connection::trustCertificate() {
    m_untrusted.clear();
    m_handshaking = true;
    updateTimers();
    m_socket->ignoreSslErrors();
    m_socket->resume();
}

void Connection::onEncrypted() {
    m_handshaking = false;
    m_encrypted = true;
    m_dataTls = m_socket->sslConfiguration();
    m_sessionTicket = m_dataTls.sessionTicket();
    // The server's certificate was checked (or trusted) on this connection; a data connection
    // must come from the same server, so it must show the same certificate. That comparison is
    // the check: no authorities to load for each data connection.
    m_dataTls.setPeerVerifyMode(QSslSocket::QueryPeer);
    m_dataTls.setCaCertificates({});
    m_dataContext.reset();
    updateTimers();
    emit changed();
}

QSslCertificate Connection::peerCertificate() const {
    return m_socket->peerCertificate();
}

quint64 Connection::expectGreeting() {
    const quint64 seq = ++m_sent;
    m_keep.insert(seq);
    updateTimers();
    return seq;
}

std::optional<Reply> Connection::takeFinal(quint64 seq) {
    const auto it = m_finals.find(seq);
    if (it == m_finals.end())
        return std::nullopt;
    Reply r = *it;
    m_finals.erase(it);
    m_keep.remove(seq);
    m_preliminaries.remove(seq);
    return r;
}

std::optional<Reply> Connection::takePreliminary(quint64 seq) {
    const auto it = m_preliminaries.find(seq);
    if (it == m_preliminaries.end())
        return std::nullopt;
    Reply r = *it;
    m_preliminaries.erase(it);
    return r;
}

void Connection::sendAhead(const QString& command, const QString& undo) {
    if (!epsvWorked || noEpsv || dataMode == DataMode::Active)
        return;
    if (const std::optional<Ahead> old = std::exchange(m_ahead, std::nullopt))
        giveUp(*old);
    Ahead ahead{send(QStringLiteral("EPSV")), command, std::nullopt, undo};
    if (!command.isEmpty())
        ahead.commandSeq = send(command);
    m_ahead = ahead;
    m_aheadAge.start();
}

std::optional<Connection::Ahead> Connection::takeAhead(const QString& command) {
    std::optional<Ahead> ahead = std::exchange(m_ahead, std::nullopt);
    if (!ahead)
        return std::nullopt;
    // Servers stop listening on a passive port nobody connected to after a while (pyftpdlib
    // after 30 s); what was forgotten has no reply to wait for.
    if (m_keep.contains(ahead->passive) && !m_aheadAge.hasExpired(10000) &&
        (ahead->command.isEmpty() || ahead->command == command))
        return ahead;
    giveUp(*ahead);
    return std::nullopt;
}

void Connection::giveUp(const Ahead& ahead) {
    const std::optional<Reply> port = takeFinal(ahead.passive);
    forget(ahead.passive);
    if (!ahead.commandSeq)
        return;
    forget(*ahead.commandSeq);
    if (m_answered >= *ahead.commandSeq) {
        send(ahead.undo, false);
        return;
    }
    // The server waits for the data connection before it answers anything else (vsftpd), or
    // takes the next one for it (pyftpdlib): nothing goes out until it answered.
    m_givingUp = ahead;
    send(ahead.undo, false);
    if (port)
        advanceGivingUp(ahead.passive, *port);
}

// Follows the replies to a command being given up: opens its data connection and sends
// nothing, and once the server answered, sends what waited.
void Connection::advanceGivingUp(quint64 seq, const Reply& reply) {
    if (seq == m_givingUp->passive) {
        if (const auto port = reply.code == 229 ? parseEpsvPort(reply.text()) : std::nullopt) {
            m_nothing = std::make_unique<QBuffer>();
            m_nothing->open(QIODevice::ReadOnly);
            m_givingUpData = makeDataChannel();
            m_givingUpData->upload(m_nothing.get(), false, 0);
            m_givingUpData->release();
            m_givingUpData->connectTo(peerAddress(), *port);
        }
    } else if (seq >= *m_givingUp->commandSeq) {
        m_givingUp.reset();
        m_givingUpData.reset();
        m_socket->write(std::exchange(m_held, {}));
    }
}

void Connection::forget(quint64 seq) {
    m_keep.remove(seq);
    m_finals.remove(seq);
    m_preliminaries.remove(seq);
}

void Connection::forgetPending() {
    m_keep.clear();
    m_finals.clear();
    m_preliminaries.clear();
}

QString Connection::decode(const QByteArray& bytes) const {
    return utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

void Connection::onReadyRead() {
    m_silence.start();
    if (!m_replyClock.isActive())
        m_replyClock.start();
    m_parser.feed(m_socket->readAll());
    bool replied = false;
    while (m_parser.hasReply()) {
        const RawReply raw = m_parser.takeReply();
        replied = replied || raw.code != 0;
        Reply reply;
        reply.code = raw.code;
        for (const QByteArray& line : raw.lines) {
            reply.lines << decode(line);
            emit logged(reply.lines.last(), kLogReceived);
        }
        if (m_closed)
            return;  // a log handler ended the connection
        if (raw.code == 0 || m_answered == m_sent)
            continue;  // noise, or a reply nobody asked for (such as 421 before a close)
        quint64 seq = m_answered + 1;
        // 225 to ABOR means no transfer was in progress: a transfer command still waiting gets
        // no final reply of its own (pyftpdlib aborted right after its 150), so the 225 is the
        // ABOR's and everything sent before it is answered.
        if (raw.code == 225 && m_abortSeq > m_answered)
            seq = m_abortSeq;
        if (reply.preliminary()) {
            if (m_keep.contains(seq))
                m_preliminaries.insert(seq, reply);
            continue;
        }
        m_answered = seq;
        if (m_keep.contains(seq))
            m_finals.insert(seq, reply);
        if (m_givingUp)
            advanceGivingUp(seq, reply);
    }
    if (!m_parser.error().isEmpty()) {
        close(FtpError(kErrProtocol, m_parser.error()));
        return;
    }
    updateReplyClock(replied);
    updateTimers();
    emit changed();
}

void Connection::updateReplyClock(bool replied) {
    // Noise lines while a reply is due count toward that reply. A reply that began in the
    // same read as the last one ended is timed from its next bytes, at most a silence later.
    if (replied || idle())
        m_replyClock.stop();
}

void Connection::onSocketError() {
    if (m_closed)
        return;
    const auto e = m_socket->error();
    if (e == QAbstractSocket::RemoteHostClosedError)
        return;  // `disconnected` follows
    if (m_handshaking || !m_untrusted.isEmpty()) {
        close(FtpError(kErrConnectFailed,
                       QStringLiteral("The TLS handshake failed: ") + m_socket->errorString()));
        return;
    }
    if (!m_connected) {
        const bool unknown = e == QAbstractSocket::HostNotFoundError;
        close(FtpError(unknown ? kErrHostNotFound : kErrConnectFailed,
                       QStringLiteral("Cannot connect to the server: ") + m_socket->errorString()));
        return;
    }
    close(FtpError(kErrConnectionLost,
                   QStringLiteral("The connection failed: ") + m_socket->errorString()));
}

void Connection::onSilence() {
    close(FtpError(kErrTimeout, QStringLiteral("The server did not answer within %1 seconds.")
                                    .arg(m_silence.interval() / 1000)));
}

void Connection::onReplyOverdue() {
    close(FtpError(kErrTimeout,
                   QStringLiteral("The server's reply did not complete within %1 seconds.")
                       .arg(m_replyClock.interval() / 1000)));
}

void Connection::close(const FtpError& why) {
    if (m_closed)
        return;
    m_closed = true;
    m_connected = false;
    m_silence.stop();
    m_replyClock.stop();
    m_keepAlive.stop();
    m_data.reset();
    m_givingUpData.reset();
    m_givingUp.reset();
    m_socket->disconnect(this);
    if (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesToWrite() > 0 &&
        m_untrusted.isEmpty())
        m_socket->disconnectFromHost();  // let a last QUIT or ABOR go out
    else
        m_socket->abort();
    emit closed(why);
    emit changed();
}

void Connection::setTimeout(int seconds) {
    m_silence.setInterval(qMax(1, seconds) * 1000);
    m_replyClock.setInterval(m_silence.interval());
}

void Connection::setKeepAlive(int seconds) {
    m_keepAlive.setInterval(qMax(1, seconds) * 1000);
    if (seconds <= 0)
        m_keepAlive.stop();
    m_keepAliveOn = seconds > 0;
    updateTimers();
}

void Connection::setBusy(bool busy) {
    m_busy = busy;
    updateTimers();
}

DataChannel* Connection::newDataChannel() {
    m_data = makeDataChannel();
    connect(m_data.get(), &DataChannel::changed, this, [this] {
        if (m_dataActive)
            m_silence.start();
        emit changed();
    });
    return m_data.get();
}

std::unique_ptr<DataChannel, void (*)(DataChannel*)> Connection::makeDataChannel() {
    std::unique_ptr<DataChannel, void (*)(DataChannel*)> data(new DataChannel, &dropLater);
    if (protectData) {
        QSslConfiguration config = m_dataTls;
        config.setSessionTicket(m_sessionTicket);
        data->secure(config, m_socket->peerCertificate(), m_dataContext);
        // Up to TLS 1.2 the data connections share one TLS context, and with it the session
        // they resume. A TLS 1.3 context keeps the session of the handshake, not the ticket
        // that comes after it, so there each data connection builds its own.
        if (!m_dataContext && m_socket->sessionProtocol() != QSsl::TlsV1_3)
            connect(data.get(), &DataChannel::changed, this, [this, d = data.get()] {
                if (!m_dataContext)
                    m_dataContext = d->tlsContext();
            });
        // With TLS 1.3 a ticket may resume one session only, and each data connection
        // brings a fresh one: the next connection resumes with the newest.
        connect(data.get(), &DataChannel::sessionTicket, this, [this](const QByteArray& ticket) {
            if (!ticket.isEmpty())
                m_sessionTicket = ticket;
        });
    }
    return data;
}

void Connection::dropDataChannel() {
    m_data.reset();
    setDataActive(false);
}

void Connection::setDataActive(bool active) {
    m_dataActive = active;
    if (active)
        m_silence.start();
    updateTimers();
}

void Connection::updateTimers() {
    if (m_closed)
        return;
    const bool waiting = !m_connected || !idle() || m_dataActive || m_handshaking;
    if (!waiting)
        m_silence.stop();
    else if (!m_silence.isActive())
        m_silence.start();
    const bool keepAlive = m_keepAliveOn && m_connected && !m_busy && idle();
    if (keepAlive && !m_keepAlive.isActive())
        m_keepAlive.start();
    else if (!keepAlive)
        m_keepAlive.stop();
}

}  // namespace ftp
