#include "ServerSession.h"

#include <QCoreApplication>

#include "AppPath.h"
#include "BoxTitle.h"
#include "BusyState.h"
#include "CertificateTrust.h"
#include "ConnectionRecord.h"
#include "FtpClient.h"
#include "Questions.h"
#include "ServerTrust.h"
#include "TransferHost.h"
#include "TransferTexts.h"

ServerSession::ServerSession(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions)
    : m_xFtp(xFtp), m_host(host), m_questions(questions) {
    connect(&m_xFtp, &ftp::FtpClient::CommandLogged, this, &ServerSession::xFtp_CommandLogged);
    connect(&m_xFtp, &ftp::FtpClient::Reconnecting, this, &ServerSession::xFtp_Reconnecting,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::AccountRequired, this, &ServerSession::xFtp_AccountRequired,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::PasswordRequired, this, &ServerSession::xFtp_PasswordRequired,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::CertificateUntrusted, this,
            &ServerSession::xFtp_CertificateUntrusted, Qt::DirectConnection);
}

void ServerSession::applySettings(const ConnectionRecord& record) {
    m_xFtp.setServerAddress(record.sAddress);
    m_xFtp.setServerPort(record.sPort.toUShort());
    m_xFtp.setUserName(record.sUserName.left(8).toLower().trimmed());
    m_xFtp.setPassword(record.sPassword);
    // Passive mode works behind routers and firewalls; the component falls back to active mode
    // by itself where a server refuses passive.
    m_xFtp.setPassiveMode(true);
    // TLS whenever the server offers it; an account that had it before never goes back to
    // clear text, where a man in the middle could have stripped it.
    m_xFtp.setTlsMode(hadEncryption(m_xFtp.UserName(), record.sAddress, settingsPath())
                          ? ftp::kTlsRequire
                          : ftp::kTlsAuto);
}

std::optional<QString> ServerSession::open() {
    if (m_xFtp.State() != ftp::kNotConnected) {
        m_host.StatusBarInfo(QStringLiteral("Already connected to ") + m_xFtp.ServerAddress() +
                             QStringLiteral("!"));
        return std::nullopt;
    }
    m_sConnectFailure.clear();
    try {
        m_xFtp.setCommandLogFilename(dataPath() + QStringLiteral("FerryFTP.log"));
        m_xFtp.Connect();
    } catch (const ftp::FtpError& e) {
        m_sConnectFailure = connectFailureCause(e, m_xFtp.ServerAddress(), m_xFtp.ServerPort());
        m_host.DisplayMessage(QStringLiteral("Error while connecting to '") +
                              m_xFtp.ServerAddress() + QStringLiteral("'. Description: ") +
                              e.description);
        m_host.StatusBarInfo(QStringLiteral("Error connecting to ") + m_xFtp.ServerAddress());
        return std::nullopt;
    }
    try {
        return m_xFtp.CurrentFolder();
    } catch (const ftp::FtpError& e) {
        m_host.DisplayMessage(
            QStringLiteral("Error while obtaining current remote folder after connection. "
                           "Description: ") +
            e.description);
        m_host.StatusBarInfo(QStringLiteral("Error obtaining current remote folder."));
        return std::nullopt;
    }
}

void ServerSession::Close() {
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
        m_host.StatusBarInfo(QStringLiteral("Disconnecting from ") + m_xFtp.ServerAddress());
        try {
            m_xFtp.Disconnect();
        } catch (const ftp::FtpError& e) {
            m_host.DisplayMessage(QStringLiteral("Error while disconnecting from '") +
                                  m_xFtp.ServerAddress() + QStringLiteral("'. Description: ") +
                                  e.description);
        }
    }
}

void ServerSession::Abort() {
    m_host.busy().requestStop();
    try {
        m_xFtp.setAbortRequested(true);
    } catch (const ftp::FtpError& e) {
        m_questions.warn(boxTitle(QStringLiteral("[Notice]")) + QLatin1Char('"'),
                         QStringLiteral("Cannot abort the current operation. Error: \r\n") +
                             e.description + QString::number(e.number),
                         Questions::Buttons::OkCancel);
        m_host.StatusBarInfo(QStringLiteral("Cannot abort the current operation."));
        return;
    }
    m_host.StatusBarInfo(QStringLiteral("Aborting current operaion."));
}

void ServerSession::xFtp_Reconnecting(int attempt, int attempts, const QString& cause) {
    const QString text = reconnectingText(m_xFtp.ServerAddress(), attempt, attempts, cause);
    m_host.DisplayMessage(text);
    m_host.StatusBarInfo(text);
}

void ServerSession::xFtp_CommandLogged(const QString& line) {
    m_host.DisplayMessage(line);
}

void ServerSession::xFtp_AccountRequired(QString& account) {
    account = m_questions.input(boxTitle(QStringLiteral("[Query]")),
                                QStringLiteral("An account is required for this server."));
}

void ServerSession::xFtp_CertificateUntrusted(const QString& host, const QString& fingerprintSha256,
                                              const QString& subject, const QString& issuer,
                                              const QDateTime& validFrom, const QDateTime& validTo,
                                              const QStringList& reasons, bool& trust) {
    trust = trustCertificate(
        m_questions, {host, fingerprintSha256, subject, issuer, validFrom, validTo, reasons},
        settingsPath());
}

void ServerSession::xFtp_PasswordRequired(QString& password) {
    password = m_questions.input(boxTitle(QStringLiteral("[Query]")),
                                 QStringLiteral("Please enter the correct password"));
}
