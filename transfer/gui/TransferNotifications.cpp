#include "TransferNotifications.h"

#include "BusyState.h"
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
    connect(&m_window.Busy(), &BusyState::changed, this, [this](bool busy) {
        if (!busy)
            OperationEnded();
    });
}

void TransferNotifications::xFtp_TransferProgress(const QString& fileName, const QString&,
                                                  qint64 fileSize, qint64 bytesDone, int percent) {
    m_window.ShowTransferStatus(ProgressText(m_xFtp.State(), fileName, bytesDone, fileSize));
    m_window.SetProgress(percent);
}

void TransferNotifications::xFtp_ReplacingFile(const QString& existingName, const QString&, qint64,
                                               qint64, const QDateTime&, int& answer) {
    if (m_replaceAnswer) {
        answer = *m_replaceAnswer;
        return;
    }
    switch (dialogs().message(
        m_window.DialogParent(), QMessageBox::Question, BoxTitle(QStringLiteral("[Confirm]")),
        ReplaceQuestion(existingName),
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll,
        QMessageBox::Yes)) {
        case QMessageBox::YesToAll:
            m_replaceAnswer = 1;
            answer = 1;
            break;
        case QMessageBox::Yes:
            answer = 1;
            break;
        case QMessageBox::NoToAll:
            m_replaceAnswer = 0;
            answer = 0;
            break;
        default:
            answer = 0;
    }
}

void TransferNotifications::xFtp_SendingFile(const QString& fileName, const QString&, qint64) {
    m_window.ShowTransferStatus(QStringLiteral("Sending ") + fileName);
}

void TransferNotifications::xFtp_SkippingFile(const QString& firstName, const QString& secondName,
                                              qint32 reason) {
    if (reason == ftp::kSkipUnchanged) {
        ++m_unchanged;
        if (!m_window.Busy().busy())
            OperationEnded();
        return;
    }
    for (const QString& line : SkipLines(firstName, secondName, reason))
        m_window.DisplayMessage(line);
}

void TransferNotifications::OperationEnded() {
    m_replaceAnswer.reset();
    if (m_unchanged > 0)
        m_window.DisplayMessage(UnchangedSkippedLine(m_unchanged));
    m_unchanged = 0;
}
