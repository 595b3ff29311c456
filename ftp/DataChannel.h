#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "AsciiConverter.h"

class QIODevice;
class QSslContext;
class QSslSocket;
class QTcpServer;

namespace ftp {

// One data connection: either connects to the server (passive) or accepts the server's
// connection (active), then sends a local source until its end or receives into a sink until
// the server closes. Data moves in fixed-size chunks with a bounded amount queued, so memory
// stays flat whatever the file size.
class DataChannel : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kChunk = 1024 * 1024;
    static constexpr qint64 kHighWater = 4 * 1024 * 1024;  // bytes queued on the socket at most
    static constexpr int kTicketWait = 1000;  // ms an upload waits for a TLS 1.3 session ticket
    static constexpr int kHandshakeLinger = 1000;  // ms an abort lets a TLS handshake finish

    using Sink = std::function<bool(const QByteArray&)>;  // false: the data could not be kept

    explicit DataChannel(QObject* parent = nullptr);
    ~DataChannel() override;

    // Before connectTo or listen: the connection is TLS (as the client, whoever connects) with
    // `config`, and fails unless the server shows `expected`.
    // `context`, when set, is the TLS context of an earlier data connection of the same
    // configuration: building one costs OpenSSL more than the resumed handshake itself.
    void secure(const QSslConfiguration& config, const QSslCertificate& expected,
                std::shared_ptr<QSslContext> context);
    // The TLS context this data connection used, once encrypted.
    std::shared_ptr<QSslContext> tlsContext() const;

    // Passive: connect to the server's data port.
    void connectTo(const QHostAddress& host, quint16 port);
    // Active: listen on `local` for the server's connection; only `peer` may connect.
    bool listen(const QHostAddress& local, const QHostAddress& peer);
    quint16 listenPort() const;

    // Sends all of `source` (kept open by the caller) then closes the connection. Nothing is
    // sent before release(): servers take data only after their 1xx reply to the command. A
    // source that gives other than `size` bytes (when not negative) fails the transfer: the
    // file changed while it was sent.
    void upload(QIODevice* source, bool ascii, qint64 size);
    void release();
    // Hands every received chunk to `sink` until the server closes the connection. A reset
    // connection is a failure, never the end of the data.
    void download(Sink sink, bool ascii);

    bool connected() const { return m_socket != nullptr && m_wasConnected; }
    bool finished() const { return m_finished; }
    std::optional<QString> error() const { return m_error; }
    // The failure was on this side (the local file could not be read or written).
    bool localError() const { return m_localError; }
    qint64 bytes() const { return m_bytes; }  // local bytes sent or kept so far

    void abort();

signals:
    // Connected, data moved, finished or failed: a waiting operation should look again.
    void changed();
    // The server gave a TLS session to resume (after the handshake, or later with TLS 1.3).
    void sessionTicket(const QByteArray& ticket);

private:
    void adopt(QSslSocket* socket);
    void onTcpConnected();
    void onEncrypted();
    void onConnected();
    void pump();
    void closeUpload();
    void receive();
    void onDisconnected();
    void failWith(const QString& why, bool local = false);
    QString changedSize() const;

    QSslSocket* m_socket = nullptr;  // child of this; let go by an abort in its TLS handshake
    std::optional<QSslConfiguration> m_tls;
    QSslCertificate m_expected;
    std::shared_ptr<QSslContext> m_context;
    QTcpServer* m_server = nullptr;  // child of this
    QHostAddress m_peer;
    bool m_wasConnected = false;
    bool m_ready = false;
    bool m_ticketSeen = false;
    bool m_closing = false;
    QTimer m_ticketWait;  // connected and, with TLS, encrypted: data may move
    bool m_finished = false;
    std::optional<QString> m_error;
    bool m_localError = false;
    qint64 m_bytes = 0;

    enum class Role { None, Upload, Download } m_role = Role::None;
    QPointer<QIODevice> m_source;
    qint64 m_sourceSize = -1;
    QByteArray m_chunk;  // what was read of the source, reused
    Sink m_sink;
    std::optional<AsciiConverter> m_ascii;
    bool m_sourceDone = false;
    bool m_released = false;
};

}  // namespace ftp
