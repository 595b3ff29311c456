#include "ProjectSender.h"

#include "BusyState.h"
#include "FtpClient.h"
#include "TransferHost.h"
#include "TransferOptions.h"
#include "TransferTexts.h"

ProjectSender::ProjectSender(ftp::FtpClient& xFtp, TransferHost& host)
    : m_xFtp(xFtp), m_host(host) {}

void ProjectSender::sendProject(const QString& projectPath, const QString& projectName) {
    const QString remoteName = remoteProjectName(projectName);
    // Abort asked for between two sends stops the upload as one asked for during a send.
    const BusyState& busy = m_host.busy();
    busy.throwIfStopRequested();
    m_xFtp.SendFile(projectPath + QStringLiteral("/bin/pictavo.html"), 0,
                    remoteName + QStringLiteral("\\pictavo.html"), false);
    busy.throwIfStopRequested();
    m_xFtp.SendFiles(projectPath + QStringLiteral("/bin/*.swf"), remoteName, true, false);
    busy.throwIfStopRequested();
    m_xFtp.SendFiles(projectPath + QStringLiteral("/bin/*.txt"), remoteName, true, false);
    busy.throwIfStopRequested();
    m_xFtp.SendFiles(projectPath + QStringLiteral("/bin/images/*.*"),
                     remoteName + QStringLiteral("\\images"), true, false);
}

QString ProjectSender::Send(const QString& localPath, const QStringList& projects) {
    applyTransferOptions(m_xFtp);
    QString outcome;
    try {
        for (const QString& project : projects)
            sendProject(localPath + project, project);
        outcome = QStringLiteral("Successfully uploaded the selected Pictavo(s).");
    } catch (const ftp::FtpError& e) {
        if (e.number == ftp::kErrAborted) {
            m_host.DisplayMessage(QStringLiteral("Upload successfully aborted."));
            outcome = QStringLiteral("Upload aborted.");
        } else {
            m_host.DisplayMessage(QStringLiteral("Error while uploading file(s). Description: ") +
                                  e.description);
            outcome = withCause(QStringLiteral("Error while uploading file(s)."), e);
        }
    }
    m_host.StatusBarInfo(outcome);
    m_host.setProgress(0);
    return outcome;
}
