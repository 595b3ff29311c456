#pragma once

#include "FtpClient.h"

// The kind of a row of the local or the remote list: the engine's kind of the entry, moved up by
// one so that 0 stays free for "no row".
enum RowKind : int {
    kNoRow = 0,
    kFileRow = ftp::kFile + 1,
    kFolderRow = ftp::kFolder + 1,
    kLinkRow = ftp::kLink + 1,
};

constexpr RowKind rowKindFor(ftp::ItemKind kind) {
    return RowKind(kind + 1);
}
