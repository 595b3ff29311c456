#pragma once

#include <QObject>
#include <QPointer>
#include <optional>

// Whether an FTP operation of the window runs. Every procedure that talks to the server holds it
// for as long as it runs; procedures nest (an upload reads the list again), and only the
// outermost one ending makes the window idle. The window applies its command rules from it, so
// nothing can start a second operation and Abort stays on until the first one is over.
class BusyState : public QObject {
    Q_OBJECT
public:
    class Hold {
    public:
        Hold(Hold&& other) noexcept
            : m_state(std::exchange(other.m_state, nullptr)), m_transfer(other.m_transfer) {}
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        Hold& operator=(Hold&&) = delete;
        ~Hold();

    private:
        friend class BusyState;
        Hold(BusyState* state, bool transfer) : m_state(state), m_transfer(transfer) {}
        QPointer<BusyState> m_state;
        bool m_transfer;
    };

    using QObject::QObject;

    // Marks the window busy until the returned hold ends; `transfer` for uploads and downloads,
    // which closing the window interrupts only after asking.
    [[nodiscard]] Hold hold(bool transfer = false);
    // What may start: a command arriving while an operation runs (a queued click, a key) is
    // dropped. tryHold holds only when idle. runIfIdle runs `command` only when idle, for
    // commands that take their own hold later (the sign-in form is answered before connecting).
    [[nodiscard]] std::optional<Hold> tryHold();
    template <typename Command>
    void runIfIdle(Command&& command) {
        if (!busy())
            std::forward<Command>(command)();
    }
    bool busy() const { return m_depth > 0; }
    bool transferring() const { return m_transfers > 0; }
    // Abort was asked for: procedures made of several operations stop between them too. It
    // holds until the window is idle again.
    void requestStop() { m_stop = busy(); }
    // Between two operations: ends the procedure as an abort would, when one was asked for.
    void throwIfStopRequested() const;

signals:
    // The window became busy or idle.
    void changed(bool busy);

private:
    void release(bool transfer);

    int m_depth = 0;
    int m_transfers = 0;
    bool m_stop = false;
};
