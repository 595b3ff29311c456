#pragma once

#include <QList>
#include <QString>

namespace ftp {

// A local file to send: where it is, and where it goes relative to the send's remote folder.
struct LocalFile {
    QString path;
    QString folder;  // relative remote folder, "/"-separated; empty for the remote folder itself
    QString name;
    qint64 size = 0;
};

struct LocalSkip {
    QString path;
    qint32 reason;  // SkipReason
};

struct LocalPlan {
    QList<LocalFile> files;  // grouped by folder: a folder's files, then its subfolders
    QList<LocalSkip> skipped;
    qint64 bytes = 0;
};

// The files that a mask such as "/p/bin/*.swf" takes: matching files of the mask's folder and,
// with `includeSubfolders`, matching files of its subfolders (each at its relative folder).
// A folder that does not exist takes nothing: projects without an images folder are normal.
LocalPlan planLocalMask(const QString& localMask, bool includeSubfolders);
// One file to send; throws FtpError (kErrLocalFile) when it is missing or not a readable file.
LocalFile planLocalFile(const QString& localPath);

}  // namespace ftp
