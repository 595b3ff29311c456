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

bool FtpSession::AskToTryAgain() {
    FerryConnect& prompt = ferryConnect();
    prompt.setWindowTitle(QStringLiteral("Pictavo Ferrymate -Internet Connection"));
    const QString failure = m_server.connectFailure();
    prompt.form().Label1->setText(
        failure.isEmpty() ? kFailureMessage : kFailureMessage + QStringLiteral("\r\r") + failure);
    prompt.ShowButtons(false, true, true);
    prompt.form().cmdConnect->setText(QStringLiteral("OK"));
    return prompt.ShowForm();
}

void FtpSession::ConnectToServer() {
    for (;;) {
        WaitPointer wait(m_window.DialogParent());
        bool signedIn = false;
        {
            FerryLogin login(m_window.DialogParent());
            signedIn = login.ShowForm(m_record.sAddress, m_record.sPort, m_record.sUserName,
                                      m_record.sPassword, m_record.bIsAnonymous, m_record.bPassive);
            m_sSettingsProblem =
                login.m_bSettingsSaved
                    ? QString()
                    : QStringLiteral("The settings could not be saved in ") + SettingsPath();
            if (signedIn) {
                m_window.ShowUserAddress(QStringLiteral("http://") + m_record.sAddress);
                m_window.ShowTransferWindow();
            }
        }
        if (!signedIn) {
            m_window.StatusBarInfo(QStringLiteral("Connect operation cancelled."));
            m_window.UnloadWindow();
            return;
        }
        m_server.ApplySettings(m_record);
        {
            const BusyState::Hold busy = m_window.Busy().hold();
            m_window.StatusBarInfo(QStringLiteral("Connecting to ") + m_xFtp.ServerAddress());
            m_xFtp.setConnectOption(200);
            OpenConnection();
            // Closed while connecting: the program is ending, there is nobody left to ask.
            if (m_window.IsUnloaded())
                return;
            if (m_xFtp.State() == ftp::kIdle) {
                const bool encrypted = m_xFtp.Encrypted();
                if (encrypted)
                    RememberEncryption(m_xFtp.UserName(), m_record.sAddress, SettingsPath());
                m_remote.ListFilesOnServer();
                m_window.EnableConnectedCommands(true);
                m_window.StatusBarInfo(
                    WithLine(QStringLiteral("Connected to ") + m_xFtp.ServerAddress() +
                                 (encrypted ? QString() : QStringLiteral(" (not encrypted)")),
                             m_sSettingsProblem));
                m_window.EnableLocalCommands();
                return;
            }
        }
        m_window.StatusBarInfo(
            WithLine(QStringLiteral("Could not connect to ") + m_xFtp.ServerAddress(),
                     m_server.connectFailure()));
        if (!AskToTryAgain()) {
            m_window.StatusBarInfo(QStringLiteral("Connect operation cancelled."));
            m_window.UnloadWindow();
            return;
        }
        WriteProfileString(QStringLiteral("ConnectionInfo"),
                           QStringLiteral("LastServerAddressUsed"), QString(), SettingsPath());
    }
}

void FtpSession::OpenConnection() {
    if (const std::optional<QString> folder = m_server.Open())
        AddPathToComboBox(*folder, m_cboRemotePath);
}

void FtpSession::RunIfIdle(void (FtpSession::*procedure)()) {
    m_window.Busy().runIfIdle([this, procedure] { (this->*procedure)(); });
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
        m_window.DialogParent(), QMessageBox::NoIcon, BoxTitle(QStringLiteral("[Notice]")),
        QStringLiteral("Disconnected from FTP server ") + server, QMessageBox::Ok, QMessageBox::Ok);
    if (m_cboRemotePath)
        m_cboRemotePath->clear();
    m_window.StatusBarInfo(QStringLiteral("Disconnected from ") + server);
    m_remote.ClearRemoteFileList();
    m_window.EnableConnectedCommands(false);
    m_window.EnableRemoteCommands();
    CloseConnection();
}
