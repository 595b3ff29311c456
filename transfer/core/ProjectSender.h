#pragma once

#include <QString>
#include <QStringList>

class TransferHost;
namespace ftp {
class FtpClient;
}

// Publishing local projects: each project's published files go to a remote folder named after
// it, in a fixed order, and an Abort asked for between two sends stops the upload.
class ProjectSender {
public:
    ProjectSender(ftp::FtpClient& xFtp, TransferHost& host);

    // Sends the projects `projects` (folder names below `localPath`, which ends with a
    // separator), reports how it ended and returns the status line text that tells it.
    QString Send(const QString& localPath, const QStringList& projects);

private:
    void sendProject(const QString& projectPath, const QString& projectName);

    ftp::FtpClient& m_xFtp;
    TransferHost& m_host;
};
