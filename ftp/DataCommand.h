#pragma once

#include <QString>
#include <functional>

#include "DataChannel.h"
#include "Reply.h"

class QIODevice;

namespace ftp {

class Session;

// One command that moves data (LIST, MLSD, RETR, STOR) and what to move.
struct DataJob {
    QString command;
    QIODevice* source = nullptr;           // sent to the server when set
    qint64 sourceSize = -1;                // the bytes `source` must give, when not negative
    DataChannel::Sink sink;                // receives the data otherwise
    bool ascii = false;                    // TYPE A line ends
    std::function<void(qint64)> progress;  // local bytes moved so far; may throw
    // Set once the server took the command (1xx or 2xx reply), or may have created the
    // target before its data connection failed.
    bool* accepted = nullptr;
};

// Runs `job` over a new data connection: passive (EPSV, then PASV) unless settings ask for
// active mode (EPRT, then PORT) first. A data connection that does not open (passive refused,
// a port that refuses or stays silent, the server refusing EPRT/PORT, answering 425/426 before
// data moved, or not connecting in time) is tried once in the other mode; whichever mode
// works is kept for the rest of the session, and a switch is logged as a note. The time a
// data connection may take to open is three quarters of the timeout, at most 15 s. Returns
// the final reply; throws the server's refusal or the failure.
Reply runDataCommand(Session& session, const DataJob& job);

}  // namespace ftp
