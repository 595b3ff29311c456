#include "TransferNotifications.h"

#include "BusyState.h"
#include "FtpClient.h"
#include "Questions.h"
#include "TransferHost.h"
#include "TransferTexts.h"

TransferNotifications::TransferNotifications(ftp::FtpClient& xFtp, TransferHost& host,
                                             Questions& questions, QObject* parent)
    : QObject(parent), m_xFtp(xFtp), m_host(host), m_questions(questions) {
    connect(&m_xFtp, &ftp::FtpClient::TransferProgress, this,
            &TransferNotifications::xFtp_TransferProgress, Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::ReplacingFile, this,
            &TransferNotifications::xFtp_ReplacingFile, Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::SendingFile, this, &TransferNotifications::xFtp_SendingFile,
            Qt::DirectConnection);
    connect(&m_xFtp, &ftp::FtpClient::SkippingFile, this, &TransferNotifications::xFtp_SkippingFile,
            Qt::DirectConnection);
    connect(&m_host.busy(), &BusyState::changed, this, [this](bool busy) {
        if (!busy)
            operationEnded();
    });
}

void TransferNotifications::xFtp_TransferProgress(const QString& fileName, const QString&,
                                                  qint64 fileSize, qint64 bytesDone, int percent) {
    m_host.showTransferStatus(progressText(m_xFtp.State(), fileName, bytesDone, fileSize));
    m_host.setProgress(percent);
}

void TransferNotifications::xFtp_ReplacingFile(const QString& existingName, const QString&, qint64,
                                               qint64, const QDateTime&, int& answer) {
    if (m_replaceAnswer) {
        answer = *m_replaceAnswer;
        return;
    }
    using Replace = Questions::Replace;
    const Replace reply = m_questions.askReplace(replaceQuestion(existingName));
    answer = (reply == Replace::Yes || reply == Replace::YesToAll) ? 1 : 0;
    if (reply == Replace::YesToAll || reply == Replace::NoToAll)
        m_replaceAnswer = answer;
}

void TransferNotifications::xFtp_SendingFile(const QString& fileName, const QString&, qint64) {
    m_host.showTransferStatus(QStringLiteral("Sending ") + fileName);
}

void TransferNotifications::xFtp_SkippingFile(const QString& firstName, const QString& secondName,
                                              qint32 reason) {
    if (reason == ftp::kSkipUnchanged) {
        ++m_unchanged;
        if (!m_host.busy().busy())
            operationEnded();
        return;
    }
    for (const QString& line : skipLines(firstName, secondName, reason))
        m_host.DisplayMessage(line);
}

void TransferNotifications::operationEnded() {
    m_replaceAnswer.reset();
    if (m_unchanged > 0)
        m_host.DisplayMessage(unchangedSkippedLine(m_unchanged));
    m_unchanged = 0;
}
