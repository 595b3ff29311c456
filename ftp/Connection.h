#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

#include "FtpClient.h"
#include "FtpError.h"
#include "ListingParser.h"
#include "Reply.h"
#include "ReplyParser.h"

class QBuffer;
class QSslContext;
class QSslSocket;

namespace ftp {

class DataChannel;

// One control connection: the socket, the replies matched to the commands in the order sent,
// the server's features, the timeouts and the keep-alive. It closes exactly once and
// says why through `closed`. It starts in clear and may switch to TLS (startTls); data
// connections are then encrypted too once protectData is set, resuming its TLS session.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    // Names under "localhost" (RFC 6761) go to the loopback address without a name lookup.
    void open(const QString& host, quint16 port);
    bool isConnected() const { return m_connected; }
    bool isClosed() const { return m_closed; }
    QHostAddress peerAddress() const;
    QHostAddress localAddress() const;

    // Sends one command line. With `keep`, its final reply is held for takeFinal; otherwise
    // the reply is only logged.
    quint64 send(const QString& command, bool keep = true);
    // The greeting answers no command; it is awaited like the reply to one.
    quint64 expectGreeting();
    std::optional<Reply> takeFinal(quint64 seq);
    // The latest preliminary (1xx) reply to `seq`, if one came.
    std::optional<Reply> takePreliminary(quint64 seq);
    // Nobody waits for the replies of what was sent so far: they are logged and dropped.
    void forgetPending();
    bool idle() const { return m_answered == m_sent; }

    // Sends EPSV for this connection's next transfer along with what was just sent, where
    // EPSV worked on it before, and that transfer's `command` with it when given: the transfer
    // then waits for no round trip of its own. Only the next transfer soon after may use them
    // (takeAhead). A command sent ahead that is not taken is given up before anything else
    // reaches the server: its data connection opens and closes with nothing, and `undo` (sent
    // first once the server answered) removes what that left.
    void sendAhead(const QString& command = {}, const QString& undo = {});
    struct Ahead {
        quint64 passive = 0;
        QString command;
        std::optional<quint64> commandSeq;  // when the command was sent too
        QString undo;
    };
    // What was sent ahead for a transfer by `command`, while it is fresh enough that the server
    // still listens on its port; anything else sent ahead is given up.
    std::optional<Ahead> takeAhead(const QString& command);
    // Nobody waits for the reply to `seq` any more.
    void forget(quint64 seq);

    // Starts the TLS handshake (after the server's 234 to AUTH TLS); the certificate must be
    // valid for `verifyName`. A certificate that does not verify holds the handshake until
    // trustCertificate() or close().
    void startTls(const QSslConfiguration& config, const QString& verifyName);
    bool encrypted() const { return m_encrypted; }
    // The reasons the server's certificate does not verify, while the handshake waits.
    const QList<QSslError>& untrusted() const { return m_untrusted; }
    QSslCertificate peerCertificate() const;
    QString verifyName() const { return m_verifyName; }
    void trustCertificate();
    // Data connections are encrypted (after PROT P).
    bool protectData = false;

    // Ends the connection: `why` is what `closed` reports.
    void close(const FtpError& why);

    void setTimeout(int seconds);
    std::chrono::milliseconds timeout() const { return m_silence.intervalAsDuration(); }
    void setKeepAlive(int seconds);
    // While busy an operation owns the connection: no keep-alive commands are sent.
    void setBusy(bool busy);

    DataChannel* newDataChannel();
    DataChannel* dataChannel() const { return m_data.get(); }
    void dropDataChannel();
    // A data transfer runs: silence on it counts toward the timeout.
    void setDataActive(bool active);

    void note(const QString& line) { emit logged(line, kLogNote); }

    // What the session learned and chose; kept with the connection it belongs to.
    QSet<QString> features;  // FEAT lines, upper-cased first word ("MLST", "UTF8", "EPSV", ...)
    bool utf8 = false;
    QString type;                   // the TYPE in force ("I", "A" or empty)
    std::optional<QString> folder;  // the current folder as PWD last reported it
    // Where the session is for its caller when a transfer left the server elsewhere: the next
    // operation that needs it goes back first (see settleFolder), the next transfer need not.
    std::optional<QString> home;
    // Folders this session's sends made, with the files they put there since: the next send
    // into one needs no listing. Any other operation forgets them.
    QHash<QString, QHash<QString, ListingEntry>> madeFolders;
    // The data connection mode that worked; the session keeps to it.
    enum class DataMode { Unknown, Passive, Active } dataMode = DataMode::Unknown;
    bool noEpsv = false;
    bool epsvWorked = false;  // EPSV gave a port on this connection
    bool noEprt = false;
    bool noListA = false;  // LIST -a refused: plain LIST
    // The server's clock minus ours and how far that may be off, in ms (see UnchangedCheck).
    std::optional<qint64> clockOffset;
    qint64 clockSlack = 0;
    bool clockUnknown = false;  // measuring failed: not tried again

signals:
    // A reply, data or a state change arrived: waiting operations look again.
    void changed();
    void logged(const QString& line, int direction);
    void closed(const FtpError& why);

private:
    void onReadyRead();
    void onSocketError();
    void onSilence();
    void onReplyOverdue();
    // Stops the reply clock once a reply is complete; `replied`: one completed just now.
    void updateReplyClock(bool replied);
    void updateTimers();
    QString decode(const QByteArray& bytes) const;
    // Sets up a data connection as this session's data connections are.
    std::unique_ptr<DataChannel, void (*)(DataChannel*)> makeDataChannel();
    void giveUp(const Ahead& ahead);
    void advanceGivingUp(quint64 seq, const Reply& reply);

    void onSslErrors(const QList<QSslError>& errors);
    void onEncrypted();

    std::unique_ptr<QSslSocket> m_socket;
    ReplyParser m_parser;
    bool m_connected = false;
    bool m_closed = false;
    quint64 m_sent = 0;
    quint64 m_answered = 0;
    quint64 m_abortSeq = 0;  // the latest ABOR sent
    QSet<quint64> m_keep;
    std::optional<Ahead> m_ahead;
    QElapsedTimer m_aheadAge;
    // A command sent ahead being given up: what is sent meanwhile waits in m_held until the
    // server answered it.
    std::optional<Ahead> m_givingUp;
    QByteArray m_held;
    std::unique_ptr<DataChannel, void (*)(DataChannel*)> m_givingUpData;
    std::unique_ptr<QBuffer> m_nothing;
    QMap<quint64, Reply> m_finals;
    QMap<quint64, Reply> m_preliminaries;
    QTimer m_silence;
    // Started by the first bytes of a reply: a server that trickles it line by line defeats
    // the silence timeout, not this one.
    QTimer m_replyClock;
    QTimer m_keepAlive;
    bool m_busy = true;
    bool m_keepAliveOn = true;
    bool m_dataActive = false;
    bool m_handshaking = false;
    bool m_encrypted = false;
    QList<QSslError> m_untrusted;
    QString m_verifyName;
    // The TLS session data connections resume: the newest one the server gave.
    QByteArray m_sessionTicket;
    // What every data connection of this session starts from, taken once the control
    // connection is encrypted.
    QSslConfiguration m_dataTls;
    // The TLS context the data connections share, from the first that was encrypted.
    std::shared_ptr<QSslContext> m_dataContext;
    std::unique_ptr<DataChannel, void (*)(DataChannel*)> m_data;
};

}  // namespace ftp
