#pragma once

#include <QString>

#include "Connection.h"

namespace ftp {

// One file of a send or a receive, as whichever connection takes it moves it.
struct FileJob {
    bool upload = true;
    QString folder;          // absolute remote folder
    QString name;            // the remote name in `folder`
    QString temporary;       // sends: the name it has until complete
    bool replacing = false;  // sends: an old version is there
    QString localPath;
    QString shown;  // the remote name as notifications show it
    qint64 size = 0;
    bool sized = true;       // receives: the listing announced `size`
    bool announced = false;  // SendingFile was raised for it
};

// Sends the EPSV for `next` ahead on `c`, and its STOR too when `c` is in its folder already.
inline void sendAheadFor(Connection& c, const FileJob& next) {
    if (next.upload && c.folder == next.folder)
        c.sendAhead(QStringLiteral("STOR ") + next.temporary,
                    QStringLiteral("DELE ") + next.temporary);
    else
        c.sendAhead();
}

}  // namespace ftp
