#include "ProjectDeletion.h"

#include <QStringList>

#include "FtpClient.h"
#include "TransferTexts.h"

namespace {
bool IsDotEntry(const QString& name) {
    return name == QLatin1String(".") || name == QLatin1String("..");
}
}  // namespace

ProjectDeletion::ProjectDeletion(ftp::FtpClient& xFtp, ProgressSink setProgress,
                                 ProgressSource progress, StopCheck checkStop)
    : m_xFtp(xFtp),
      m_setProgress(std::move(setProgress)),
      m_progress(std::move(progress)),
      m_checkStop(std::move(checkStop)) {}

void ProjectDeletion::check(int depth) const {
    if (m_checkStop)
        m_checkStop();
    if (depth > kMaxDepth)
        throw ftp::FtpError(
            ftp::kErrProtocol,
            QStringLiteral(
                "The folder tree is more than %1 levels deep; nothing below was deleted.")
                .arg(kMaxDepth));
}

void ProjectDeletion::deleteProject(const QString& sFolder) {
    const QString savedFolder = m_xFtp.CurrentFolder();
    try {
        m_counter = 0;
        CountFolderRecursive(sFolder);
        m_total = m_counter;
        m_xFtp.ChangeFolder(savedFolder);
        RemoveFolderRecursive(sFolder);
    } catch (const ftp::FtpError&) {
        // A deletion that stops part-way would leave the server somewhere inside the tree, and
        // the list read next would show that folder under the path of this one.
        try {
            m_xFtp.ChangeFolder(savedFolder);
        } catch (const ftp::FtpError&) {
            // The cause of the stop is what the user must hear of.
        }
        throw;
    }
}

void ProjectDeletion::CountFolderRecursive(const QString& sFolder, int depth) {
    check(depth);
    const QString returnFolder = m_xFtp.CurrentFolder();
    if (!sFolder.isEmpty())
        m_xFtp.ChangeFolder(sFolder);
    const ftp::FolderItems items = m_xFtp.GetFolderItems(QString(), 0);
    m_counter += items.Count();
    QStringList subfolders;
    for (const ftp::FolderItem& item : items) {
        switch (item.ItemType) {
            case ftp::kFile:
            case ftp::kLink:
                ++m_counter;
                break;
            case ftp::kFolder:
                if (!IsDotEntry(item.ItemName)) {
                    ++m_counter;
                    subfolders << item.ItemName;
                }
                break;
            default:
                break;
        }
    }
    for (const QString& subfolder : subfolders)
        CountFolderRecursive(subfolder, depth + 1);
    m_xFtp.ChangeFolder(returnFolder);
}

void ProjectDeletion::RemoveFolderRecursive(const QString& sFolder, int depth) {
    check(depth);
    const QString returnFolder = m_xFtp.CurrentFolder();
    if (!sFolder.isEmpty())
        m_xFtp.ChangeFolder(sFolder);
    const ftp::FolderItems items = m_xFtp.GetFolderItems(QString(), 0);
    QStringList subfolders;
    for (const ftp::FolderItem& item : items) {
        switch (item.ItemType) {
            case ftp::kFile:
            case ftp::kLink:
                // A link goes as a link; one the server will not delete stops the deletion rather
                // than being entered and emptied.
                check(depth);
                m_xFtp.DeleteFile(item.ItemName);
                --m_counter;
                showProgress();
                break;
            case ftp::kFolder:
                if (!IsDotEntry(item.ItemName))
                    subfolders << item.ItemName;
                break;
            default:
                break;
        }
    }
    for (const QString& subfolder : subfolders)
        RemoveFolderRecursive(subfolder, depth + 1);
    m_xFtp.ChangeFolder(returnFolder);
    m_xFtp.RemoveFolder(sFolder);
    --m_counter;
    if (m_progress() < 100)
        showProgress();
}

void ProjectDeletion::showProgress() {
    m_setProgress(deletionProgress(m_total, m_counter));
}
