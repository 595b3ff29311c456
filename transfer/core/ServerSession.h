#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "ConnectionRecord.h"
#include "FtpClient.h"

class Questions;
class TransferHost;

// The window's one FTP connection without its forms: the signed-in account applied to the
// component, connecting, disconnecting, Abort, and the answers to the component's connection
// notifications (reconnects, the command log, account, password and certificate questions).
class ServerSession : public QObject {
    Q_OBJECT
public:
    ServerSession(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions);

    void applySettings(const ConnectionRecord& record);
    // Connects unless connected. Returns the folder the server starts in; none when the connect
    // failed (see connectFailure) or the folder could not be asked for.
    std::optional<QString> open();
    // Disconnects; an operation still running is aborted first and waited for.
    void Close();
    void Abort();
    // Why the latest connect failed, for the user; empty when it did not fail.
    QString connectFailure() const { return m_sConnectFailure; }

public slots:
    void xFtp_Reconnecting(int attempt, int attempts, const QString& cause);
    void xFtp_CommandLogged(const QString& line);
    void xFtp_AccountRequired(QString& account);
    void xFtp_PasswordRequired(QString& password);
    void xFtp_CertificateUntrusted(const QString& host, const QString& fingerprintSha256,
                                   const QString& subject, const QString& issuer,
                                   const QDateTime& validFrom, const QDateTime& validTo,
                                   const QStringList& reasons, bool& trust);

private:
    ftp::FtpClient& m_xFtp;
    TransferHost& m_host;
    Questions& m_questions;
    QString m_sConnectFailure;
};
