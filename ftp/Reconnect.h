#pragma once

#include <functional>

namespace ftp {

class Session;

// Runs one unit of a transfer or listing (one file, one listing). When the control connection
// goes away meanwhile (lost, reset, timed out), the operation reconnects: Reconnecting, a pause,
// a new connection and login, up to two tries per unit. It then returns to the folder the unit
// started in, lets `tidy` remove what the cut attempt left on the server and runs the unit
// again. When no try is left the unit fails with the error that first cut it. Aborts, the
// component's end and refused commands are never retried. Without a way to reconnect (see
// Session::setReopen) the unit just runs.
void withReconnect(Session& s, const std::function<void()>& unit,
                   const std::function<void()>& tidy = {});

}  // namespace ftp
