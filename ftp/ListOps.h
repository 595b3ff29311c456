#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "ListingParser.h"

namespace ftp {

class Session;

// The entries of the current folder: MLSD where the server offers it and ConnectOption allows,
// else LIST (with -a where the server takes it, so hidden files count too). A folder that MLSD
// names is checked against LIST, and reported as a link unless LIST shows it as a folder too.
QList<ListingEntry> readListing(Session& s);

// Lists the folder part of `mask` (the current folder when it has none) and hands each entry
// whose name matches the name part to `take`. Unparsed lines and unsafe names are handled as
// kListUnparsed in `option` says (see FtpClient.h).
void listMatching(Session& s, const QString& mask, qint32 option,
                  const std::function<void(const ListingEntry&)>& take);

}  // namespace ftp
