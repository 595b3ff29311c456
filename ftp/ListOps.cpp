#include "ListOps.h"

#include <QDeadlineTimer>
#include <QSet>
#include <algorithm>

#include "DataCommand.h"
#include "FolderOps.h"
#include "FtpClient.h"
#include "Mask.h"
#include "Reconnect.h"
#include "RemotePath.h"
#include "Session.h"

namespace ftp {

namespace {

constexpr qint64 kMaxListing = 64 * 1024 * 1024;
// A listing may take this many timeouts in all: the silence timeout alone lets a server that
// trickles a line now and then hold the operation forever.
constexpr int kListingTimeouts = 10;

// Runs one listing command; nullopt when the server does not know the command.
std::optional<QList<ListingEntry>> tryListing(Session& s, const QString& command,
                                              ListingParser::Format format) {
    ListingParser parser(format, s.conn().utf8, QDate::currentDate());
    const std::chrono::milliseconds allowed = s.conn().timeout() * kListingTimeouts;
    // Checked as data arrives; a stall in between is the silence timeout's.
    const QDeadlineTimer deadline(allowed);
    qint64 received = 0;
    bool overdue = false;
    DataJob job;
    job.command = command;
    job.sink = [&](const QByteArray& bytes) {
        received += bytes.size();
        overdue = deadline.hasExpired();
        if (received > kMaxListing || overdue)
            return false;
        parser.feed(bytes);
        return true;
    };
    try {
        runDataCommand(s, job);
    } catch (const FtpError& e) {
        if (received > kMaxListing)
            throw FtpError(kErrProtocol, QStringLiteral("The listing is larger than %1 MB.")
                                             .arg(kMaxListing / (1024 * 1024)));
        if (overdue)
            throw FtpError(
                kErrTimeout,
                QStringLiteral("The listing did not complete within %1 seconds.")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(allowed).count()));
        if (e.number >= 500 && e.number <= 502)
            return std::nullopt;
        throw;
    }
    parser.finish();
    return parser.take();
}

std::optional<QList<ListingEntry>> listLong(Session& s) {
    Connection& c = s.conn();
    if (!c.noListA) {
        if (auto entries = tryListing(s, QStringLiteral("LIST -a"), ListingParser::List))
            return entries;
        c.noListA = true;
    }
    return tryListing(s, QStringLiteral("LIST"), ListingParser::List);
}

// Some servers (pyftpdlib) follow links in MLSD and call a link to a folder "dir". Entering one
// would reach whatever it points at, so a folder counts only when the "ls -l" listing, which
// shows links as links, agrees; every other one is reported as a link.
void confirmFolders(Session& s, QList<ListingEntry>& entries) {
    const auto isFolder = [](const ListingEntry& e) {
        return e.parsed && e.kind == kFolder && e.name != "." && e.name != "..";
    };
    if (std::none_of(entries.cbegin(), entries.cend(), isFolder))
        return;
    const std::optional<QList<ListingEntry>> plain = listLong(s);
    if (!plain)
        return;  // nothing to compare with
    QSet<QString> folders;
    for (const ListingEntry& e : *plain)
        if (e.parsed && e.kind == kFolder)
            folders.insert(e.name);
    for (ListingEntry& e : entries)
        if (isFolder(e) && !folders.contains(e.name))
            e.kind = kLink;
}

}  // namespace

QList<ListingEntry> readListing(Session& s) {
    Connection& c = s.conn();
    if ((s.settings().connectOption & kOptMlsd) && c.features.contains("MLST")) {
        if (auto entries = tryListing(s, QStringLiteral("MLSD"), ListingParser::Mlsd)) {
            confirmFolders(s, *entries);
            return *entries;
        }
        c.features.remove("MLST");
    }
    if (auto entries = listLong(s))
        return *entries;
    throw FtpError(kErrProtocol, QStringLiteral("The server lists no folder contents."));
}

void listMatching(Session& s, const QString& mask, qint32 option,
                  const std::function<void(const ListingEntry&)>& take) {
    const QString m = remote_path::normalize(mask);
    const QString folder = remote_path::folderOf(m);
    const Mask names(remote_path::nameOf(m));
    if (remote_path::unsendable(m))
        throw FtpError(kErrBadArgument,
                       QStringLiteral("A name must not contain line breaks or NUL characters."));

    QList<ListingEntry> entries;
    withReconnect(s, [&] {
        if (folder.isEmpty()) {
            entries = readListing(s);
        } else {
            const QString origin = s.currentFolder();
            visiting(s, origin, [&] {
                enterFolder(s, remote_path::absolute(origin, folder), false, origin);
                entries = readListing(s);
            });
        }
    });

    for (const ListingEntry& e : entries) {
        if (!e.parsed) {
            if (option & kListUnparsed)
                take(e);
            else
                s.notify().skipping(printableName(e.raw), QString(), kSkipUnparsed);
            continue;
        }
        if (!names.matches(e.name))
            continue;
        if (!isSafeLocalName(e.name)) {
            s.notify().skipping(printableName(e.name), QString(), kSkipUnsafeName);
            continue;
        }
        take(e);
    }
}

}  // namespace ftp
