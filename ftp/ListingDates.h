#pragma once

#include <QDateTime>
#include <optional>

#include "ListingText.h"

namespace ftp::listing {

struct DateMatch {
    int end = 0;          // the token after the date
    QDateTime date;       // invalid when the date names no real day or time
    bool padded = false;  // blanks before the name are padding, not part of it
};

// The date that starts at token `i` of a Unix-style line, in any of the forms and languages
// servers write. `today` dates entries that give a time instead of a year.
std::optional<DateMatch> dateAt(const QList<Token>& t, int i, const QDate& today);
// Could be a piece of a date, read here or not.
bool dateLike(QStringView s);

}  // namespace ftp::listing
