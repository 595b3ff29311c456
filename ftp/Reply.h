#pragma once

#include <QString>
#include <QStringList>

namespace ftp {

// One complete server reply: its code and every line as sent (code included).
struct Reply {
    int code = 0;
    QStringList lines;

    bool preliminary() const { return code >= 100 && code < 200; }
    bool positive() const { return code >= 200 && code < 300; }
    bool intermediate() const { return code >= 300 && code < 400; }
    // The reply's text without the code, lines joined by a space.
    QString text() const;
};

}  // namespace ftp
