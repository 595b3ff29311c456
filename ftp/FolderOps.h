#pragma once

#include <QString>
#include <functional>

namespace ftp {

class Session;

// The normalized remote path of an argument; throws when it is empty or cannot be sent.
QString remoteArgument(const QString& path);

void changeFolder(Session& s, const QString& path);
// At "/" nothing is sent and the folder stays.
void changeToParentFolder(Session& s);
void createFolder(Session& s, const QString& path);
void deleteFile(Session& s, const QString& name);
void removeFolder(Session& s, const QString& name);
void renameFile(Session& s, const QString& oldName, const QString& newName);

// Makes the absolute folder `path` current. With `create`, missing folders are made one at a
// time, starting from the current folder or `known` (a folder known to exist, such as the one
// the operation started in) when `path` lies below it, else from "/". True when it made `path`
// itself, which is then empty and, when its parent was there, not entered.
bool enterFolder(Session& s, const QString& path, bool create, const QString& known);
// Makes the absolute folder `path` current again when the operation has moved away from it.
void returnTo(Session& s, const QString& path);
// Makes the caller's folder current again where a transfer left the server elsewhere.
void settleFolder(Session& s);
// Runs `body`, which may change folders, and comes back to `origin` afterwards, also when it
// fails. Should the operation be aborted, the abort sends the way back.
void visiting(Session& s, const QString& origin, const std::function<void()>& body);

}  // namespace ftp
