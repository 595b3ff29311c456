#pragma once

#include <optional>

#include "ListingParser.h"

namespace ftp {

class Session;
struct LocalFile;

// Tells whether a send may leave a file out because the server has it already: the same size,
// and a modification time not older than the local file's once the server's clock is set
// against ours. The remote time must be exact (MLSD, else MDTM); list dates to the minute or
// without a year are not. The clock offset is measured once per connection by sending an empty
// probe file, reading its time back (MDTM) and deleting it; where any of that fails, or the
// measure is too loose to tell, the file is sent.
class UnchangedCheck {
public:
    explicit UnchangedCheck(Session& s) : m_s(s) {}
    // `remote`: the listing's entry of the same name in the current folder.
    bool unchanged(const LocalFile& local, const ListingEntry& remote);

private:
    std::optional<qint64> remoteTime(const ListingEntry& remote);  // ms since the epoch, UTC
    std::optional<qint64> mdtm(const QString& name);
    bool measureOffset();

    Session& m_s;
};

}  // namespace ftp
