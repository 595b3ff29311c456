#include "DataCommand.h"

#include <QIODevice>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "FtpClient.h"
#include "PassiveReply.h"
#include "Session.h"

namespace ftp {

namespace {

using DataMode = Connection::DataMode;

// The data connection did not open in one mode; the other mode may still work.
struct NotOpened {
    FtpError why;
    bool ahead = false;  // on the port of an EPSV sent ahead
};

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

// Wakes the waiting operation when the data connection is overdue. Shorter than the control
// connection's silence timeout, so a data port that never answers costs one mode, not the
// session.
class OpeningDeadline {
public:
    explicit OpeningDeadline(Session& s) {
        using namespace std::chrono_literals;
        m_timer.setSingleShot(true);
        OpContext& ctx = s.ctx();
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [&ctx] { ctx.wake(); });
        m_timer.start(std::min<std::chrono::milliseconds>(s.conn().timeout() * 3 / 4, 15s));
    }
    bool expired() const { return !m_timer.isActive(); }
    QString why() const {
        return QStringLiteral("The data connection did not open within %1 ms.")
            .arg(m_timer.interval());
    }

private:
    QTimer m_timer;
};

bool refusedAsUnknown(const Reply& r) {
    return r.code == 500 || r.code == 501 || r.code == 502;
}

NotOpened unreadable(const QString& verb, const Reply& r) {
    return {FtpError(kErrProtocol, QStringLiteral("Unreadable %1 reply: %2").arg(verb, r.text()))};
}

QString nameOf(DataMode mode) {
    return mode == DataMode::Active ? QStringLiteral("active") : QStringLiteral("passive");
}

// Where a passive data connection goes.
struct Passive {
    quint16 port = 0;
    bool ahead = false;              // from an EPSV sent ahead
    std::optional<quint64> command;  // the job's command, sent ahead with it
};

Passive passivePort(Session& s, const QString& command) {
    Connection& c = s.conn();
    if (const std::optional<Connection::Ahead> a = c.takeAhead(command)) {
        const Reply r = s.await(a->passive);
        if (const auto port = r.code == 229 ? parseEpsvPort(r.text()) : std::nullopt)
            return {*port, true, a->commandSeq};
        if (a->commandSeq)
            s.await(*a->commandSeq);  // refused without a data port: nothing to give up
    }
    if ((s.settings().connectOption & kOptExtended) && !c.noEpsv) {
        const Reply r = s.command(QStringLiteral("EPSV"));
        if (r.code == 229) {
            if (const auto port = parseEpsvPort(r.text())) {
                c.epsvWorked = true;
                return {*port, false, std::nullopt};
            }
            throw unreadable(QStringLiteral("EPSV"), r);
        }
        if (r.code / 100 != 5)
            throw NotOpened{serverError(r)};
        c.noEpsv = true;
    }
    const Reply r = s.command(QStringLiteral("PASV"));
    if (r.code != 227)
        throw NotOpened{serverError(r)};
    if (const auto port = parsePasvPort(r.text()))
        return {*port, false, std::nullopt};
    throw unreadable(QStringLiteral("PASV"), r);
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

QString switchNote(DataMode now) {
    return now == DataMode::Passive
               ? QStringLiteral(
                     "Active mode failed; using passive mode for the rest of the session.")
               : QStringLiteral(
                     "Passive mode failed; using active mode for the rest of the session.");
}

// One attempt in `mode`; throws NotOpened when the data connection did not open.
Reply attempt(Session& s, const DataJob& job, DataMode mode) {
    DataGuard guard(s);
    Connection& c = s.conn();
    DataChannel* d = c.newDataChannel();
    if (job.source)
        d->upload(job.source, job.ascii, job.sourceSize);
    else
        d->download(job.sink, job.ascii);
    c.setDataActive(true);
    const bool active = mode == DataMode::Active;
    std::optional<OpeningDeadline> deadline;
    std::optional<quint64> sent;  // the command went ahead with its EPSV
    const auto accept = [&] {
        if (job.accepted)
            *job.accepted = true;
    };
    if (active) {
        deadline.emplace(s);
        if (!d->listen(c.localAddress(), c.peerAddress()))
            throw NotOpened{FtpError(kErrDataConnection, *d->error())};
        const Reply r = announcePort(s, d->listenPort());
        if (!r.positive())
            throw NotOpened{serverError(r)};
    } else {
        const Passive p = passivePort(s, job.command);
        sent = p.command;
        if (sent)
            accept();  // the server may have made the target as it took the command
        deadline.emplace(s);
        d->connectTo(c.peerAddress(), p.port);
        s.ctx().wait([&] { return d->connected() || d->error() || deadline->expired(); });
        if (!d->connected()) {
            if (sent) {
                // Its reply, if any, says no more than the failed connection.
                c.forget(*sent);
                c.send(QStringLiteral("ABOR"), false);
            }
            throw NotOpened{FtpError(kErrDataConnection, d->error().value_or(deadline->why())),
                            p.ahead};
        }
    }

    const quint64 seq = sent ? *sent : c.send(job.command);
    std::optional<Reply> final;
    bool overdue = false;
    s.ctx().wait([&] {
        if (!final)
            final = c.takeFinal(seq);
        if (c.takePreliminary(seq) || (final && final->positive())) {
            accept();
            d->release();
        }
        if (job.progress)
            job.progress(d->bytes());
        overdue = !final && !d->connected() && deadline->expired();
        return overdue || d->error() || (final && (!final->positive() || d->finished()));
    });
    if (overdue) {
        // The server still tries to reach us: stop it. It may have created the target already.
        accept();
        c.dropDataChannel();
        c.send(QStringLiteral("ABOR"), false);
        throw NotOpened{FtpError(kErrDataConnection, deadline->why())};
    }
    if (final && !final->positive()) {
        if (active && (final->code == 425 || final->code == 426) && d->bytes() == 0) {
            // Some servers (vsftpd) create the target before they connect.
            accept();
            throw NotOpened{serverError(*final)};
        }
        throw serverError(*final);
    }
    if (final && d->finished())
        return *final;
    // The data failed while the command runs: stop the server's side of it too.
    const bool local = d->localError();
    const QString why = *d->error();
    c.dropDataChannel();
    c.send(QStringLiteral("ABOR"), false);
    throw FtpError(local ? kErrLocalFile : kErrDataConnection, why);
}

}  // namespace

Reply runDataCommand(Session& s, const DataJob& job) {
    DataMode mode = s.conn().dataMode;
    if (mode == DataMode::Unknown)
        mode = s.settings().passive ? DataMode::Passive : DataMode::Active;
    // One attempt in `m`; what failed to open is kept in `failed`.
    std::optional<NotOpened> failed;
    const auto tryIn = [&](DataMode m) -> std::optional<Reply> {
        if (failed && job.source)
            job.source->seek(0);
        try {
            const Reply r = attempt(s, job, m);
            s.conn().dataMode = m;
            return r;
        } catch (const NotOpened& e) {
            failed = e;
            return std::nullopt;
        }
    };
    if (const std::optional<Reply> r = tryIn(mode))
        return *r;
    // The server may have stopped listening on the port an EPSV sent ahead gave: that says
    // nothing about the mode, so a new port is asked for first.
    if (failed->ahead)
        if (const std::optional<Reply> r = tryIn(mode))
            return *r;
    const FtpError first = failed->why;
    const DataMode other = mode == DataMode::Passive ? DataMode::Active : DataMode::Passive;
    if (const std::optional<Reply> r = tryIn(other)) {
        s.conn().note(switchNote(other));
        return *r;
    }
    throw FtpError(
        kErrDataConnection,
        QStringLiteral("The data connection failed.\nIn %1 mode: %2\nIn %3 mode: %4")
            .arg(nameOf(mode), first.description, nameOf(other), failed->why.description));
}

}  // namespace ftp
