#include "RemotePath.h"

namespace ftp {

namespace remote_path {

QString normalize(const QString& path) {
    QString p = path;
    p.replace('\\', '/');
    QString out;
    out.reserve(p.size());
    for (const QChar c : std::as_const(p)) {
        if (c == '/' && out.endsWith('/'))
            continue;
        out.append(c);
    }
    if (out.size() > 1 && out.endsWith('/'))
        out.chop(1);
    return out;
}

QStringList components(const QString& path) {
    return normalize(path).split('/', Qt::SkipEmptyParts);
}

QString absolute(const QString& base, const QString& path) {
    const QString p = normalize(path);
    QStringList parts = p.startsWith('/') ? QStringList() : components(base);
    for (const QString& c : components(p)) {
        if (c == ".")
            continue;
        if (c == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(c);
    }
    return '/' + parts.join('/');
}

QString folderOf(const QString& path) {
    const QString p = normalize(path);
    const qsizetype slash = p.lastIndexOf('/');
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : p.left(slash);
}

QString nameOf(const QString& path) {
    const QString p = normalize(path);
    return p.mid(p.lastIndexOf('/') + 1);
}

QString join(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return folder;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

bool unsendable(const QString& text) {
    return text.contains('\r') || text.contains('\n') || text.contains(QChar(0));
}

}  // namespace remote_path

bool isSafeLocalName(const QString& name) {
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    if (name.size() >= 2 && name.at(1) == ':' && name.at(0).isLetter())
        return false;
    for (const QChar c : name) {
        if (c == '/' || c == '\\' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

QString printableName(const QString& name) {
    constexpr qsizetype kLongest = 1024;  // a report line, not a dump of a hostile listing
    QString out = name.size() > kLongest ? name.left(kLongest) + QStringLiteral("...") : name;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = '?';
    return out;
}

}  // namespace ftp
