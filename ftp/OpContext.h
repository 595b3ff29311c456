#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "FtpError.h"

class QEventLoop;

namespace ftp {

struct FileJob;

// The running operation's side of the component: it waits in nested event loops and learns
// from outside (abort, lost connection, the component being destroyed) that it must stop. It
// is shared between the operation's stack frame and the component, so an operation can unwind
// safely after the component is gone.
class OpContext {
public:
    OpContext() = default;
    OpContext(const OpContext&) = delete;
    OpContext& operator=(const OpContext&) = delete;

    // Runs nested event loops until `done` holds; throws the failure the moment one is set.
    void wait(const std::function<bool()>& done);
    // Something happened that a waiting `done` may care about.
    void wake();
    // Ends the operation with `error`; the first failure sticks.
    void fail(const FtpError& error);
    // Ends the operation for good (abort, the component destroyed): no reconnect takes it back.
    void end(const FtpError& error);
    // Takes back a failure so the operation can go on after reconnecting; false when the
    // operation ended for good.
    bool recover();
    void check() const {
        if (m_failure)
            throw *m_failure;
    }
    // What a notification checks afterwards. An operation that reconnects meets a lost
    // connection at its next command, where it can reconnect, so only its end stops it here.
    void checkAfterNotification() const {
        if (m_ended || !reconnects)
            check();
    }
    bool failed() const { return m_failure.has_value(); }
    const std::optional<FtpError>& failure() const { return m_failure; }
    // Runs nested event loops for `ms` milliseconds; throws the failure the moment one is set.
    void pause(int ms);

    // Commands that put the server back in order should the operation be aborted while they
    // are due: removing a partial file, returning to the folder the operation started in.
    QStringList cleanup;
    // Runs each time a wait looks again, before its condition; may throw to end the wait.
    std::function<void()> poll;
    // Takes the next file of a send for the control connection, as it finishes the one before:
    // null when none is left (see Dispatcher).
    std::function<const FileJob*()> claimNext;
    // The operation reconnects when the control connection goes away.
    bool reconnects = false;

private:
    std::optional<FtpError> m_failure;
    bool m_ended = false;
    QEventLoop* m_loop = nullptr;
    bool m_woken = false;
};

}  // namespace ftp
