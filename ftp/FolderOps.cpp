#include "FolderOps.h"

#include "FtpClient.h"
#include "RemotePath.h"
#include "Session.h"

namespace ftp {

namespace {

// Reads the folder again after a change; a server that will not say leaves it unknown, and
// CurrentFolder asks again later.
void refreshFolder(Session& s) {
    try {
        s.printWorkingFolder();
    } catch (const FtpError&) {
        if (!s.usable())
            throw;
        s.conn().folder.reset();
    }
}

}  // namespace

QString remoteArgument(const QString& path) {
    const QString p = remote_path::normalize(path);
    if (p.trimmed().isEmpty())
        throw FtpError(kErrBadArgument, QStringLiteral("A remote name is required."));
    if (remote_path::unsendable(p))
        throw FtpError(kErrBadArgument,
                       QStringLiteral("A name must not contain line breaks or NUL characters."));
    return p;
}

void changeFolder(Session& s, const QString& path) {
    const QString p = remoteArgument(path);
    s.require(QStringLiteral("CWD ") + p);
    refreshFolder(s);
}

void changeToParentFolder(Session& s) {
    if (s.currentFolder() == "/")
        return;
    Reply r = s.command(QStringLiteral("CDUP"));
    if (r.code == 500 || r.code == 502)
        r = s.command(QStringLiteral("CWD .."));
    if (!r.positive())
        throw serverError(r);
    refreshFolder(s);
}

void createFolder(Session& s, const QString& path) {
    s.require(QStringLiteral("MKD ") + remoteArgument(path));
}

void deleteFile(Session& s, const QString& name) {
    s.require(QStringLiteral("DELE ") + remoteArgument(name));
}

void removeFolder(Session& s, const QString& name) {
    s.require(QStringLiteral("RMD ") + remoteArgument(name));
}

void renameFile(Session& s, const QString& oldName, const QString& newName) {
    const QString from = remoteArgument(oldName);
    const QString to = remoteArgument(newName);
    const Reply r = s.command(QStringLiteral("RNFR ") + from);
    if (r.code != 350)
        throw serverError(r);
    s.require(QStringLiteral("RNTO ") + to);
}

bool enterFolder(Session& s, const QString& path, bool create, const QString& known) {
    Connection& c = s.conn();
    if (c.folder == path)
        return false;
    const Reply r = s.command(QStringLiteral("CWD ") + path);
    if (r.positive()) {
        c.folder = path;
        return false;
    }
    if (!create)
        throw serverError(r);
    // Mostly only the last folder is missing: made in one command, and being empty it need not
    // be entered now.
    if (s.command(QStringLiteral("MKD ") + path).positive())
        return true;

    // Start from the deepest folder known to exist: where we are, where the operation began,
    // or the root.
    const auto below = [&](const QString& folder) {
        return folder == "/" || path.startsWith(folder + '/');
    };
    const QString base = c.folder && below(*c.folder) ? *c.folder
                         : below(known)               ? known
                                                      : QStringLiteral("/");
    if (c.folder != base) {
        s.require(QStringLiteral("CWD ") + base);
        c.folder = base;
    }
    QString here = base;
    bool made = false;
    for (const QString& name : remote_path::components(path.mid(base.size()))) {
        made = false;
        if (!s.command(QStringLiteral("CWD ") + name).positive()) {
            const Reply mkd = s.command(QStringLiteral("MKD ") + name);
            const Reply entered = s.command(QStringLiteral("CWD ") + name);
            if (!entered.positive())
                throw serverError(mkd.positive() ? entered : mkd);
            made = mkd.positive();
        }
        here = remote_path::join(here, name);
        c.folder = here;
    }
    return made;
}

void returnTo(Session& s, const QString& path) {
    if (s.conn().folder == path)
        return;
    s.conn().folder.reset();
    s.require(QStringLiteral("CWD ") + path);
    s.conn().folder = path;
}

void settleFolder(Session& s) {
    Connection& c = s.conn();
    const std::optional<QString> home = std::exchange(c.home, std::nullopt);
    if (!home)
        return;
    try {
        returnTo(s, *home);
    } catch (const FtpError&) {
        if (!s.usable())
            throw;
        // Gone meanwhile: the server stays where it is, and says so when asked.
        c.folder.reset();
    }
}

void visiting(Session& s, const QString& origin, const std::function<void()>& body) {
    const QStringList cleanup = std::exchange(s.ctx().cleanup, {QStringLiteral("CWD ") + origin});
    try {
        body();
    } catch (const FtpError&) {
        if (s.usable()) {
            try {
                returnTo(s, origin);
            } catch (const FtpError&) {
                // The first failure is the one to report.
            }
        }
        throw;
    }
    // The way back waits until an operation needs it: the next send goes on from here.
    if (s.conn().folder != origin)
        s.conn().home = origin;
    s.ctx().cleanup = cleanup;
}

}  // namespace ftp
