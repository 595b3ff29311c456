#pragma once

#include <QString>

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

}  // namespace ftp
