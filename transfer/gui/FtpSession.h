#pragma once

#include <QObject>
#include <QPointer>

#include "ServerSession.h"

class QComboBox;
class Questions;
class RemoteSide;
class TransferWindow;
struct ConnectionRecord;
namespace ftp {
class FtpClient;
}

// The window's one FTP connection as the user sees it: the sign-in form and connect with its retry
// loop, the remote path box, the transfer mode, and the disconnected notice; the connection
// itself is ServerSession's.
class FtpSession : public QObject {
    Q_OBJECT
public:
    FtpSession(ftp::FtpClient& xFtp, RemoteSide& remote, QComboBox* cboRemotePath,
               TransferWindow& window, Questions& questions, ConnectionRecord& record,
               QObject* parent = nullptr);

    void ConnectToServer();
    void OpenConnection();
    void CloseConnection() { m_server.Close(); }
    void Abort() { m_server.Abort(); }

public slots:
    void cmdConnect_Click() { runIfIdle(&FtpSession::ConnectToServer); }
    void cmdDisconnect_Click() { runIfIdle(&FtpSession::CloseConnection); }
    void cmdAbort_Click() { Abort(); }
    void optAscii_Click();
    void optBinary_Click();
    void xFtp_Disconnected();

private:
    bool askToTryAgain();
    void runIfIdle(void (FtpSession::*procedure)());

    ftp::FtpClient& m_xFtp;
    RemoteSide& m_remote;
    QPointer<QComboBox> m_cboRemotePath;
    TransferWindow& m_window;
    ConnectionRecord& m_record;
    ServerSession m_server;
    QString m_sSettingsProblem;  // the sign-in could not be written to the settings file
};
