#include "Unchanged.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>

#include "DataCommand.h"
#include "LocalPlan.h"
#include "Session.h"

namespace ftp {

namespace {

// Named like a send's temporary: should the probe stay behind, the next send removes it.
const QString kProbe = QStringLiteral(".ferrymate-clock.ferrypart");

// "213 YYYYMMDDHHMMSS[.fff]" (RFC 3659), UTC.
std::optional<qint64> parseMdtm(const Reply& r) {
    if (r.code != 213)
        return std::nullopt;
    const QString stamp = r.text().trimmed();
    const QDateTime t = QDateTime::fromString(stamp.left(14), QStringLiteral("yyyyMMddHHmmss"));
    if (!t.isValid())
        return std::nullopt;
    return QDateTime(t.date(), t.time(), Qt::UTC).toMSecsSinceEpoch();
}

}  // namespace

bool UnchangedCheck::unchanged(const LocalFile& local, const ListingEntry& remote) {
    if (remote.kind != kFile || !remote.sized || remote.size != local.size)
        return false;
    const std::optional<qint64> there = remoteTime(remote);
    if (!there || !measureOffset())
        return false;
    const Connection& c = m_s.conn();
    const qint64 here = QFileInfo(local.path).lastModified().toMSecsSinceEpoch();
    return *there - *c.clockOffset - c.clockSlack >= here;
}

std::optional<qint64> UnchangedCheck::remoteTime(const ListingEntry& remote) {
    if (remote.exactDate)
        return remote.date.toMSecsSinceEpoch();
    return mdtm(remote.name);
}

std::optional<qint64> UnchangedCheck::mdtm(const QString& name) {
    if (!m_s.conn().features.contains(QStringLiteral("MDTM")))
        return std::nullopt;
    return parseMdtm(m_s.command(QStringLiteral("MDTM ") + name));
}

bool UnchangedCheck::measureOffset() {
    Connection& c = m_s.conn();
    if (c.clockOffset)
        return true;
    if (c.clockUnknown)
        return false;
    c.clockUnknown = true;
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    DataJob job;
    job.command = QStringLiteral("STOR ") + kProbe;
    job.source = &empty;
    job.sourceSize = 0;
    bool accepted = false;
    job.accepted = &accepted;
    m_s.ensureType(m_s.settings().transferMode == 1);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    try {
        runDataCommand(m_s, job);
    } catch (const FtpError&) {
        if (!m_s.usable())
            throw;
        if (accepted)
            m_s.command(QStringLiteral("DELE ") + kProbe);
        return false;
    }
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    const std::optional<qint64> stamp = mdtm(kProbe);
    m_s.command(QStringLiteral("DELE ") + kProbe);
    if (!stamp)
        return false;
    // The server stamped the probe between `before` and `after`, to the second below.
    c.clockOffset = *stamp + 500 - (before + after) / 2;
    c.clockSlack = (after - before) / 2 + 500;
    c.clockUnknown = false;
    return true;
}

}  // namespace ftp
