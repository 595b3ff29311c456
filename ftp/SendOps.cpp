#include "SendOps.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "DataCommand.h"
#include "Dispatcher.h"
#include "FileJob.h"
#include "FolderOps.h"
#include "FtpClient.h"
#include "ListOps.h"
#include "LocalPlan.h"
#include "ProgressMeter.h"
#include "Reconnect.h"
#include "RemotePath.h"
#include "Session.h"
#include "Unchanged.h"

namespace ftp {

namespace {

using Folder = QHash<QString, ListingEntry>;

// A file a send put in place, as a listing would show it.
ListingEntry sentEntry(const FileJob& job) {
    ListingEntry e;
    e.name = job.name;
    e.kind = kFile;
    e.size = job.size;
    e.sized = true;
    e.parsed = true;
    return e;
}

// A name beside `name` for the file while it is sent: the site never serves a partial file.
QString temporaryName(const QString& name, const Folder& there) {
    const QString base = QStringLiteral(".") + name + QStringLiteral(".ferrypart");
    QString candidate = base;
    for (int n = 1; there.contains(candidate); ++n)
        candidate = base + QString::number(n);
    return candidate;
}

// Removes the temporaries that earlier sends left in the listed folder when their connection
// went away for good.
void removeLeftovers(Session& s, Folder& there) {
    static const QRegularExpression leftover(QStringLiteral("^\\..+\\.ferrypart[0-9]*$"));
    for (auto it = there.begin(); it != there.end();) {
        if (it->kind == kFile && leftover.match(it.key()).hasMatch() &&
            s.command(QStringLiteral("DELE ") + it.key()).positive())
            it = there.erase(it);
        else
            ++it;
    }
}

// Puts the complete file `f` in place under its name, over the old version when replacing. Once
// the old one is gone the new one is all there is, so `keepTemporary` tells the caller not to
// remove it on failure.
void moveIntoPlace(Session& s, const FileJob& f, bool& keepTemporary) {
    const QString& temporary = f.temporary;
    const QString& name = f.name;
    // Both at once: one round trip. Should RNFR fail, the server refuses the RNTO too. The
    // next file's EPSV and STOR go in the same round trip.
    const quint64 from = s.conn().send(QStringLiteral("RNFR ") + temporary);
    const quint64 to = s.conn().send(QStringLiteral("RNTO ") + name);
    if (const FileJob* next = s.ctx().claimNext ? s.ctx().claimNext() : nullptr)
        sendAheadFor(s.conn(), *next);
    Reply r = s.await(from);
    if (r.code != 350)
        throw serverError(r);
    r = s.await(to);
    if (r.positive())
        return;
    if (!f.replacing)
        throw serverError(r);
    // Some servers (IIS) will not rename over an existing file.
    s.require(QStringLiteral("DELE ") + name);
    keepTemporary = true;
    r = s.command(QStringLiteral("RNFR ") + temporary);
    if (r.code == 350)
        r = s.command(QStringLiteral("RNTO ") + name);
    if (!r.positive()) {
        FtpError e = serverError(r);
        e.description +=
            QStringLiteral(" The new version of '%1' is kept as '%2'.").arg(name, temporary);
        throw e;
    }
}

class Uploader {
public:
    Uploader(Session& s, const LocalPlan& plan, bool replaceWithoutAsking)
        : m_s(s),
          m_meter(s.notify(), plan.bytes, int(plan.files.size())),
          m_replaceSilently(replaceWithoutAsking) {}

    // Every target folder is made or listed, and every question asked, before the first file
    // goes: the files then move over as many connections as the session may use.
    void run(const LocalPlan& plan, const QString& remoteFolder) {
        for (const LocalSkip& k : plan.skipped)
            m_s.notify().skipping(k.path, QString(), k.reason);
        if (plan.files.isEmpty())
            return;
        const QString origin = m_s.currentFolder();
        const QString root = remote_path::absolute(origin, remoteFolder);
        openExtraConnections(m_s, int(plan.files.size()));
        visiting(m_s, origin, [&] {
            QList<FileJob> jobs;
            std::optional<QString> folder;
            Folder there;
            for (const LocalFile& f : plan.files) {
                const QString target = remote_path::absolute(root, f.folder);
                if (folder != f.folder) {
                    folder = f.folder;
                    withReconnect(m_s, [&] {
                        // Made by this session: it holds what the sends put there, nothing else.
                        auto& made = m_s.conn().madeFolders;
                        there = made.value(target);
                        if (made.contains(target))
                            return;
                        if (made.contains(remote_path::folderOf(target))) {
                            m_s.require(QStringLiteral("MKD ") + target);
                            made.insert(target, {});
                            return;
                        }
                        if (enterFolder(m_s, target, true, origin)) {
                            made.insert(target, {});
                            return;
                        }
                        for (const ListingEntry& e : readListing(m_s))
                            if (e.parsed)
                                there.insert(e.name, e);
                        removeLeftovers(m_s, there);
                    });
                }
                const QString shown =
                    remote_path::join(remote_path::join(remoteFolder, f.folder), f.name);
                if (std::optional<FileJob> job = jobFor(f, shown, target, there))
                    jobs.append(*job);
            }
            try {
                Dispatcher(m_s, m_meter, jobs).run([&](const FileJob& job) { send(job, origin); });
            } catch (const FtpError&) {
                m_s.conn().madeFolders.clear();  // which files arrived is not known
                throw;
            }
            for (const FileJob& job : jobs) {
                const auto made = m_s.conn().madeFolders.find(job.folder);
                if (made != m_s.conn().madeFolders.end())
                    made->insert(job.name, sentEntry(job));
            }
        });
    }

private:
    // The file's job; none when it stays as it is on the server.
    std::optional<FileJob> jobFor(const LocalFile& f, const QString& shown, const QString& folder,
                                  const Folder& there) {
        const auto existing = there.constFind(f.name);
        const bool replacing = existing != there.cend();
        if (replacing) {
            if (existing->kind == kFolder)
                throw FtpError(kErrBadArgument,
                               QStringLiteral("'%1' is a folder on the server.").arg(shown));
            if (m_s.settings().skipUnchanged && m_unchanged.unchanged(f, *existing)) {
                m_s.notify().skipping(f.path, shown, kSkipUnchanged);
                m_meter.skip(f.size);
                return std::nullopt;
            }
            const int answer =
                m_replaceSilently
                    ? 1
                    : m_s.notify().replacing(shown, f.path, existing->size, f.size, existing->date);
            if (answer == 0) {
                m_s.notify().skipping(f.path, shown, kSkipKept);
                m_meter.skip(f.size);
                return std::nullopt;
            }
        }
        FileJob job;
        job.folder = folder;
        job.name = f.name;
        job.temporary = temporaryName(f.name, there);
        job.replacing = replacing;
        job.localPath = f.path;
        job.shown = shown;
        job.size = f.size;
        return job;
    }

    // Sends `job` over the control connection.
    void send(const FileJob& job, const QString& origin) {
        const QString removeTarget = QStringLiteral("DELE ") + job.temporary;
        m_s.ctx().cleanup.prepend(removeTarget);
        // A send cut off by a lost connection starts over on the new one, without the
        // temporary the cut attempt left, whether or not the server kept it.
        withReconnect(
            m_s,
            [&] {
                enterFolder(m_s, job.folder, false, origin);
                transfer(job);
            },
            [&] { m_s.command(removeTarget); });
        m_s.ctx().cleanup.removeOne(removeTarget);
    }

    // Sends the file as its temporary, then renames it to its own name (over the old file when
    // replacing).
    void transfer(const FileJob& f) {
        QFile file(f.localPath);
        if (!file.open(QIODevice::ReadOnly))
            throw FtpError(kErrLocalFile, QStringLiteral("Cannot open the local file '%1': %2")
                                              .arg(f.localPath, file.errorString()));
        const bool ascii = m_s.settings().transferMode == 1;
        m_s.ensureType(ascii);
        bool accepted = false;
        bool keepTemporary = false;
        try {
            DataJob job;
            job.command = QStringLiteral("STOR ") + f.temporary;
            job.source = &file;
            job.sourceSize = f.size;
            job.ascii = ascii;
            job.progress = [this](qint64 n) { m_meter.update(n); };
            job.accepted = &accepted;
            runDataCommand(m_s, job);
            moveIntoPlace(m_s, f, keepTemporary);
        } catch (const FtpError&) {
            // A temporary the server never took may be a file the listing did not show.
            if (m_s.usable() && accepted && !keepTemporary) {
                // No stray temporary stays behind.
                try {
                    m_s.command(QStringLiteral("DELE ") + f.temporary);
                } catch (const FtpError&) {
                    if (!m_s.usable())
                        throw;
                }
            }
            throw;
        }
    }

    Session& m_s;
    ProgressMeter m_meter;
    UnchangedCheck m_unchanged{m_s};
    bool m_replaceSilently;
};

}  // namespace

void sendFile(Session& s, const QString& localPath, const QString& remotePath,
              bool replaceWithoutAsking) {
    LocalPlan plan;
    LocalFile file = planLocalFile(localPath);
    QString remote = remote_path::normalize(remotePath);
    if (remote_path::unsendable(remote))
        throw FtpError(kErrBadArgument,
                       QStringLiteral("A name must not contain line breaks or NUL characters."));
    QString folder;
    if (remote.isEmpty() || remotePath.endsWith('/') || remotePath.endsWith('\\')) {
        folder = remote;
    } else {
        folder = remote_path::folderOf(remote);
        file.name = remote_path::nameOf(remote);
    }
    if (file.name.isEmpty() || file.name == "." || file.name == "..")
        throw FtpError(kErrBadArgument,
                       QStringLiteral("'%1' does not name a remote file.").arg(remotePath));
    plan.bytes = file.size;
    plan.files.append(file);
    Uploader(s, plan, replaceWithoutAsking).run(plan, folder);
}

void sendFiles(Session& s, const QString& localMask, const QString& remoteFolder,
               bool includeSubfolders, bool replaceWithoutAsking) {
    const QString folder = remote_path::normalize(remoteFolder);
    if (remote_path::unsendable(folder))
        throw FtpError(kErrBadArgument,
                       QStringLiteral("A name must not contain line breaks or NUL characters."));
    const LocalPlan plan = planLocalMask(localMask, includeSubfolders);
    Uploader(s, plan, replaceWithoutAsking).run(plan, folder);
}

}  // namespace ftp
