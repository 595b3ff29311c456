#pragma once

#include <QtGlobal>
#include <QtNumeric>
#include <limits>

namespace ftp {

// A sum of byte counts that stops at the largest count instead of overflowing: a listing may
// announce any size, and a total only feeds a percentage.
inline qint64 addBytes(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (qAddOverflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}

}  // namespace ftp
