#include "FtpSession.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include "AppPath.h"
#include "BusyState.h"
#include "CertificateTrust.h"
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
      m_questions(questions),
      m_record(record) {
    connect(&m_xFtp, &ftp::FtpClient::Disconnected, this, &FtpSession::xFtp_Disconnected);
    connect(&m_xFtp, &ftp::FtpClient::CommandLogged, this, &FtpSession::xFtp_CommandLogged);
    connect(&m_xFtp, &ftp::FtpClient::Reconnecting, this, &FtpSession::xFtp_Reconnecting,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::AccountRequired, this, &FtpSession::xFtp_AccountRequired,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::PasswordRequired, this, &FtpSession::xFtp_PasswordRequired,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::CertificateUntrusted, this,
            &FtpSession::xFtp_CertificateUntrusted, Qt::DirectConnection);
}

void FtpSession::ApplySettings() {
    m_xFtp.setServerAddress(m_record.sAddress);
    m_xFtp.setServerPort(m_record.sPort.toUShort());
    m_xFtp.setUserName(m_record.sUserName.left(8).toLower().trimmed());
    m_xFtp.setPassword(m_record.sPassword);
    // Passive mode works behind routers and firewalls; the component falls back to active mode
    // by itself where a server refuses passive.
    m_xFtp.setPassiveMode(true);
    // TLS whenever the server offers it; an account that had it before never goes back to
    // clear text, where a man in the middle could have stripped it.
    m_xFtp.setTlsMode(HadEncryption(m_xFtp.UserName(), m_record.sAddress, SettingsPath())
                          ? ftp::kTlsRequire
                          : ftp::kTlsAuto);
}

bool FtpSession::AskToTryAgain() {
    FerryConnect& prompt = ferryConnect();
    prompt.setWindowTitle(QStringLiteral("Pictavo Ferrymate -Internet Connection"));
    prompt.form().Label1->setText(
        m_sConnectFailure.isEmpty() ? kFailureMessage
                                    : kFailureMessage + QStringLiteral("\r\r") + m_sConnectFailure);
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
        ApplySettings();
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
        m_window.StatusBarInfo(WithLine(
            QStringLiteral("Could not connect to ") + m_xFtp.ServerAddress(), m_sConnectFailure));
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
    if (m_xFtp.State() != ftp::kNotConnected) {
        m_window.StatusBarInfo(QStringLiteral("Already connected to ") + m_xFtp.ServerAddress() +
                               QStringLiteral("!"));
        return;
    }
    m_sConnectFailure.clear();
    try {
        m_xFtp.setCommandLogFilename(DataPath() + QStringLiteral("FerryFTP.log"));
        m_xFtp.Connect();
    } catch (const ftp::FtpError& e) {
        m_sConnectFailure = ConnectFailureCause(e, m_xFtp.ServerAddress(), m_xFtp.ServerPort());
        m_window.DisplayMessage(QStringLiteral("Error while connecting to '") +
                                m_xFtp.ServerAddress() + QStringLiteral("'. Description: ") +
                                e.description);
        m_window.StatusBarInfo(QStringLiteral("Error connecting to ") + m_xFtp.ServerAddress());
        return;
    }
    try {
        AddPathToComboBox(m_xFtp.CurrentFolder(), m_cboRemotePath);
    } catch (const ftp::FtpError& e) {
        m_window.DisplayMessage(
            QStringLiteral("Error while obtaining current remote folder after connection. "
                           "Description: ") +
            e.description);
        m_window.StatusBarInfo(QStringLiteral("Error obtaining current remote folder."));
    }
}

void FtpSession::RunIfIdle(void (FtpSession::*procedure)()) {
    // A command arriving while an operation runs (a queued click, a key) is dropped.
    if (!m_window.Busy().busy())
        (this->*procedure)();
}

void FtpSession::CloseConnection() {
    const auto busy = [this] {
        const int state = m_xFtp.State();
        return state != ftp::kIdle && state != ftp::kNotConnected;
    };
    if (busy()) {
        try {
            m_xFtp.setAbortRequested(true);
        } catch (const ftp::FtpError&) {
            // The component ends the operation by itself; waiting still applies.
        }
        // The running operation sits lower on this thread's stack; its notifications arrive
        // through these events until it reports idle or disconnected.
        while (busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (m_xFtp.State() != ftp::kNotConnected) {
        m_window.StatusBarInfo(QStringLiteral("Disconnecting from ") + m_xFtp.ServerAddress());
        try {
            m_xFtp.Disconnect();
        } catch (const ftp::FtpError& e) {
            m_window.DisplayMessage(QStringLiteral("Error while disconnecting from '") +
                                    m_xFtp.ServerAddress() + QStringLiteral("'. Description: ") +
                                    e.description);
        }
    }
}

void FtpSession::Abort() {
    m_window.Busy().requestStop();
    try {
        m_xFtp.setAbortRequested(true);
    } catch (const ftp::FtpError& e) {
        dialogs().message(m_window.DialogParent(), QMessageBox::Warning,
                          BoxTitle(QStringLiteral("[Notice]")) + QLatin1Char('"'),
                          QStringLiteral("Cannot abort the current operation. Error: \r\n") +
                              e.description + QString::number(e.number),
                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        m_window.StatusBarInfo(QStringLiteral("Cannot abort the current operation."));
        return;
    }
    m_window.StatusBarInfo(QStringLiteral("Aborting current operaion."));
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

void FtpSession::xFtp_Reconnecting(int attempt, int attempts, const QString& cause) {
    const QString text = ReconnectingText(m_xFtp.ServerAddress(), attempt, attempts, cause);
    m_window.DisplayMessage(text);
    m_window.StatusBarInfo(text);
}

void FtpSession::xFtp_CommandLogged(const QString& line) {
    m_window.DisplayMessage(line);
}

void FtpSession::xFtp_AccountRequired(QString& account) {
    account = dialogs().input(m_window.DialogParent(), BoxTitle(QStringLiteral("[Query]")),
                              QStringLiteral("An account is required for this server."), QString());
}

void FtpSession::xFtp_CertificateUntrusted(const QString& host, const QString& fingerprintSha256,
                                           const QString& subject, const QString& issuer,
                                           const QDateTime& validFrom, const QDateTime& validTo,
                                           const QStringList& reasons, bool& trust) {
    trust = TrustCertificate(
        m_questions, {host, fingerprintSha256, subject, issuer, validFrom, validTo, reasons},
        SettingsPath());
}

void FtpSession::xFtp_PasswordRequired(QString& password) {
    password = dialogs().input(m_window.DialogParent(), BoxTitle(QStringLiteral("[Query]")),
                               QStringLiteral("Please enter the correct password"), QString());
}
