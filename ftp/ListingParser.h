#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace ftp {

// One line of a folder listing, read.
struct ListingEntry {
    QString name;
    int kind = 0;  // ItemKind: 0 file, 1 folder, 2 link
    qint64 size = 0;
    bool sized = false;      // the line gives the size
    QDateTime date;          // invalid when the line gives none
    bool exactDate = false;  // `date` is to the second in a known zone (MLSD), not a guess
    QString raw;             // the line as the server sent it
    bool parsed = false;     // false: the line parses as nothing; only `raw` is set
};

// Reads one MLSD line (RFC 3659 7.2: "fact=value;...; name"). Entries of type cdir and pdir come
// back with the name "." or "..", whatever the server called them.
ListingEntry parseMlsdLine(const QString& line);
// Reads one LIST line in the Unix "ls -l" style or the DOS/IIS style. `today` dates entries
// that give a time instead of a year (ls shows those for the last six months).
ListingEntry parseListLine(const QString& line, const QDate& today);

// Reads a listing as it arrives on the data connection: splits lines (CRLF or LF), decodes
// them (UTF-8 or Latin-1), skips empty lines and the "total N" header of ls, and leaves out
// "." and "..".
class ListingParser {
public:
    enum Format { Mlsd, List };
    ListingParser(Format format, bool utf8, const QDate& today);

    void feed(const QByteArray& bytes);
    void finish();  // the data connection ended; a last line without line end counts
    QList<ListingEntry> take() { return std::exchange(m_entries, {}); }

private:
    void line(const QByteArray& bytes);

    Format m_format;
    bool m_utf8;
    QDate m_today;
    QByteArray m_buffer;
    QList<ListingEntry> m_entries;
};

}  // namespace ftp
