#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

// A minimal FTP server on 127.0.0.1 that follows a script, for what real servers will not do on
// demand: odd replies, drops, silence, wrong PASV addresses, hostile listings. It runs in the
// test's thread; the component's nested event loops drive it. Each verb has a default answer
// that a test may replace in `on`.
class ScriptedServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& argument)>;

    ScriptedServer();
    quint16 port() const { return m_server.serverPort(); }

    // Script.
    QByteArray greeting = "220 Scripted server ready.";
    QStringList features = {"EPSV", "MLST type*;size*;modify*;", "UTF8"};
    QHostAddress pasvShown = QHostAddress(QStringLiteral("127.0.0.1"));  // address in 227 replies
    QByteArray listing;                                                  // what LIST and MLSD send
    QMap<QString, QByteArray> files;  // by name: RETR sends them, STOR stores them
    QMap<QString, Handler> on;        // verb (upper case) -> handler replacing the default

    // What happened.
    QStringList received;             // command lines, in order
    QList<QByteArray> receivedBytes;  // the same, undecoded
    int connections = 0;

    // Tools for handlers.
    void reply(const QByteArray& lines);  // "\n" separated; each line is sent with CRLF
    void closeControl();
    // Sends `data` on the data connection once it is open, closes it, then replies 226.
    void sendData(const QByteArray& data, bool complete = true);
    // Runs the default answer of a verb.
    void standard(const QString& verb, const QString& argument);
    QString cwd = QStringLiteral("/");

private:
    void onCommand(const QString& line);
    void openPassive();
    void withData(std::function<void(QTcpSocket*)> action);

    QTcpServer m_server;
    QPointer<QTcpSocket> m_control;
    QByteArray m_buffer;
    QTcpServer m_passive;
    QPointer<QTcpSocket> m_data;
    QHostAddress m_activeHost;
    quint16 m_activePort = 0;
    bool m_activeMode = false;
    std::function<void(QTcpSocket*)> m_pending;  // waits for the data connection
    QString m_renameFrom;
};
