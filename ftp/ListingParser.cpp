#include "ListingParser.h"

#include <QRegularExpression>

#include "FtpClient.h"
#include "ListingText.h"
#include "UnixListing.h"

namespace ftp {

using namespace listing;

namespace {

// IIS: "01-02-21  03:04PM       <DIR>          name" or "... 1234 name"; years of 2 or 4 digits.
ListingEntry parseDos(const QString& line) {
    static const QRegularExpression re(QStringLiteral(
        R"(^(\d{1,2})[-/](\d{1,2})[-/](\d{2}|\d{4})\s+(\d{1,2}):(\d{2})\s*([AaPp][Mm])?\s+(<DIR>|\d[\d,]*)\s+(.+)$)"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return unparsedLine(line);
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
    // The facts end at the first blank; some servers put a tab there. After that one separator
    // everything is the name, blanks included.
    qsizetype blank = 0;
    while (blank < line.size() && line.at(blank) != u' ' && line.at(blank) != u'\t')
        ++blank;
    if (blank + 1 >= line.size())
        return unparsedLine(line);
    ListingEntry e;
    e.raw = line;
    e.name = line.mid(blank + 1);
    e.kind = kFile;
    const QStringView facts = QStringView(line).left(blank);
    for (const QStringView fact : facts.split(';', Qt::SkipEmptyParts)) {
        const qsizetype eq = fact.indexOf('=');
        if (eq <= 0)
            return unparsedLine(line);
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
                e.exactDate = e.date.isValid();
            }
        }
    }
    e.parsed = true;
    return e;
}

ListingEntry parseListLine(const QString& line, const QDate& today) {
    if (!line.isEmpty() && line.at(0).isDigit())
        return parseDos(line);
    return parseUnixLine(line, today);
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
