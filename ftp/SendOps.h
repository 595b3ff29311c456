#pragma once

#include <QString>

namespace ftp {

class Session;

// SendFile: `localPath` to `remotePath` (a name, a path, or a folder ending in a separator).
void sendFile(Session& s, const QString& localPath, const QString& remotePath,
              bool replaceWithoutAsking);
// SendFiles: the files of `localMask` into `remoteFolder` (see planLocalMask).
void sendFiles(Session& s, const QString& localMask, const QString& remoteFolder,
               bool includeSubfolders, bool replaceWithoutAsking);

}  // namespace ftp
