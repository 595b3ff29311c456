#include "ReceiveOps.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>
#include <optional>

#include "ByteCount.h"
#include "DataCommand.h"
#include "Dispatcher.h"
#include "FolderOps.h"
#include "FtpClient.h"
#include "ListOps.h"
#include "Mask.h"
#include "ProgressMeter.h"
#include "Reconnect.h"
#include "RemotePath.h"
#include "Session.h"

namespace ftp {

namespace {

struct RemoteFile {
    QString folder;  // absolute remote folder
    QString name;
    QString shown;  // the name as the caller would write it, for notifications
    QString localPath;
    qint64 size = 0;
    bool sized = false;  // the server announced `size`
};

struct RemotePlan {
    QList<RemoteFile> files;
    QStringList localFolders;  // to create, also when they stay empty
    qint64 bytes = 0;
};

void makeLocalFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw FtpError(kErrLocalFile,
                       QStringLiteral("Cannot create the local folder '%1'.").arg(path));
}

// Receives one file (progress in the meter's slot 0) into a temporary file that replaces
// `localPath` only when complete and whole: a binary file must have the size the server announced.
// An attempt that fails leaves no temporary (QSaveFile discards it) and the old file as it was.
void fetch(Session& s, const RemoteFile& f, ProgressMeter& meter) {
    makeLocalFolder(QFileInfo(f.localPath).absolutePath());
    QSaveFile out(f.localPath);
    if (!out.open(QIODevice::WriteOnly))
        throw FtpError(kErrLocalFile, QStringLiteral("Cannot write the local file '%1': %2")
                                          .arg(f.localPath, out.errorString()));
    const bool ascii = s.settings().transferMode == 1;
    s.ensureType(ascii);
    qint64 received = 0;
    DataJob job;
    job.command = QStringLiteral("RETR ") + f.name;
    job.ascii = ascii;
    job.sink = [&](const QByteArray& bytes) {
        received += bytes.size();
        return out.write(bytes) == bytes.size();
    };
    job.progress = [&](qint64 n) { meter.update(n); };
    runDataCommand(s, job);
    // Line ends change the size of an ASCII transfer.
    if (f.sized && !ascii && received != f.size)
        throw FtpError(kErrDataConnection,
                       QStringLiteral("The server sent %1 bytes of '%2' instead of %3.")
                           .arg(received)
                           .arg(f.shown)
                           .arg(f.size));
    // commit() misses a write that failed in the buffer (a full disk) and would put the short
    // file in place.
    if (!out.flush() || out.error() != QFileDevice::NoError) {
        const QString why = out.errorString();
        out.cancelWriting();
        throw FtpError(
            kErrLocalFile,
            QStringLiteral("Cannot write the local file '%1': %2").arg(f.localPath, why));
    }
    if (!out.commit())
        throw FtpError(kErrLocalFile, QStringLiteral("Cannot write the local file '%1': %2")
                                          .arg(f.localPath, out.errorString()));
}

// True when the file should be received: it is new, or ReplacingFile said so.
bool mayWrite(Session& s, const RemoteFile& f, ProgressMeter& meter) {
    const QFileInfo local(f.localPath);
    if (local.isDir())
        throw FtpError(kErrLocalFile, QStringLiteral("'%1' is a local folder.").arg(f.localPath));
    if (!local.exists())
        return true;
    if (s.notify().replacing(f.localPath, f.shown, local.size(), f.size, local.lastModified()) == 1)
        return true;
    s.notify().skipping(f.shown, f.localPath, kSkipKept);
    meter.skip(f.size);
    return false;
}

// The size SIZE announces; none when the server does not tell.
std::optional<qint64> remoteSize(Session& s, const QString& name) {
    const Reply r = s.command(QStringLiteral("SIZE ") + name);
    bool ok = false;
    const qint64 size = r.code == 213 ? r.text().toLongLong(&ok) : 0;
    return ok && size >= 0 ? std::optional(size) : std::nullopt;
}

class Planner {
public:
    // A server can list a folder inside every folder; the walk must end somewhere.
    static constexpr int kMaxDepth = 64;

    Planner(Session& s, const Mask& mask, bool recurse, const QString& origin)
        : m_s(s), m_mask(mask), m_recurse(recurse), m_origin(origin) {}

    void walk(const QString& folder, const QString& shown, const QString& local, RemotePlan& plan,
              int depth = 0) {
        if (depth > kMaxDepth)
            throw FtpError(kErrProtocol,
                           QStringLiteral("The folder tree is more than %1 levels deep; nothing "
                                          "was received.")
                               .arg(kMaxDepth));
        plan.localFolders.append(local);
        QList<ListingEntry> entries;
        withReconnect(m_s, [&] {
            enterFolder(m_s, folder, false, m_origin);
            entries = readListing(m_s);
        });
        QList<ListingEntry> subfolders;
        for (const ListingEntry& e : std::as_const(entries)) {
            const QString name = remote_path::join(shown, e.parsed ? e.name : e.raw);
            if (!e.parsed) {
                m_s.notify().skipping(printableName(e.raw), QString(), kSkipUnparsed);
            } else if (!isSafeLocalName(e.name)) {
                m_s.notify().skipping(printableName(name), QString(), kSkipUnsafeName);
            } else if (e.kind == kFolder) {
                if (m_recurse)
                    subfolders.append(e);
            } else if (!m_mask.matches(e.name)) {
                continue;
            } else if (e.kind == kLink) {
                m_s.notify().skipping(name, QString(), kSkipLink);
            } else {
                plan.files.append(
                    {folder, e.name, name, QDir(local).filePath(e.name), e.size, e.sized});
                plan.bytes = addBytes(plan.bytes, e.size);
            }
        }
        for (const ListingEntry& e : std::as_const(subfolders))
            walk(remote_path::join(folder, e.name), remote_path::join(shown, e.name),
                 QDir(local).filePath(e.name), plan, depth + 1);
    }

private:
    Session& m_s;
    Mask m_mask;
    bool m_recurse;
    QString m_origin;
};

}  // namespace

void receiveFile(Session& s, const QString& remoteName, const QString& localPath) {
    const QString name = remoteArgument(remoteName);
    if (localPath.isEmpty())
        throw FtpError(kErrBadArgument, QStringLiteral("A local path is required."));
    RemoteFile f{QString(), name, name, localPath};
    withReconnect(s, [&] {
        s.ensureType(s.settings().transferMode == 1);
        const std::optional<qint64> size = remoteSize(s, name);
        f.size = size.value_or(0);
        f.sized = size.has_value();
    });
    ProgressMeter meter(s.notify(), f.size, 1);
    if (!mayWrite(s, f, meter))
        return;
    meter.start(f.shown, f.localPath, f.size);
    withReconnect(s, [&] { fetch(s, f, meter); });
    meter.complete(f.size);
}

void receiveFiles(Session& s, const QString& remoteMask, const QString& localFolder,
                  bool includeSubfolders) {
    const QString mask = remote_path::normalize(remoteMask);
    if (remote_path::unsendable(mask))
        throw FtpError(kErrBadArgument,
                       QStringLiteral("A name must not contain line breaks or NUL characters."));
    if (localFolder.isEmpty())
        throw FtpError(kErrBadArgument, QStringLiteral("A local folder is required."));
    const QString folderPart = remote_path::folderOf(mask);
    QString local = localFolder;
    if (!folderPart.isEmpty() && folderPart != "/") {
        const QString name = remote_path::nameOf(folderPart);
        if (!isSafeLocalName(name))
            throw FtpError(kErrBadArgument,
                           QStringLiteral("'%1' cannot be a local folder name.").arg(name));
        local = QDir(localFolder).filePath(name);
    }

    const QString origin = s.currentFolder();
    // How many files there are shows only later: as many connections as may be used.
    openExtraConnections(s, std::numeric_limits<int>::max());
    visiting(s, origin, [&] {
        RemotePlan plan;
        Planner(s, Mask(remote_path::nameOf(mask)), includeSubfolders, origin)
            .walk(remote_path::absolute(origin, folderPart), folderPart, local, plan);
        for (const QString& folder : std::as_const(plan.localFolders))
            makeLocalFolder(folder);
        ProgressMeter meter(s.notify(), plan.bytes, int(plan.files.size()));
        // Every question comes before the first file moves.
        QList<FileJob> jobs;
        for (const RemoteFile& f : std::as_const(plan.files)) {
            if (!mayWrite(s, f, meter))
                continue;
            FileJob job;
            job.upload = false;
            job.folder = f.folder;
            job.name = f.name;
            job.localPath = f.localPath;
            job.shown = f.shown;
            job.size = f.size;
            job.sized = f.sized;
            jobs.append(job);
        }
        Dispatcher(s, meter, jobs).run([&](const FileJob& job) {
            const RemoteFile f{job.folder, job.name, job.shown, job.localPath, job.size, job.sized};
            withReconnect(s, [&] {
                enterFolder(s, f.folder, false, origin);
                fetch(s, f, meter);
            });
        });
    });
}

}  // namespace ftp
