#pragma once

#include <QString>
#include <QStringList>

namespace ftp {

// Remote paths as the component's callers write them: "\" and "/" both separate folders.
namespace remote_path {

// "\" becomes "/", repeated separators collapse; a trailing separator is kept off except for "/".
QString normalize(const QString& path);
// `path` resolved against the absolute folder `base` (lexically, "." and ".." applied).
QString absolute(const QString& base, const QString& path);
// The folder part and the name part of a normalized path ("a/b/c" gives "a/b" and "c").
QString folderOf(const QString& path);
QString nameOf(const QString& path);
// `folder` + "/" + `name`, without doubling the separator.
QString join(const QString& folder, const QString& name);
// The components of a normalized path, without empty ones.
QStringList components(const QString& path);
// True for text that cannot go on a command line: CR, LF or NUL would end or split the command.
bool unsendable(const QString& text);

}  // namespace remote_path

// Whether a name the server listed is safe to use as one local file or folder name: not empty,
// not "." or "..", no separator, no drive prefix, no control character.
bool isSafeLocalName(const QString& name);
// `name` with control characters shown as "?" and cut at 1024 characters, for reports.
QString printableName(const QString& name);

}  // namespace ftp
