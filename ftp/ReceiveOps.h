#pragma once

#include <QString>

namespace ftp {

class Session;

// ReceiveFile: the remote file `remoteName` into the local file `localPath`.
void receiveFile(Session& s, const QString& remoteName, const QString& localPath);
// ReceiveFiles: the files that `remoteMask` takes into `localFolder`. A mask with a folder part
// ("name\*") puts that folder's files into a local subfolder named after it; with
// `includeSubfolders` its subfolders follow into same-named local subfolders.
void receiveFiles(Session& s, const QString& remoteMask, const QString& localFolder,
                  bool includeSubfolders);

}  // namespace ftp
