#include "DataChannel.h"

#include <QtNetwork/private/qsslsocket_p.h>

#include <QCoreApplication>
#include <QIODevice>
#include <QSslSocket>
#include <QTcpServer>
#include <cerrno>

#ifdef Q_OS_WIN
#include <winsock2.h>
#endif

namespace ftp {

namespace {

bool sameHost(const QHostAddress& a, const QHostAddress& b) {
    return a.isEqual(b, QHostAddress::TolerantConversion);
}

// Qt reports a reset connection as the peer closing it (RemoteHostClosedError); only the
// system's last error, still set when the signal comes, tells the two apart.
bool lastErrorWasReset() {
#ifdef Q_OS_WIN
    return WSAGetLastError() == WSAECONNRESET;
#else
    return errno == ECONNRESET;
#endif
}

void clearLastError() {
#ifdef Q_OS_WIN
    WSASetLastError(0);
#else
    errno = 0;
#endif
}

// Accepts connections as QSslSocket, so an encrypted data connection the server opens can
// still be TLS with us as the client.
class SslCapableServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descriptor))
            addPendingConnection(socket);
        else
            delete socket;
    }
};

// Closes `socket` once its TLS handshake is over, within kHandshakeLinger: vsftpd ends the
// whole session when a data connection breaks off in its handshake. Leaving the socket's own
// signals before closing it, so QSslSocket is done with its TLS state.
void closeAfterHandshake(QSslSocket* socket) {
    socket->setParent(QCoreApplication::instance());
    const auto close = [socket] {
        if (socket->isEncrypted())
            socket->flush();
        socket->abort();
        socket->deleteLater();
    };
    QObject::connect(socket, &QSslSocket::encrypted, socket, close, Qt::QueuedConnection);
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, close, Qt::QueuedConnection);
    QTimer::singleShot(DataChannel::kHandshakeLinger, socket, close);
}

}  // namespace

DataChannel::DataChannel(QObject* parent) : QObject(parent) {}

DataChannel::~DataChannel() = default;

void DataChannel::secure(const QSslConfiguration& config, const QSslCertificate& expected,
                         std::shared_ptr<QSslContext> context) {
    m_tls = config;
    m_expected = expected;
    m_context = std::move(context);
}

std::shared_ptr<QSslContext> DataChannel::tlsContext() const {
    return m_socket && m_socket->isEncrypted() ? QSslSocketPrivate::sslContext(m_socket) : nullptr;
}

void DataChannel::connectTo(const QHostAddress& host, quint16 port) {
    auto* socket = new QSslSocket(this);
    adopt(socket);
    connect(socket, &QSslSocket::connected, this, &DataChannel::onTcpConnected);
    socket->connectToHost(host, port);
}

bool DataChannel::listen(const QHostAddress& local, const QHostAddress& peer) {
    m_peer = peer;
    m_server = new SslCapableServer(this);
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (m_server && m_server->hasPendingConnections()) {
            auto* s = static_cast<QSslSocket*>(m_server->nextPendingConnection());
            if (m_socket || !sameHost(s->peerAddress(), m_peer)) {
                // Only the server we talk to may deliver the data.
                s->abort();
                s->deleteLater();
                continue;
            }
            adopt(s);
            m_server->close();
            onTcpConnected();
        }
    });
    if (!m_server->listen(local, 0)) {
        failWith(QStringLiteral("Cannot listen for the data connection: ") +
                 m_server->errorString());
        return false;
    }
    return true;
}

quint16 DataChannel::listenPort() const {
    return m_server ? m_server->serverPort() : 0;
}

void DataChannel::adopt(QSslSocket* socket) {
    m_socket = socket;
    socket->setParent(this);
    socket->setReadBufferSize(kHighWater);
    connect(socket, &QSslSocket::encrypted, this, &DataChannel::onEncrypted);
    connect(socket, &QSslSocket::newSessionTicketReceived, this, [this] {
        m_ticketSeen = true;
        emit sessionTicket(m_socket->sslConfiguration().sessionTicket());
        if (m_role == Role::Upload)
            pump();
    });
    connect(socket, &QTcpSocket::readyRead, this, &DataChannel::receive);
    connect(socket, &QTcpSocket::bytesWritten, this, &DataChannel::pump);
    connect(socket, &QSslSocket::encryptedBytesWritten, this, &DataChannel::pump);
    connect(socket, &QTcpSocket::disconnected, this, &DataChannel::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        // The end of a download is the server closing; `disconnected` handles it. A reset is
        // not: the server or the network broke off, whatever the server replies.
        if (e != QAbstractSocket::RemoteHostClosedError)
            failWith(QStringLiteral("Data connection: ") + m_socket->errorString());
        else if (lastErrorWasReset())
            failWith(QStringLiteral("The data connection was reset."));
        else if (m_socket->isEncrypted() && m_socket->state() == QAbstractSocket::ConnectedState)
            // The server's TLS close: servers (vsftpd) close the connection only after ours.
            m_socket->disconnectFromHost();
    });
}

void DataChannel::onTcpConnected() {
    m_wasConnected = true;
    emit changed();
    if (!m_tls) {
        onConnected();
        return;
    }
    // Servers (vsftpd) start their side of the handshake only once they took the command.
    m_socket->setSslConfiguration(*m_tls);
    if (m_context)
        QSslSocketPrivate::checkSettingSslContext(m_socket, m_context);
    m_socket->startClientEncryption();
}

void DataChannel::onEncrypted() {
    if (m_socket->peerCertificate() != m_expected) {
        failWith(QStringLiteral(
            "The data connection showed another certificate than the control connection."));
        return;
    }
    // TLS 1.3 tickets come after the handshake; until then the session is the one resumed.
    if (m_socket->sessionProtocol() != QSsl::TlsV1_3)
        emit sessionTicket(m_socket->sslConfiguration().sessionTicket());
    onConnected();
}

void DataChannel::onConnected() {
    m_ready = true;
    emit changed();
    if (m_role == Role::Upload)
        pump();
    else if (m_role == Role::Download)
        receive();
}

void DataChannel::upload(QIODevice* source, bool ascii, qint64 size) {
    m_role = Role::Upload;
    m_source = source;
    m_sourceSize = size;
    if (ascii)
        m_ascii.emplace(AsciiConverter::ToNetwork);
    pump();
}

void DataChannel::download(Sink sink, bool ascii) {
    m_role = Role::Download;
    m_sink = std::move(sink);
    if (ascii)
        m_ascii.emplace(AsciiConverter::ToLocal);
    receive();
}

void DataChannel::release() {
    m_released = true;
    pump();
}

void DataChannel::pump() {
    if (m_role != Role::Upload || !m_released || !m_ready || m_finished || m_error)
        return;
    bool moved = false;
    // With TLS, what is queued is partly plain and partly already encrypted.
    while (!m_sourceDone &&
           m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite() < kHighWater) {
        if (!m_source) {
            failWith(QStringLiteral("The local file was closed during the transfer."), true);
            return;
        }
        // One buffer for the whole file, no larger than the file (and one byte to see it grow):
        // a buffer for each chunk, or a megabyte for a small file, costs the allocator a map
        // and an unmap each time.
        const qint64 rest = m_sourceSize >= 0 ? m_sourceSize - m_bytes + 1 : kChunk;
        const qint64 want = qBound<qint64>(1, rest, kChunk);
        if (m_chunk.size() < want)
            m_chunk.resize(want);
        const qint64 got = m_source->read(m_chunk.data(), want);
        if (got <= 0) {
            if (!m_source->atEnd()) {
                failWith(QStringLiteral("Cannot read the local file: ") + m_source->errorString(),
                         true);
                return;
            }
            if (m_sourceSize >= 0 && m_bytes != m_sourceSize) {
                failWith(changedSize(), true);
                return;
            }
            m_sourceDone = true;
            if (m_ascii)
                m_socket->write(m_ascii->finish());
            break;
        }
        m_bytes += got;
        if (m_sourceSize >= 0 && m_bytes > m_sourceSize) {
            failWith(changedSize(), true);
            return;
        }
        if (m_ascii)
            m_socket->write(m_ascii->convert(QByteArray(m_chunk.constData(), got)));
        else
            m_socket->write(m_chunk.constData(), got);
        moved = true;
    }
    if (m_sourceDone && m_socket->bytesToWrite() == 0)
        closeUpload();
    if (moved)
        emit changed();
}

void DataChannel::closeUpload() {
    if (m_closing || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    // A TLS 1.3 server sends its session ticket after the handshake. Closing with it unread
    // makes the system reset the connection, and the data still on its way is lost: wait for
    // it, within bounds for servers that send none.
    if (m_tls && m_socket->sessionProtocol() == QSsl::TlsV1_3 && !m_ticketSeen) {
        if (!m_ticketWait.isActive()) {
            m_ticketWait.setSingleShot(true);
            connect(&m_ticketWait, &QTimer::timeout, this, &DataChannel::closeUpload,
                    Qt::UniqueConnection);
            m_ticketWait.start(kTicketWait);
        }
        if (m_ticketWait.isActive())
            return;
    }
    m_closing = true;
    // Not from within the socket's own signal: it may still be reading the ticket.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
                m_socket->disconnectFromHost();
        },
        Qt::QueuedConnection);
}

QString DataChannel::changedSize() const {
    return QStringLiteral("The local file changed while it was sent: %1 bytes instead of %2.")
        .arg(m_bytes)
        .arg(m_sourceSize);
}

void DataChannel::receive() {
    if (m_role != Role::Download || !m_ready || m_error)
        return;
    // What the system reports next must be about this connection (see lastErrorWasReset).
    clearLastError();
    bool moved = false;
    while (m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(qMin(kChunk, m_socket->bytesAvailable()));
        if (chunk.isEmpty())
            break;
        m_bytes += chunk.size();
        moved = true;
        if (!m_sink(m_ascii ? m_ascii->convert(chunk) : chunk)) {
            failWith(QStringLiteral("Cannot write the received data."), true);
            return;
        }
    }
    if (moved)
        emit changed();
}

void DataChannel::onDisconnected() {
    if (m_error || m_finished)
        return;
    if (!m_ready) {
        failWith(QStringLiteral("The data connection closed before its TLS handshake."));
        return;
    }
    if (m_role == Role::Download) {
        receive();
        if (m_error)
            return;
        if (m_ascii && !m_sink(m_ascii->finish())) {
            failWith(QStringLiteral("Cannot write the received data."), true);
            return;
        }
        m_finished = true;
    } else if (m_role == Role::Upload && m_sourceDone && m_socket->bytesToWrite() == 0) {
        m_finished = true;
    } else {
        failWith(QStringLiteral("The server closed the data connection early."));
        return;
    }
    emit changed();
}

void DataChannel::failWith(const QString& why, bool local) {
    if (m_error || m_finished)
        return;
    m_error = why;
    m_localError = local;
    // Most failures are found inside the socket's own signals, and QSslSocket goes on with its
    // TLS state after a bytesWritten handler returns: aborting there frees that state under it.
    // Nothing moves once the error is set; the abort follows from the event loop.
    QMetaObject::invokeMethod(this, &DataChannel::abort, Qt::QueuedConnection);
    emit changed();
}

void DataChannel::abort() {
    if (m_server) {
        m_server->disconnect(this);
        m_server->close();
    }
    if (m_socket) {
        m_socket->disconnect(this);
        if (m_tls && m_socket->mode() == QSslSocket::SslClientMode && !m_socket->isEncrypted() &&
            m_socket->state() == QAbstractSocket::ConnectedState) {
            closeAfterHandshake(std::exchange(m_socket, nullptr));
            return;
        }
        // Our last handshake message may still wait in the socket's buffer (see
        // closeAfterHandshake).
        if (m_socket->isEncrypted())
            m_socket->flush();
        m_socket->abort();
    }
}

}  // namespace ftp
