#pragma once

#include <QDate>
#include <QString>

#include "ListingParser.h"

namespace ftp {

// Reads one LIST line in the Unix "ls -l" style and its variants: dates in other orders and
// languages, numeric and CJK dates, missing or merged fields. Unparsed when no reading is safe.
ListingEntry parseUnixLine(const QString& line, const QDate& today);

}  // namespace ftp
