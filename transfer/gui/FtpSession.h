#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

class QComboBox;
class Questions;
class RemoteSide;
class TransferWindow;
struct ConnectionRecord;
namespace ftp {
class FtpClient;
}

// The window's one FTP connection: sign-in and connect with its retry loop, disconnect, abort,
// the transfer mode, and the component's connection notifications.
class FtpSession : public QObject {
    Q_OBJECT
public:
    FtpSession(ftp::FtpClient& xFtp, RemoteSide& remote, QComboBox* cboRemotePath,
               TransferWindow& window, Questions& questions, ConnectionRecord& record,
               QObject* parent = nullptr);

    void ConnectToServer();
    void OpenConnection();
    void CloseConnection();
    void Abort();

public slots:
    void cmdConnect_Click() { RunIfIdle(&FtpSession::ConnectToServer); }
    void cmdDisconnect_Click() { RunIfIdle(&FtpSession::CloseConnection); }
    void cmdAbort_Click() { Abort(); }
    void optAscii_Click();
    void optBinary_Click();
    void xFtp_Disconnected();
    void xFtp_Reconnecting(int attempt, int attempts, const QString& cause);
    void xFtp_CommandLogged(const QString& line);
    void xFtp_AccountRequired(QString& account);
    void xFtp_PasswordRequired(QString& password);
    void xFtp_CertificateUntrusted(const QString& host, const QString& fingerprintSha256,
                                   const QString& subject, const QString& issuer,
                                   const QDateTime& validFrom, const QDateTime& validTo,
                                   const QStringList& reasons, bool& trust);

private:
    void ApplySettings();
    bool AskToTryAgain();
    void RunIfIdle(void (FtpSession::*procedure)());

    ftp::FtpClient& m_xFtp;
    RemoteSide& m_remote;
    QPointer<QComboBox> m_cboRemotePath;
    TransferWindow& m_window;
    Questions& m_questions;
    ConnectionRecord& m_record;
    QString m_sConnectFailure;   // why the latest connect failed, for the user
    QString m_sSettingsProblem;  // the sign-in could not be written to the settings file
};
