#pragma once

#include <QString>

namespace ftp {

// A file name mask as the component's callers write it: "*" any run, "?" one character, letter
// case ignored as on the desktop the masks come from; "" and "*.*" match every name.
class Mask {
public:
    explicit Mask(const QString& pattern);
    bool matches(const QString& name) const;

private:
    QString m_pattern;
};

}  // namespace ftp
