#include "EntryReceiver.h"

#include "FtpClient.h"
#include "Questions.h"
#include "TransferHost.h"
#include "TransferOptions.h"
#include "TransferTexts.h"

EntryReceiver::EntryReceiver(ftp::FtpClient& xFtp, TransferHost& host, Questions& questions)
    : m_xFtp(xFtp), m_host(host), m_questions(questions) {}

void EntryReceiver::Receive(const QList<Entry>& entries, const QString& localFolder) {
    applyTransferOptions(m_xFtp);
    try {
        for (const Entry& entry : entries) {
            if (entry.folder) {
                const bool subfolders = m_questions.Confirm(
                    QStringLiteral("Do you want to receive any subfolders that are contained in "
                                   "the '") +
                    entry.name + QStringLiteral("' folder?"));
                m_xFtp.ReceiveFiles(entry.name + QStringLiteral("\\*"), localFolder, subfolders);
            } else {
                m_xFtp.ReceiveFile(entry.name, 0, localFolder + entry.name);
            }
        }
        m_host.StatusBarInfo(QStringLiteral("File download(s) complete."));
    } catch (const ftp::FtpError& e) {
        if (e.number == ftp::kErrAborted) {
            m_host.DisplayMessage(QStringLiteral("Download successfully aborted."));
            m_host.StatusBarInfo(QStringLiteral("Download aborted."));
        } else {
            m_host.DisplayMessage(QStringLiteral("Error while downloading file(s). Description: ") +
                                  e.description);
            m_host.StatusBarInfo(withCause(QStringLiteral("Error downloading file(s)."), e));
        }
    }
    m_host.setProgress(0);
}
