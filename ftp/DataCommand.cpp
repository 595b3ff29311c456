#include "DataCommand.h"

#include <QIODevice>

#include "FtpClient.h"
#include "PassiveReply.h"
#include "Session.h"

namespace ftp {

namespace {

// Drops the data connection when the attempt ends, unless the operation no longer owns the
// connection (aborted: the abort dropped it already, and a new operation may own it now).
class DataGuard {
public:
    explicit DataGuard(Session& s) : m_s(s) {}
    ~DataGuard() {
        if (m_s.usable())
            m_s.conn().dropDataChannel();
    }

private:
    Session& m_s;
};

bool refusedAsUnknown(const Reply& r) {
    return r.code == 500 || r.code == 501 || r.code == 502;
}

quint16 passivePort(Session& s) {
    Connection& c = s.conn();
    if ((s.settings().connectOption & kOptExtended) && !c.noEpsv) {
        const Reply r = s.command(QStringLiteral("EPSV"));
        if (r.code == 229) {
            if (const auto port = parseEpsvPort(r.text()))
                return *port;
            throw FtpError(kErrProtocol, QStringLiteral("Unreadable EPSV reply: ") + r.text());
        }
        if (r.code / 100 != 5)
            throw serverError(r);
        c.noEpsv = true;
    }
    const Reply r = s.command(QStringLiteral("PASV"));
    if (r.code != 227)
        throw serverError(r);
    if (const auto port = parsePasvPort(r.text()))
        return *port;
    throw FtpError(kErrProtocol, QStringLiteral("Unreadable PASV reply: ") + r.text());
}

// EPRT or PORT for our listening port; the reply tells whether active mode can go on.
Reply announcePort(Session& s, quint16 port) {
    Connection& c = s.conn();
    const QHostAddress local = c.localAddress();
    bool v4 = false;
    const quint32 ip4 = local.toIPv4Address(&v4);
    if ((s.settings().connectOption & kOptExtended) && !c.noEprt) {
        const QHostAddress shown = v4 ? QHostAddress(ip4) : local;
        const Reply r = s.command(
            QStringLiteral("EPRT |%1|%2|%3|").arg(v4 ? 1 : 2).arg(shown.toString()).arg(port));
        if (!refusedAsUnknown(r))
            return r;
        c.noEprt = true;
    }
    if (!v4)
        return Reply{502, {QStringLiteral("502 PORT cannot name an IPv6 address.")}};
    return s.command(QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
                         .arg(ip4 >> 24)
                         .arg((ip4 >> 16) & 0xff)
                         .arg((ip4 >> 8) & 0xff)
                         .arg(ip4 & 0xff)
                         .arg(port >> 8)
                         .arg(port & 0xff));
}

// One attempt; nullopt when active mode failed before any data moved.
std::optional<Reply> attempt(Session& s, const DataJob& job, bool active) {
    DataGuard guard(s);
    Connection& c = s.conn();
    DataChannel* d = c.newDataChannel();
    if (job.source)
        d->upload(job.source, job.ascii);
    else
        d->download(job.sink, job.ascii);
    c.setDataActive(true);
    if (active) {
        if (!d->listen(c.localAddress(), c.peerAddress()))
            return std::nullopt;
        if (!announcePort(s, d->listenPort()).positive())
            return std::nullopt;
    } else {
        const quint16 port = passivePort(s);
        d->connectTo(c.peerAddress(), port);
        s.ctx().wait([&] { return d->connected() || d->error(); });
        if (d->error())
            throw FtpError(kErrDataConnection, *d->error());
    }

    const quint64 seq = c.send(job.command);
    std::optional<Reply> final;
    s.ctx().wait([&] {
        if (!final)
            final = c.takeFinal(seq);
        if (c.takePreliminary(seq) || (final && final->positive())) {
            if (job.accepted)
                *job.accepted = true;
            d->release();
        }
        if (job.progress)
            job.progress(d->bytes());
        return d->error() || (final && (!final->positive() || d->finished()));
    });
    if (final && !final->positive()) {
        if (active && final->code == 425 && d->bytes() == 0)
            return std::nullopt;
        throw serverError(*final);
    }
    if (final && d->finished())
        return final;
    // The data failed while the command runs: stop the server's side of it too.
    const bool local = d->localError();
    const QString why = *d->error();
    c.dropDataChannel();
    c.send(QStringLiteral("ABOR"), false);
    throw FtpError(local ? kErrLocalFile : kErrDataConnection, why);
}

}  // namespace

Reply runDataCommand(Session& s, const DataJob& job) {
    bool active = !s.settings().passive && !s.conn().passiveOnly;
    while (true) {
        if (std::optional<Reply> r = attempt(s, job, active))
            return *r;
        if (!active)
            throw FtpError(kErrDataConnection, QStringLiteral("The data connection failed."));
        s.conn().passiveOnly = true;
        s.conn().note(
            QStringLiteral("Active mode failed; using passive mode for the rest of the session."));
        if (job.source)
            job.source->seek(0);
        active = false;
    }
}

}  // namespace ftp
