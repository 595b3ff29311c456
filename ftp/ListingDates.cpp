#include "ListingDates.h"

#include <QHash>
#include <QStringList>

namespace ftp::listing {

namespace {

// A number of 1 to `maxDigits` digits, else -1.
int number(QStringView s, int maxDigits) {
    return s.size() <= maxDigits && allDigits(s) ? s.toInt() : -1;
}

// "Okt." "Juli," "Jan.," "26." "08,": German and VShell dates punctuate their parts.
QStringView withoutPunctuation(QStringView s) {
    for (int i = 0; i < 2 && (s.endsWith(u'.') || s.endsWith(u',')); ++i)
        s.chop(1);
    return s;
}

enum class Sign { None, Year, Month, Day };

// The CJK signs after the numbers of a date ("4月 18日 2003年", "2005년 1월 6일"). A listing read
// as UTF-8 has the characters; one read as Latin-1 has one character per byte of whatever the
// server wrote: UTF-8, Shift_JIS, EUC-JP, GBK, Big5 or EUC-KR.
Sign signOf(QStringView s) {
    static const struct {
        const char* bytes;
        Sign sign;
    } bytes[] = {
        {"\xe5\xb9\xb4", Sign::Year}, {"\xe6\x9c\x88", Sign::Month}, {"\xe6\x97\xa5", Sign::Day},
        {"\xeb\x85\x84", Sign::Year}, {"\xec\x9b\x94", Sign::Month}, {"\xec\x9d\xbc", Sign::Day},
        {"\x94\x4e", Sign::Year},     {"\x8c\x8e", Sign::Month},     {"\x93\xfa", Sign::Day},
        {"\xc7\xaf", Sign::Year},     {"\xb7\xee", Sign::Month},     {"\xc6\xfc", Sign::Day},
        {"\xc4\xea", Sign::Year},     {"\xd4\xc2", Sign::Month},     {"\xc8\xd5", Sign::Day},
        {"\xa6\x7e", Sign::Year},     {"\xa4\xeb", Sign::Month},     {"\xa4\xe9", Sign::Day},
        {"\xb3\xe2", Sign::Year},     {"\xbf\xf9", Sign::Month},     {"\xc0\xcf", Sign::Day},
    };
    if (s.size() == 1) {
        switch (s.at(0).unicode()) {
            case u'年':
            case u'년':
                return Sign::Year;
            case u'月':
            case u'월':
                return Sign::Month;
            case u'日':
            case u'일':
                return Sign::Day;
            default:
                return Sign::None;
        }
    }
    for (const auto& b : bytes)
        if (s.compare(QLatin1StringView(b.bytes)) == 0)
            return b.sign;
    return Sign::None;
}

// Month abbreviations and names that servers print besides the English ones, as written by
// ls in German, French, Spanish, Italian, Portuguese, Dutch, Scandinavian, Hungarian, Polish
// and Russian. Looked up in lower case, also as the Latin-1 reading of their UTF-8 bytes.
const QHash<QString, int>& monthNames() {
    static const QHash<QString, int> names = [] {
        static const char* const months[12] = {
            "jän januar janv janvier ene gen sty янв",
            "februar févr fév février fev febr lut фев",
            "mär mrz märz mars márc mrt мар",
            "avr avril abr ápr kwi апр",
            "mai mei maj máj мая май",
            "juin jún giu cze июн",
            "juil juillet lug júl lip июл",
            "août aout ago sie авг",
            "sept set szept wrz сен",
            "okt ott out paź окт",
            "lis ноя",
            "dez déc dic gru дек",
        };
        QHash<QString, int> h;
        for (int m = 0; m < 12; ++m) {
            for (const QString& word : QString::fromUtf8(months[m]).split(u' ')) {
                h.insert(word, m + 1);
                h.insert(QString::fromLatin1(word.toUtf8()).toLower(), m + 1);
            }
        }
        return h;
    }();
    return names;
}

// 1 to 12 for a month name or a month number with its sign ("4月"), else 0. A number followed
// by signs of an encoding not known here counts too: it can only be a month before a day.
int monthOf(QStringView s) {
    s = withoutPunctuation(s);
    if (s.isEmpty() || s.size() > 12)
        return 0;
    const qsizetype digits = leadingDigits(s);
    if (digits > 0) {
        const QStringView sign = s.mid(digits);
        const int m = number(s.left(digits), 2);
        if (m < 1 || m > 12 || sign.isEmpty() || sign.size() > 3)
            return 0;
        const Sign known = signOf(sign);
        if (known == Sign::Month)
            return m;
        for (const QChar c : sign)
            if (c.unicode() < 0x80)
                return 0;
        return known == Sign::None ? m : 0;
    }
    static const char* const english[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() == 3 || s.size() == 4)
        for (int m = 0; m < 12; ++m)
            if (s.left(3).compare(QLatin1StringView(english[m]), Qt::CaseInsensitive) == 0)
                return m + 1;
    return monthNames().value(s.toString().toLower());
}

// 1 to 31 for "5", "05", "26.", "08," or "18日", else -1; `comma` tells "08,".
int dayOf(QStringView s, bool* comma = nullptr) {
    const qsizetype digits = leadingDigits(s);
    const QStringView rest = s.mid(digits);
    if (!(rest.isEmpty() || rest == u"." || rest == u"," || signOf(rest) == Sign::Day))
        return -1;
    const int d = number(s.left(digits), 2);
    if (comma)
        *comma = rest == u",";
    return d >= 1 && d <= 31 ? d : -1;
}

// "2003" or "2003年", else -1; `sign` tells which.
int yearOf(QStringView s, bool* sign = nullptr) {
    const bool withSign = s.size() > 4 && signOf(s.mid(4)) == Sign::Year;
    if (sign)
        *sign = withSign;
    const QStringView digits = withSign ? s.left(4) : s;
    return digits.size() == 4 ? number(digits, 4) : -1;
}

// "H:MM", "HH:MM" or "HH:MM:SS". The time may be invalid ("25:70"): the entry then has no date.
// "24:00" is the end of the day, the next day's midnight.
struct Clock {
    QTime time;
    bool nextDay = false;
};

std::optional<Clock> clockOf(QStringView s) {
    const qsizetype colon = s.indexOf(u':');
    if (colon < 1 || colon > 2)
        return std::nullopt;
    const int h = number(s.left(colon), 2);
    QStringView rest = s.mid(colon + 1);
    int sec = 0;
    if (rest.size() == 5 && rest.at(2) == u':') {
        sec = number(rest.mid(3), 2);
        rest = rest.left(2);
    }
    const int m = rest.size() == 2 ? number(rest, 2) : -1;
    if (h < 0 || m < 0 || sec < 0)
        return std::nullopt;
    if (h == 24 && m == 0 && sec == 0)
        return Clock{QTime(0, 0), true};
    return Clock{QTime(h, m, sec)};
}

int fullYear(int y) {
    return y >= 100 ? y : y < 70 ? 2000 + y : 1900 + y;
}

// A time-only date (ls shows those for the last six months) lies in the latest year that does
// not put it in the future.
QDateTime dateTime(int year, int month, int day, const Clock& clock, const QDate& today) {
    if (year == 0) {
        year = today.year();
        if (QDate(year, month, day).isValid() && QDate(year, month, day) > today.addDays(1))
            --year;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || !clock.time.isValid())
        return {};
    return QDateTime(date, clock.time).addDays(clock.nextDay ? 1 : 0);
}

// Ends a date after its month and day: "12:34", "2020", "2003年", or, after "Oct 08,", a year
// and a time.
std::optional<DateMatch> yearOrTime(const QList<Token>& t, int at, int month, int day, bool comma,
                                    const QDate& today) {
    if (at >= t.size())
        return std::nullopt;
    if (const std::optional<Clock> clock = clockOf(t[at].text))
        return DateMatch{at + 1, dateTime(0, month, day, *clock, today)};
    const int year = yearOf(t[at].text);
    if (year < 0)
        return std::nullopt;
    if (comma && at + 1 < t.size())
        if (const std::optional<Clock> clock = clockOf(t[at + 1].text))
            return DateMatch{at + 2, dateTime(year, month, day, *clock, today)};
    return DateMatch{at + 1, dateTime(year, month, day, Clock{QTime(0, 0)}, today)};
}

// "Jan 05 12:34", "Jan 05  2020", "05 Jan 12:34", "26. Juli, 20:10", "2. Okt. 2003",
// "Oct 08, 2002 09:47", "4月 18日 2003年", " 1월  6 12:00".
std::optional<DateMatch> namedMonth(const QList<Token>& t, int i, const QDate& today) {
    if (i + 2 >= t.size())
        return std::nullopt;
    bool comma = false;
    int month = monthOf(t[i].text);
    int day = month ? dayOf(t[i + 1].text, &comma) : -1;
    if (day < 0) {
        month = monthOf(t[i + 1].text);
        day = month ? dayOf(t[i].text, &comma) : -1;
    }
    if (day < 0)
        return std::nullopt;
    return yearOrTime(t, i + 2, month, day, comma, today);
}

// "2005년 1월 6일", "2003年 4月 18日 12:00": the year first, the month with its sign. A year
// without its sign ("2003 3月 20") may as well be the size before "3月 20 12:00", so it counts
// only when no time or year follows the day.
std::optional<DateMatch> yearFirst(const QList<Token>& t, int i, const QDate& today) {
    if (i + 2 >= t.size() || leadingDigits(t[i + 1].text) == 0)
        return std::nullopt;
    bool sign = false;
    const int year = yearOf(t[i].text, &sign);
    const int month = monthOf(t[i + 1].text);
    const int day = dayOf(t[i + 2].text);
    if (year < 0 || !month || day < 0)
        return std::nullopt;
    const std::optional<Clock> clock =
        i + 3 < t.size() ? clockOf(t[i + 3].text) : std::optional<Clock>();
    if (!sign && (clock || (i + 3 < t.size() && yearOf(t[i + 3].text) >= 0)))
        return std::nullopt;
    if (sign && clock)
        return DateMatch{i + 4, dateTime(year, month, day, *clock, today)};
    return DateMatch{i + 3, dateTime(year, month, day, Clock{QTime(0, 0)}, today)};
}

// "3 29 03:26": month and day as numbers.
std::optional<DateMatch> numericMonth(const QList<Token>& t, int i, const QDate& today) {
    if (i + 2 >= t.size())
        return std::nullopt;
    const int month = number(t[i].text, 2);
    const int day = number(t[i + 1].text, 2);
    const std::optional<Clock> clock = clockOf(t[i + 2].text);
    if (month < 1 || month > 12 || day < 1 || day > 31 || !clock)
        return std::nullopt;
    return DateMatch{i + 3, dateTime(0, month, day, *clock, today)};
}

// A date in one token: "2021-06-07", "1999/10/12", "2004.07.15", "24-04-2003", "01-jun-99",
// or "09-26" before a year or a time. `year` is 0 for the last.
struct Compact {
    int year = 0, month = 0, day = 0;
};

std::optional<Compact> compactDate(QStringView s) {
    if (s.size() > 12)
        return std::nullopt;
    qsizetype cut = -1;
    for (qsizetype k = 0; k < s.size() && cut < 0; ++k)
        if (s.at(k) == u'-' || s.at(k) == u'/' || s.at(k) == u'.')
            cut = k;
    if (cut < 0)
        return std::nullopt;
    const QChar sep = s.at(cut);
    const QList<QStringView> p = s.split(sep);
    if (p.size() == 2 && sep != u'.') {
        const int month = number(p[0], 2), day = number(p[1], 2);
        if (month < 1 || month > 12 || day < 1 || day > 31)
            return std::nullopt;
        return Compact{0, month, day};
    }
    if (p.size() != 3)
        return std::nullopt;
    if (p[0].size() == 4) {
        const int y = number(p[0], 4), m = number(p[1], 2), d = number(p[2], 2);
        if (y < 0 || m < 0 || d < 0)
            return std::nullopt;
        return Compact{y, m, d};
    }
    const int a = number(p[0], 2);
    const int y = p[2].size() == 2 || p[2].size() == 4 ? number(p[2], 4) : -1;
    if (a < 0 || y < 0)
        return std::nullopt;
    if (!allDigits(p[1])) {
        const int m = monthOf(p[1]);
        if (!m)
            return std::nullopt;
        return Compact{fullYear(y), m, a};
    }
    const int b = number(p[1], 2);
    if (b < 0)
        return std::nullopt;
    // Day first unless the numbers say otherwise or the slashes say American.
    const bool monthFirst = a <= 12 && (b > 12 || sep == u'/');
    return monthFirst ? Compact{fullYear(y), a, b} : Compact{fullYear(y), b, a};
}

std::optional<DateMatch> compact(const QList<Token>& t, int i, const QDate& today) {
    const std::optional<Compact> c = compactDate(t[i].text);
    if (!c)
        return std::nullopt;
    const std::optional<Clock> clock =
        i + 1 < t.size() ? clockOf(t[i + 1].text) : std::optional<Clock>();
    if (c->year == 0) {
        if (clock)
            return DateMatch{i + 2, dateTime(0, c->month, c->day, *clock, today)};
        const int year = i + 1 < t.size() ? yearOf(t[i + 1].text) : -1;
        if (year < 0)
            return std::nullopt;
        return DateMatch{i + 2, dateTime(year, c->month, c->day, Clock{QTime(0, 0)}, today)};
    }
    if (clock)
        return DateMatch{i + 2, dateTime(c->year, c->month, c->day, *clock, today)};
    // Without a time the servers that write these pad the column.
    return DateMatch{i + 1, dateTime(c->year, c->month, c->day, Clock{QTime(0, 0)}, today), true};
}

}  // namespace

std::optional<DateMatch> dateAt(const QList<Token>& t, int i, const QDate& today) {
    for (const auto read : {namedMonth, yearFirst, numericMonth, compact})
        if (std::optional<DateMatch> m = read(t, i, today))
            return m;
    return std::nullopt;
}

bool dateLike(QStringView s) {
    return (s.at(0).isDigit() && !hasAsciiLetter(s)) || monthOf(s) || compactDate(s);
}

}  // namespace ftp::listing
