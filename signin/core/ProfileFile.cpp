#include "ProfileFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <optional>

namespace {

struct KeyLine {
    QString name;
    QString value;
};

// The section name of a "[name]" line.
std::optional<QString> SectionOf(const QString& line) {
    const QStringView text = QStringView(line).trimmed();
    if (!text.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = text.lastIndexOf(u']');
    if (close < 1)
        return std::nullopt;
    return text.mid(1, close - 1).toString();
}

std::optional<KeyLine> KeyOf(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    return KeyLine{line.left(eq).trimmed(), line.mid(eq + 1).trimmed()};
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Lines of the file without their line ends; nullopt when it exists but cannot be read.
std::optional<QStringList> ReadLines(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return QStringList();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList lines = QString::fromLatin1(file.readAll()).split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

// Where a key sits: its line, or else the line after which a new one goes (-1: no section).
struct Place {
    int keyLine = -1;
    int sectionEnd = -1;
};

// Only the first section of that name counts, as with the platform.
Place Find(const QStringList& lines, const QString& section, const QString& key) {
    Place place;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionOf(lines[i])) {
            if (inSection)
                break;
            inSection = SameName(*name, section);
            if (inSection)
                place.sectionEnd = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            place.sectionEnd = i;
        const auto entry = KeyOf(lines[i]);
        if (entry && SameName(entry->name, key)) {
            place.keyLine = i;
            break;
        }
    }
    return place;
}

bool BreaksLine(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

}  // namespace

QString readProfileString(const QString& section, const QString& key, const QString& def,
                          int bufferSize, const QString& path) {
    if (bufferSize <= 0)
        return QString();
    const auto lines = ReadLines(path);
    QString value = def;
    if (lines) {
        const Place place = Find(*lines, section, key);
        if (place.keyLine >= 0) {
            value = KeyOf(lines->at(place.keyLine))->value;
            const bool quoted = value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') &&
                                value.back() == value[0];
            if (quoted)
                value = value.mid(1, value.size() - 2);
        }
    }
    return value.left(bufferSize - 1);
}

bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path) {
    const QString name = key.trimmed();
    if (section.isEmpty() || section.contains(u']') || BreaksLine(section) || name.isEmpty() ||
        name.contains(u'=') || name.startsWith(u'[') || BreaksLine(value))
        return false;
    auto lines = ReadLines(path);
    if (!lines)
        return false;
    // The platform's writer drops leading blanks of the value (the reader trims both ends).
    qsizetype start = 0;
    while (start < value.size() && value[start].isSpace())
        ++start;
    const QString stored = value.mid(start);

    const Place place = Find(*lines, section, name);
    if (place.keyLine >= 0) {
        const QString& line = lines->at(place.keyLine);
        (*lines)[place.keyLine] = KeyOf(line)->name + u'=' + stored;
    } else if (place.sectionEnd >= 0) {
        lines->insert(place.sectionEnd + 1, name + u'=' + stored);
    } else {
        lines->append(u'[' + section + u']');
        lines->append(name + u'=' + stored);
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The settings hold the saved password: for the user's eyes only.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes =
        (lines->join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
    // A failed write (a full disk) must not replace the old file with a short one.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
