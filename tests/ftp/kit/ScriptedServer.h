#pragma once

#include <QByteArray>
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
// test's thread; the component's nested event loops drive it. Each verb has a default answer that a
// test may replace in `on`. Data connections are passive (EPSV, PASV) or active: EPRT connects
// back at once. STOR creates its file when it answers 150, as real servers do; SIZE,
// RNFR and RNTO work on `files`. With offerTls(), AUTH TLS and PROT P secure the connections.
class ScriptedServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& argument)>;

    ScriptedServer();
    quint16 port() const { return m_server.serverPort(); }
    // Makes a certificate for "localhost" in `folder` and takes AUTH TLS with it; with
    // `otherOnData`, the data connections show a second one. False when openssl failed.
    bool offerTls(const QString& folder, bool otherOnData = false);
    QSslCertificate certificate() const { return m_tls.localCertificate(); }

    // Script.
    QByteArray greeting = "220 Scripted server ready.";
    QStringList features = {"EPSV", "MLST type*;size*;modify*;", "UTF8"};
    QByteArray pasvHost = "127,0,0,1";  // the address in 227 replies
    QByteArray listing;                 // what LIST and MLSD send
    QMap<QString, QByteArray> files;    // by name: RETR sends them, STOR and DELE change them
    // What EPSV and PASV announce: a port that takes the connection, or one that refuses it.
    enum class PassivePort { Listening, Refusing } passivePort = PassivePort::Listening;
    QMap<QString, Handler> on;  // verb (upper case) -> handler replacing the default
    QString cwd = QStringLiteral("/");

    // What happened.
    QStringList received;             // command lines, in order
    QList<QByteArray> receivedBytes;  // the same, undecoded

    // Tools for handlers.
    void reply(const QByteArray& lines);  // "\n" separated; each line is sent with CRLF
    // Sends `data` on the data connection once it is open, then closes it, or with `reset`
    // resets it (RST) once the data left, and replies 226.
    void sendData(const QByteArray& data, bool reset = false);
    // As reply and sendData, but trickled: one of `pieces` (line ends included) every
    // `intervalMs`, as servers that keep a silence timeout at bay do.
    void trickleReply(const QList<QByteArray>& pieces, int intervalMs);
    void trickleData(const QList<QByteArray>& pieces, int intervalMs);
    // Keeps what arrives on the data connection as files[name] and replies 226 at its end.
    void receiveData(const QString& name);
    // The default answer, for handlers that change the script around it.
    void standard(const QString& verb, const QString& argument);

private:
    void onCommand(const QString& line);
    quint16 openPassive();
    void connectBack(const QString& argument);
    void adoptData(QSslSocket* socket);
    // Runs `use` on the data connection once it is open.
    void withData(std::function<void(QTcpSocket*)> use);
    // Closes the data connection and replies 226 once it is closed.
    void completeData(QTcpSocket* socket);
    // Writes `pieces` to `socket` one every `intervalMs`, then runs `done`; stops early when
    // the socket goes away.
    void drip(QTcpSocket* socket, QList<QByteArray> pieces, int intervalMs,
              std::function<void()> done = {});

    // Accepts connections as QSslSocket, to secure them once the client asks.
    class Listener : public QTcpServer {
        void incomingConnection(qintptr descriptor) override;
    };
    Listener m_server;
    QPointer<QSslSocket> m_control;
    QByteArray m_buffer;
    Listener m_passive;
    QPointer<QSslSocket> m_data;
    QSslConfiguration m_tls, m_dataTls;          // null: no TLS
    bool m_protected = false;                    // PROT P
    bool m_transfer = false;                     // a 150 went out and its 226 did not yet
    QString m_renameFrom;                        // RNFR's name
    std::function<void(QTcpSocket*)> m_pending;  // waits for the data connection
};
