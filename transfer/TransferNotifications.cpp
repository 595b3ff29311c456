#include "TransferNotifications.h"

#include "Dialogs.h"
#include "FtpClient.h"
#include "TransferTexts.h"
#include "TransferWindow.h"

TransferNotifications::TransferNotifications(ftp::FtpClient& xFtp, TransferWindow& window,
                                             QObject* parent)
    : QObject(parent), m_xFtp(xFtp), m_window(window) {
    connect(&m_xFtp, &ftp::FtpClient::TransferProgress, this,
            &TransferNotifications::xFtp_TransferProgress, Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::ReplacingFile, this,
            &TransferNotifications::xFtp_ReplacingFile, Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::SendingFile, this, &TransferNotifications::xFtp_SendingFile,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::SkippingFile, this, &TransferNotifications::xFtp_SkippingFile,
            Qt::DirectConnection);
}

void TransferNotifications::xFtp_TransferProgress(const QString& fileName, const QString&,
                                                  qint64 fileSize, qint64 bytesDone, int percent) {
    m_window.StatusBarInfo(ProgressText(m_xFtp.State(), fileName, bytesDone, fileSize));
    m_window.SetProgress(percent);
}

void TransferNotifications::xFtp_ReplacingFile(const QString& existingName, const QString&, qint64,
                                               qint64, const QDateTime&, int& answer) {
    answer = Confirm(m_window.DialogParent(), ReplaceQuestion(existingName)) ? 1 : 0;
}

void TransferNotifications::xFtp_SendingFile(const QString& fileName, const QString&, qint64) {
    m_window.StatusBarInfo(QStringLiteral("Sending ") + fileName);
}

void TransferNotifications::xFtp_SkippingFile(const QString& firstName, const QString& secondName,
                                              qint32 reason) {
    for (const QString& line : SkipLines(firstName, secondName, reason))
        m_window.DisplayMessage(line);
}
