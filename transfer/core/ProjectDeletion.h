#pragma once

#include <QString>
#include <functional>

namespace ftp {
class FtpClient;
}

// Deletes published project trees on the server: a counting pass sizes the tree, a removal pass
// deletes it depth first and reports progress. Links are deleted as links and never entered, so
// nothing outside the project can be reached through one. A tree deeper than kMaxDepth (a
// server that shows a folder in every folder) stops the deletion with an error, and a stop
// asked for between two commands is honoured like an abort.
class ProjectDeletion {
public:
    using ProgressSink = std::function<void(int percent)>;
    using ProgressSource = std::function<int()>;
    // Throws when a stop was asked for.
    using StopCheck = std::function<void()>;
    static constexpr int kMaxDepth = 64;

    ProjectDeletion(ftp::FtpClient& xFtp, ProgressSink setProgress, ProgressSource progress,
                    StopCheck checkStop);

    // Counts and removes the folder `sFolder` (relative to the current folder) with everything
    // below it; the current folder is the same afterwards. Throws FtpError on the first failure.
    void deleteProject(const QString& sFolder);

    void CountFolderRecursive(const QString& sFolder, int depth = 0);
    void RemoveFolderRecursive(const QString& sFolder, int depth = 0);

private:
    void showProgress();
    // Throws when a stop was asked for or the tree is too deep.
    void check(int depth) const;

    ftp::FtpClient& m_xFtp;
    ProgressSink m_setProgress;
    ProgressSource m_progress;
    StopCheck m_checkStop;
    // Each entry counts twice (once in its folder's count, once by its kind), so the removal pass
    // takes the counter from the total towards half of it.
    qint64 m_counter = 0;
    qint64 m_total = 0;
};
