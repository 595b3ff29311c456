#include "ListingParser.h"

#include <QRegularExpression>
#include <QStringList>

#include "FtpClient.h"

namespace ftp {

namespace {

ListingEntry unparsed(const QString& line) {
    ListingEntry e;
    e.raw = line;
    return e;
}

bool allDigits(QStringView s) {
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Whitespace-separated tokens with the offset just past each one, so that the name can be
// taken from the original text with its own spaces.
struct Token {
    QStringView text;
    qsizetype end;
};

QList<Token> tokens(QStringView line, int max) {
    QList<Token> out;
    qsizetype i = 0;
    while (i < line.size() && out.size() < max) {
        while (i < line.size() && line.at(i).isSpace())
            ++i;
        const qsizetype start = i;
        while (i < line.size() && !line.at(i).isSpace())
            ++i;
        if (i > start)
            out.append({line.mid(start, i - start), i});
    }
    return out;
}

int month(QStringView s) {
    static const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() < 3)
        return 0;
    for (int m = 0; m < 12; ++m)
        if (s.left(3).compare(QLatin1String(names[m]), Qt::CaseInsensitive) == 0 &&
            (s.size() == 3 || s.size() == 4))
            return m + 1;
    return 0;
}

bool timeOfDay(QStringView s, QTime* out) {
    const qsizetype colon = s.indexOf(':');
    if (colon < 1 || colon > 2 || s.size() != colon + 3)
        return false;
    if (!allDigits(s.left(colon)) || !allDigits(s.mid(colon + 1)))
        return false;
    *out = QTime(s.left(colon).toInt(), s.mid(colon + 1).toInt());
    return out->isValid();
}

// "Mon DD HH:MM" or "Mon DD YYYY" (also "DD Mon ...") starting at token `i`; the year of a
// time-only date is the latest one that does not lie in the future.
bool unixDate(const QList<Token>& t, int i, const QDate& today, QDateTime* out) {
    if (i + 2 >= t.size())
        return false;
    int m = month(t[i].text);
    QStringView day = t[i + 1].text;
    if (m == 0) {
        m = month(t[i + 1].text);
        day = t[i].text;
    }
    if (m == 0 || !allDigits(day) || day.size() > 2)
        return false;
    const int d = day.toInt();
    const QStringView last = t[i + 2].text;
    QTime time;
    if (timeOfDay(last, &time)) {
        int year = today.year();
        if (QDate(year, m, d).isValid() && QDate(year, m, d) > today.addDays(1))
            --year;
        *out = QDateTime(QDate(year, m, d), time);
        return true;
    }
    if (last.size() == 4 && allDigits(last)) {
        *out = QDateTime(QDate(last.toInt(), m, d), QTime(0, 0));
        return true;
    }
    return false;
}

// "YYYY-MM-DD HH:MM" (ls --time-style=long-iso) starting at token `i`.
bool isoDate(const QList<Token>& t, int i, QDateTime* out) {
    if (i + 1 >= t.size())
        return false;
    const QDate date = QDate::fromString(t[i].text.toString(), Qt::ISODate);
    QTime time;
    if (!date.isValid() || !timeOfDay(t[i + 1].text.left(5), &time))
        return false;
    *out = QDateTime(date, time);
    return true;
}

bool isPermissions(QStringView s) {
    if (s.size() < 10 || !QStringView(u"-dlbcpsDn").contains(s.at(0)))
        return false;
    for (int i = 1; i < 10; ++i)
        if (!QStringView(u"rwxsStTlL-").contains(s.at(i)))
            return false;
    return true;
}

ListingEntry parseUnix(const QString& line, const QDate& today) {
    const QList<Token> t = tokens(line, 12);
    if (t.size() < 5 || !isPermissions(t[0].text))
        return unparsed(line);
    // The date comes after at least the link count or owner; the size is the token before it.
    for (int i = 2; i + 1 < t.size(); ++i) {
        QDateTime date;
        int dateTokens = 3;
        if (!unixDate(t, i, today, &date)) {
            dateTokens = 2;
            if (!isoDate(t, i, &date))
                continue;
        }
        if (!allDigits(t[i - 1].text))
            continue;
        const qsizetype nameStart = t[i + dateTokens - 1].end + 1;
        if (nameStart >= line.size())
            return unparsed(line);
        ListingEntry e;
        e.raw = line;
        e.parsed = true;
        e.date = date;
        e.size = t[i - 1].text.toLongLong(&e.sized);
        e.name = line.mid(nameStart);
        const QChar type = t[0].text.at(0);
        e.kind = type == 'd' ? kFolder : type == 'l' ? kLink : kFile;
        if (e.kind == kLink) {
            const qsizetype arrow = e.name.indexOf(QStringLiteral(" -> "));
            if (arrow > 0)
                e.name.truncate(arrow);
        }
        return e;
    }
    return unparsed(line);
}

// IIS: "01-02-21  03:04PM       <DIR>          name" or "... 1234 name"; years of 2 or 4 digits.
ListingEntry parseDos(const QString& line) {
    static const QRegularExpression re(QStringLiteral(
        R"(^(\d{1,2})[-/](\d{1,2})[-/](\d{2}|\d{4})\s+(\d{1,2}):(\d{2})\s*([AaPp][Mm])?\s+(<DIR>|\d[\d,]*)\s+(.+)$)"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return unparsed(line);
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString ampm = m.captured(6).toUpper();
    if (ampm == "PM" && hour < 12)
        hour += 12;
    if (ampm == "AM" && hour == 12)
        hour = 0;
    ListingEntry e;
    e.raw = line;
    e.parsed = true;
    e.date = QDateTime(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()),
                       QTime(hour, m.captured(5).toInt()));
    if (m.captured(7) == "<DIR>") {
        e.kind = kFolder;
    } else {
        e.kind = kFile;
        e.size = m.captured(7).remove(',').toLongLong(&e.sized);
    }
    e.name = m.captured(8);
    return e;
}

}  // namespace

ListingEntry parseMlsdLine(const QString& line) {
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || space + 1 >= line.size())
        return unparsed(line);
    ListingEntry e;
    e.raw = line;
    e.name = line.mid(space + 1);
    e.kind = kFile;
    const QStringView facts = QStringView(line).left(space);
    for (const QStringView fact : facts.split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = fact.indexOf('=');
        if (eq <= 0)
            return unparsed(line);
        const QStringView key = fact.left(eq);
        const QStringView value = fact.mid(eq + 1);
        if (key.compare(u"type", Qt::CaseInsensitive) == 0) {
            if (value.compare(u"dir", Qt::CaseInsensitive) == 0)
                e.kind = kFolder;
            else if (value.compare(u"cdir", Qt::CaseInsensitive) == 0)
                e.name = QStringLiteral("."), e.kind = kFolder;
            else if (value.compare(u"pdir", Qt::CaseInsensitive) == 0)
                e.name = QStringLiteral(".."), e.kind = kFolder;
            else if (value.startsWith(u"os.unix=slink", Qt::CaseInsensitive) ||
                     value.startsWith(u"os.unix=symlink", Qt::CaseInsensitive))
                e.kind = kLink;
        } else if (key.compare(u"size", Qt::CaseInsensitive) == 0 ||
                   key.compare(u"sizd", Qt::CaseInsensitive) == 0) {
            if (allDigits(value))
                e.size = value.toLongLong(&e.sized);
        } else if (key.compare(u"modify", Qt::CaseInsensitive) == 0) {
            const QStringView stamp = value.left(14);
            if (stamp.size() == 14 && allDigits(stamp)) {
                e.date = QDateTime(QDate(stamp.left(4).toInt(), stamp.mid(4, 2).toInt(),
                                         stamp.mid(6, 2).toInt()),
                                   QTime(stamp.mid(8, 2).toInt(), stamp.mid(10, 2).toInt(),
                                         stamp.mid(12, 2).toInt()),
                                   Qt::UTC)
                             .toLocalTime();
            }
        }
    }
    e.parsed = true;
    return e;
}

ListingEntry parseListLine(const QString& line, const QDate& today) {
    if (!line.isEmpty() && line.at(0).isDigit())
        return parseDos(line);
    return parseUnix(line, today);
}

ListingParser::ListingParser(Format format, bool utf8, const QDate& today)
    : m_format(format), m_utf8(utf8), m_today(today) {}

void ListingParser::feed(const QByteArray& bytes) {
    // Only the new bytes are searched: a long line arriving in many pieces stays linear.
    qsizetype from = m_buffer.size();
    m_buffer.append(bytes);
    qsizetype start = 0;
    for (qsizetype end; (end = m_buffer.indexOf('\n', from)) >= 0; start = from = end + 1)
        line(m_buffer.mid(start, end - start));
    m_buffer.remove(0, start);
}

void ListingParser::finish() {
    if (!m_buffer.isEmpty())
        line(std::exchange(m_buffer, {}));
}

void ListingParser::line(const QByteArray& bytes) {
    QByteArray b = bytes;
    if (b.endsWith('\r'))
        b.chop(1);
    const QString text = m_utf8 ? QString::fromUtf8(b) : QString::fromLatin1(b);
    if (text.trimmed().isEmpty())
        return;
    if (m_format == List) {
        static const QRegularExpression total(QStringLiteral(R"(^total\s+\d+$)"));
        if (total.match(text).hasMatch())
            return;
    }
    ListingEntry e = m_format == Mlsd ? parseMlsdLine(text) : parseListLine(text, m_today);
    if (e.parsed && (e.name == "." || e.name == ".."))
        return;
    m_entries.append(std::move(e));
}

}  // namespace ftp
