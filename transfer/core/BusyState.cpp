#include "BusyState.h"

#include "FtpError.h"

BusyState::Hold::~Hold() {
    if (m_state)
        m_state->release(m_transfer);
}

BusyState::Hold BusyState::hold(bool transfer) {
    if (transfer)
        ++m_transfers;
    if (m_depth++ == 0)
        emit changed(true);
    return Hold(this, transfer);
}

std::optional<BusyState::Hold> BusyState::tryHold() {
    if (busy())
        return std::nullopt;
    return hold();
}

void BusyState::release(bool transfer) {
    if (transfer)
        --m_transfers;
    if (--m_depth == 0) {
        m_stop = false;
        emit changed(false);
    }
}

void BusyState::throwIfStopRequested() const {
    if (m_stop)
        throw ftp::FtpError(ftp::kErrAborted, QStringLiteral("The operation was aborted."));
}
