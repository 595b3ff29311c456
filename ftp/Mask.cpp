#include "Mask.h"

namespace ftp {

Mask::Mask(const QString& pattern)
    : m_pattern(pattern == "*.*" || pattern.isEmpty() ? QStringLiteral("*")
                                                      : pattern.toCaseFolded()) {}

bool Mask::matches(const QString& name) const {
    const QString n = name.toCaseFolded();
    // Greedy match with one backtrack point per star: linear in practice, never exponential.
    qsizetype p = 0, s = 0, starP = -1, starS = 0;
    while (s < n.size()) {
        if (p < m_pattern.size() && (m_pattern.at(p) == '?' || m_pattern.at(p) == n.at(s))) {
            ++p;
            ++s;
        } else if (p < m_pattern.size() && m_pattern.at(p) == '*') {
            starP = p++;
            starS = s;
        } else if (starP >= 0) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < m_pattern.size() && m_pattern.at(p) == '*')
        ++p;
    return p == m_pattern.size();
}

}  // namespace ftp
