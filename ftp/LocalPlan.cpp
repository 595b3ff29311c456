#include "LocalPlan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <memory>

#ifdef Q_OS_UNIX
#include <dirent.h>
#endif

#include "ByteCount.h"
#include "FtpClient.h"
#include "Mask.h"
#include "RemotePath.h"

namespace ftp {

namespace {

// Entries whose names do not survive decoding into text; QDir leaves them out without a word.
// Each comes back as the name decoded with replacement characters, and whether it is a folder.
QList<std::pair<QString, bool>> undecodableEntries(const QString& folder) {
    QList<std::pair<QString, bool>> found;
#ifdef Q_OS_UNIX
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(QFile::encodeName(folder).constData()),
                                                  &closedir);
    if (!dir)
        return found;
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArray raw(entry->d_name);
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) != raw)
            found.append({name, entry->d_type == DT_DIR});
    }
#else
    Q_UNUSED(folder);
#endif
    return found;
}

class Walker {
public:
    Walker(const Mask& mask, bool recurse) : m_mask(mask), m_recurse(recurse) {}

    void walk(const QString& folder, const QString& relative, LocalPlan& plan) {
        QDir dir(folder);
        const QString canonical = dir.canonicalPath();
        if (m_visited.contains(canonical))
            return;  // a link loop
        m_visited.insert(canonical);
        if (!dir.isReadable()) {
            plan.skipped.append({folder, kSkipUnreadable});
            return;
        }
        const QFileInfoList entries = dir.entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        QFileInfoList folders;
        for (const QFileInfo& fi : entries) {
            if (fi.isDir()) {
                folders.append(fi);
                continue;
            }
            if (!m_mask.matches(fi.fileName()))
                continue;
            if (remote_path::unsendable(fi.fileName()))
                plan.skipped.append({fi.filePath(), kSkipUnsendable});
            else if (!fi.exists() || (fi.isFile() && !fi.isReadable()))
                plan.skipped.append({fi.filePath(), kSkipUnreadable});
            else if (!fi.isFile())
                plan.skipped.append({fi.filePath(), kSkipNotRegular});
            else
                add(fi, relative, plan);
        }
        for (const auto& [name, isFolder] : undecodableEntries(folder))
            if (isFolder ? m_recurse : m_mask.matches(name))
                plan.skipped.append({QDir(folder).filePath(name), kSkipBadEncoding});
        if (!m_recurse)
            return;
        for (const QFileInfo& fi : std::as_const(folders)) {
            if (remote_path::unsendable(fi.fileName()))
                plan.skipped.append({fi.filePath(), kSkipUnsendable});
            else
                walk(fi.filePath(), remote_path::join(relative, fi.fileName()), plan);
        }
    }

    static void add(const QFileInfo& fi, const QString& relative, LocalPlan& plan) {
        plan.files.append({fi.filePath(), relative, fi.fileName(), fi.size()});
        plan.bytes = addBytes(plan.bytes, fi.size());
    }

private:
    Mask m_mask;
    bool m_recurse;
    QSet<QString> m_visited;
};

}  // namespace

LocalPlan planLocalMask(const QString& localMask, bool includeSubfolders) {
    LocalPlan plan;
    const QString mask = QDir::fromNativeSeparators(localMask);
    const qsizetype slash = mask.lastIndexOf('/');
    const QString folder = slash < 0 ? QStringLiteral(".") : slash == 0 ? "/" : mask.left(slash);
    const QString pattern = mask.mid(slash + 1);
    if (!QFileInfo(folder).isDir())
        return plan;
    Walker(Mask(pattern), includeSubfolders).walk(folder, QString(), plan);
    return plan;
}

LocalFile planLocalFile(const QString& localPath) {
    const QFileInfo fi(localPath);
    if (!fi.exists())
        throw FtpError(kErrLocalFile,
                       QStringLiteral("The local file '%1' does not exist.").arg(localPath));
    if (!fi.isFile())
        throw FtpError(kErrLocalFile,
                       QStringLiteral("The local path '%1' is not a file.").arg(localPath));
    if (!fi.isReadable())
        throw FtpError(kErrLocalFile,
                       QStringLiteral("The local file '%1' cannot be read.").arg(localPath));
    return {fi.filePath(), QString(), fi.fileName(), fi.size()};
}

}  // namespace ftp
