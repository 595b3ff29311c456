#include "UnixListing.h"

#include "FtpClient.h"
#include "ListingDates.h"

namespace ftp {

using namespace listing;

namespace {

// "33.5k", "2KB", "1M": a size in binary units, as "ls -h" writes it.
std::optional<qint64> withUnit(QStringView s) {
    const qsizetype digits = leadingDigits(s);
    if (digits == 0 || digits > 9)
        return std::nullopt;
    QStringView rest = s.mid(digits);
    QStringView fraction;
    if (rest.startsWith(u'.')) {
        fraction = rest.mid(1, leadingDigits(rest.mid(1)));
        if (fraction.isEmpty() || fraction.size() > 3)
            return std::nullopt;
        rest = rest.mid(1 + fraction.size());
    }
    if (rest.size() == 2 && rest.endsWith(u'b', Qt::CaseInsensitive))
        rest.chop(1);
    const qsizetype power =
        rest.size() == 1 ? QStringView(u"kmg").indexOf(rest.at(0).toLower()) : -1;
    if (power < 0)
        return std::nullopt;
    const qint64 unit = qint64(1) << (10 * (power + 1));
    qint64 scale = 1;
    for (qsizetype k = 0; k < fraction.size(); ++k)
        scale *= 10;
    return s.left(digits).toLongLong() * unit + fraction.toLongLong() * unit / scale;
}

// The size column: digits, digits with a unit, or, in aligned listings where a long group name
// ran into it, the digits after the group ("longgroup123456").
std::optional<qint64> sizeOf(QStringView s, bool mayFollowGroup) {
    if (allDigits(s))
        return s.toLongLong();
    if (const std::optional<qint64> size = withUnit(s))
        return size;
    if (!mayFollowGroup || leadingDigits(s) > 0 || !hasAsciiLetter(s))
        return std::nullopt;
    qsizetype start = s.size();
    while (start > 0 && s.at(start - 1) >= u'0' && s.at(start - 1) <= u'9')
        --start;
    if (start == s.size() || s.size() - start > 18)
        return std::nullopt;
    return s.mid(start).toLongLong();
}

bool isPermissions(QStringView s) {
    if (s.size() < 10 || !QStringView(u"-dlbcpsDn").contains(s.at(0)))
        return false;
    for (int i = 1; i < 10; ++i)
        if (!QStringView(u"rwxsStTlL-").contains(s.at(i)))
            return false;
    return true;
}

ListingEntry entry(const QString& line, QChar type, qint64 size, const QDateTime& date,
                   qsizetype nameStart) {
    if (nameStart >= line.size())
        return unparsedLine(line);
    ListingEntry e;
    e.raw = line;
    e.parsed = true;
    e.date = date;
    e.size = size;
    e.sized = true;
    e.name = line.mid(nameStart);
    e.kind = type == u'd' ? kFolder : type == u'l' ? kLink : kFile;
    if (e.kind == kLink) {
        const qsizetype arrow = e.name.indexOf(QStringLiteral(" -> "));
        if (arrow > 0)
            e.name.truncate(arrow);
    }
    return e;
}

// "drwxr-xr-x 3 user group 512 name": some servers leave the date out. Taken only when nothing
// at the start of the name could belong to a date: a date that is not understood leaves the
// line unparsed instead of putting its pieces into the name.
ListingEntry dateless(const QString& line, const QList<Token>& t) {
    if (t.size() < 6 || !allDigits(t[1].text) || !allDigits(t[4].text))
        return unparsedLine(line);
    for (int k = 5; k < t.size() && k < 8; ++k)
        if (dateLike(t[k].text))
            return unparsedLine(line);
    return entry(line, t[0].text.at(0), t[4].text.toLongLong(), {}, t[4].end + 1);
}

}  // namespace

ListingEntry parseUnixLine(const QString& line, const QDate& today) {
    const QList<Token> t = tokens(line, 12);
    if (t.size() < 5 || !isPermissions(t[0].text))
        return unparsedLine(line);
    // The date comes after at least the link count or owner; the size is the token before it.
    for (int i = 2; i + 1 < t.size(); ++i) {
        const std::optional<DateMatch> date = dateAt(t, i, today);
        if (!date)
            continue;
        const std::optional<qint64> size = sizeOf(t[i - 1].text, i >= 3);
        if (!size)
            continue;
        qsizetype nameStart = t[date->end - 1].end;
        if (date->padded)
            while (nameStart < line.size() && isBlank(line.at(nameStart)))
                ++nameStart;
        else
            ++nameStart;
        return entry(line, t[0].text.at(0), *size, date->date, nameStart);
    }
    return dateless(line, t);
}

}  // namespace ftp
