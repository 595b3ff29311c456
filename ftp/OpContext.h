#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "FtpError.h"

class QEventLoop;

namespace ftp {

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
    void check() const {
        if (m_failure)
            throw *m_failure;
    }
    bool failed() const { return m_failure.has_value(); }

    // Commands that put the server back in order should the operation be aborted while they
    // are due: removing a partial file, returning to the folder the operation started in.
    QStringList cleanup;

private:
    std::optional<FtpError> m_failure;
    QEventLoop* m_loop = nullptr;
    bool m_woken = false;
};

}  // namespace ftp
