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
    DataChannel::Sink sink;                // receives the data otherwise
    bool ascii = false;                    // TYPE A line ends
    std::function<void(qint64)> progress;  // local bytes moved so far; may throw
    bool* accepted = nullptr;  // set once the server took the command (1xx or 2xx reply)
};

// Runs `job` over a new data connection: passive (EPSV, then PASV) or active (EPRT, then
// PORT). When active mode fails because the server cannot reach us, the session switches to
// passive for good, logs it and runs the command once more. Returns the final reply; throws
// the server's refusal or the failure.
Reply runDataCommand(Session& session, const DataJob& job);

}  // namespace ftp
