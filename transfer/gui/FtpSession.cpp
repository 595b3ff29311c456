#include "FtpSession.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "AppPath.h"
#include "BusyState.h"
#include "ConnectionRecord.h"
#include "Dialogs.h"
#include "FerryConnect.h"
#include "FerryLogin.h"
#include "FtpClient.h"
#include "PathBox.h"
#include "ProfileFile.h"
#include "RemoteSide.h"
#include "ServerTrust.h"
#include "TransferTexts.h"
#include "TransferWindow.h"
#include "WaitPointer.h"

namespace {

const QString kFailureMessage = QStringLiteral(
    "Unable to connect to your FTP Server.\r"
    "Please verify you account information.\r"
    "\r"
    "Click 'OK' if you would like to try again.");

}  // namespace

FtpSession::FtpSession(ftp::FtpClient& xFtp, RemoteSide& remote, QComboBox* cboRemotePath,
                       TransferWindow& window, Questions& questions, ConnectionRecord& record,
                       QObject* parent)
    : QObject(parent),
      m_xFtp(xFtp),
      m_remote(remote),
      m_cboRemotePath(cboRemotePath),
      m_window(window),
      m_record(record),
      m_server(xFtp, window, questions) {
    connect(&m_xFtp, &ftp::FtpClient::Disconnected, this, &FtpSession::xFtp_Disconnected);
}

bool FtpSession::askToTryAgain() {
    FerryConnect& prompt = ferryConnect();
    prompt.setWindowTitle(QStringLiteral("Pictavo Ferrymate -Internet Connection"));
    const QString failure = m_server.connectFailure();
    prompt.form().Label1->setText(
        failure.isEmpty() ? kFailureMessage : kFailureMessage + QStringLiteral("\r\r") + failure);
    prompt.showButtons(false, true, true);
    prompt.form().cmdConnect->setText(QStringLiteral("OK"));
    return prompt.ShowForm();
}

void FtpSession::ConnectToServer() {
    for (;;) {
        WaitPointer wait(m_window.dialogParent());
        bool signedIn = false;
        {
            FerryLogin login(m_window.dialogParent());
            signedIn = login.ShowForm(m_record.sAddress, m_record.sPort, m_record.sUserName,
                                      m_record.sPassword, m_record.bIsAnonymous, m_record.bPassive);
            m_sSettingsProblem =
                login.m_bSettingsSaved
                    ? QString()
                    : QStringLiteral("The settings could not be saved in ") + settingsPath();
            if (signedIn) {
                m_window.showUserAddress(QStringLiteral("http://") + m_record.sAddress);
                m_window.showTransferWindow();
            }
        }
        if (!signedIn) {
            m_window.StatusBarInfo(QStringLiteral("Connect operation cancelled."));
            m_window.unloadWindow();
            return;
        }
        m_server.applySettings(m_record);
        {
            const BusyState::Hold busy = m_window.busy().hold();
            m_window.StatusBarInfo(QStringLiteral("Connecting to ") + m_xFtp.ServerAddress());
            m_xFtp.setConnectOption(200);
            OpenConnection();
            // Closed while connecting: the program is ending, there is nobody left to ask.
            if (m_window.isUnloaded())
                return;
            if (m_xFtp.State() == ftp::kIdle) {
                const bool encrypted = m_xFtp.Encrypted();
                if (encrypted)
                    rememberEncryption(m_xFtp.UserName(), m_record.sAddress, settingsPath());
                m_remote.ListFilesOnServer();
                m_window.EnableConnectedCommands(true);
                m_window.StatusBarInfo(
                    withLine(QStringLiteral("Connected to ") + m_xFtp.ServerAddress() +
                                 (encrypted ? QString() : QStringLiteral(" (not encrypted)")),
                             m_sSettingsProblem));
                m_window.EnableLocalCommands();
                return;
            }
        }
        m_window.StatusBarInfo(
            withLine(QStringLiteral("Could not connect to ") + m_xFtp.ServerAddress(),
                     m_server.connectFailure()));
        if (!askToTryAgain()) {
            m_window.StatusBarInfo(QStringLiteral("Connect operation cancelled."));
            m_window.unloadWindow();
            return;
        }
        writeProfileString(QStringLiteral("ConnectionInfo"),
                           QStringLiteral("LastServerAddressUsed"), QString(), settingsPath());
    }
}

void FtpSession::OpenConnection() {
    if (const std::optional<QString> folder = m_server.open())
        AddPathToComboBox(*folder, m_cboRemotePath);
}

void FtpSession::runIfIdle(void (FtpSession::*procedure)()) {
    m_window.busy().runIfIdle([this, procedure] { (this->*procedure)(); });
}

void FtpSession::optAscii_Click() {
    m_xFtp.setTransferMode(1);
}

void FtpSession::optBinary_Click() {
    m_xFtp.setTransferMode(0);
}

void FtpSession::xFtp_Disconnected() {
    const QString server = m_xFtp.ServerAddress();
    dialogs().message(
        m_window.dialogParent(), QMessageBox::NoIcon, boxTitle(QStringLiteral("[Notice]")),
        QStringLiteral("Disconnected from FTP server ") + server, QMessageBox::Ok, QMessageBox::Ok);
    if (m_cboRemotePath)
        m_cboRemotePath->clear();
    m_window.StatusBarInfo(QStringLiteral("Disconnected from ") + server);
    m_remote.ClearRemoteFileList();
    m_window.EnableConnectedCommands(false);
    m_window.EnableRemoteCommands();
    CloseConnection();
}
