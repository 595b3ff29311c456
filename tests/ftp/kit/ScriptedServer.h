#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>
#include <QTcpServer>
#include <functional>

// A minimal FTP server on 127.0.0.1 that follows a script, for what real servers will not do on
// demand: odd replies, drops, silence, wrong PASV addresses, hostile listings. It runs in the
// test's thread; the component's nested event loops drive it. Each verb has a default answer that
// a test may replace in `on`. EPRT connects back at once; STOR creates its file when it answers
// 150, as real servers do; SIZE, RNFR, RNTO and DELE work on `files`.
class ScriptedServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& argument)>;

    ScriptedServer();
    quint16 port() const { return m_server.serverPort(); }
    // Takes AUTH TLS and PROT P with a certificate for "localhost" made in `folder`, which it
    // returns (null when openssl failed); data connections show another one.
    QSslCertificate offerTls(const QString& folder);

    QByteArray greeting = "220 Scripted server ready.";
    QStringList features = {"EPSV", "MLST type*;size*;modify*;", "UTF8"};
    QByteArray pasvHost = "127,0,0,1";  // the address in 227 replies
    QByteArray listing;                 // what LIST and MLSD send
    QMap<QString, QByteArray> files;    // by name
    bool refusePassive = false;         // EPSV and PASV announce a port that refuses
    QMap<QString, QByteArray> replies;  // verb (upper case) -> a fixed reply ("": none)
    QMap<QString, Handler> on;          // verb -> a handler replacing the default
    QString cwd = QStringLiteral("/");
    QStringList received;  // command lines, in order

    void reply(const QByteArray& lines);  // "\n" separated; each line is sent with CRLF
    // Sends `pieces` on the data connection once it is open, one every `intervalMs` (at once with
    // 0), then closes it, or with `reset` resets it (RST), and replies 226.
    void sendData(const QList<QByteArray>& pieces, int intervalMs = 0, bool reset = false);
    // The reply in `pieces` (line ends included), one every `intervalMs`.
    void trickleReply(const QList<QByteArray>& pieces, int intervalMs);
    // Keeps what arrives on the data connection as files[name] and replies 226 at its end.
    void receiveData(const QString& name);
    void standard(const QString& verb, const QString& argument);  // the default answer

private:
    void onCommand(const QString& line);
    quint16 openPassive();
    void adoptData(QSslSocket* socket);
    // Runs `use` on the data connection once it is open (and secured after PROT P).
    void withData(std::function<void(QTcpSocket*)> use);
    void endTransfer();
    // Writes `pieces` to `socket` one every `intervalMs`, then runs `done`, unless the socket
    // went away.
    void drip(QTcpSocket* socket, QList<QByteArray> pieces, int intervalMs,
              std::function<void()> done);

    // Accepts connections as QSslSocket, to secure them once the client asks.
    class Listener : public QTcpServer {
        void incomingConnection(qintptr descriptor) override;
    };
    Listener m_server, m_passive;
    QPointer<QSslSocket> m_control, m_data;
    QByteArray m_buffer;
    QSslConfiguration m_tls, m_dataTls;          // null: no TLS
    bool m_protected = false;                    // PROT P
    bool m_transfer = false;                     // a 150 went out and its 226 did not yet
    QString m_renameFrom;                        // RNFR's name
    std::function<void(QTcpSocket*)> m_pending;  // waits for the data connection
};
