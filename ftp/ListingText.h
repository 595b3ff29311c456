#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include "ListingParser.h"

// Small pieces shared by the readers of listing lines.
namespace ftp::listing {

inline ListingEntry unparsedLine(const QString& line) {
    ListingEntry e;
    e.raw = line;
    return e;
}

inline bool allDigits(QStringView s) {
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

inline qsizetype leadingDigits(QStringView s) {
    qsizetype n = 0;
    while (n < s.size() && s.at(n) >= u'0' && s.at(n) <= u'9')
        ++n;
    return n;
}

inline bool hasAsciiLetter(QStringView s) {
    for (const QChar c : s)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            return true;
    return false;
}

// Only ASCII blanks separate the fields: in a listing read as Latin-1, bytes such as 0x85 or
// 0xA0 belong to names in a legacy encoding.
inline bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Blank-separated tokens with the offset just past each one, so that the name can be taken
// from the original text with its own spaces.
struct Token {
    QStringView text;
    qsizetype end;
};

inline QList<Token> tokens(QStringView line, int max) {
    QList<Token> out;
    qsizetype i = 0;
    while (i < line.size() && out.size() < max) {
        while (i < line.size() && isBlank(line.at(i)))
            ++i;
        const qsizetype start = i;
        while (i < line.size() && !isBlank(line.at(i)))
            ++i;
        if (i > start)
            out.append({line.mid(start, i - start), i});
    }
    return out;
}

}  // namespace ftp::listing
