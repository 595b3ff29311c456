#include "Reconnect.h"

#include <optional>

#include "FolderOps.h"
#include "Session.h"

namespace ftp {

namespace {

constexpr int kTries = 2;
constexpr int kPauseMs[kTries] = {1000, 4000};

// The error that took the control connection away, taken back from the operation so that it
// can reconnect; nullopt when the unit failed for another reason or the operation has ended.
std::optional<FtpError> lostConnection(Session& s, const FtpError& e) {
    if (e.number == kErrDataConnection && s.usable()) {
        // A server that goes away may close the data connection first; the control connection
        // tells.
        try {
            s.command(QStringLiteral("NOOP"));
        } catch (const FtpError&) {
        }
    }
    const std::optional<FtpError> failure = s.ctx().failure();
    if (!failure || (failure->number != kErrConnectionLost && failure->number != kErrTimeout))
        return std::nullopt;
    if (!s.ctx().recover())
        return std::nullopt;
    return failure;
}

// False when the try failed and another may follow.
bool tryReopen(Session& s) {
    try {
        s.reopen();
        return true;
    } catch (const FtpError&) {
        if (!s.ctx().recover())
            throw;
        return false;
    }
}

}  // namespace

void withReconnect(Session& s, const std::function<void()>& unit,
                   const std::function<void()>& tidy) {
    if (!s.reconnects()) {
        unit();
        return;
    }
    const std::optional<QString> folder = s.lastFolder();
    std::optional<FtpError> cause;
    int tries = 0;
    for (bool again = false;; again = true) {
        try {
            if (again) {
                if (folder)
                    returnTo(s, *folder);
                if (tidy)
                    tidy();
            }
            unit();
            return;
        } catch (const FtpError& e) {
            const std::optional<FtpError> loss = lostConnection(s, e);
            if (!loss)
                throw;
            if (!cause)
                cause = loss;
            do {
                if (tries == kTries) {
                    s.ctx().fail(*cause);
                    throw *cause;
                }
                ++tries;
                s.notify().reconnecting(tries, kTries, cause->description);
                s.ctx().pause(kPauseMs[tries - 1]);
            } while (!tryReopen(s));
        }
    }
}

}  // namespace ftp
