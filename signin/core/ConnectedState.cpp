#include "ConnectedState.h"

#include "NetworkInfoState.h"

namespace {

NetworkInfoState platformState;
ConnectedState* currentState = &platformState;

quint32 QueryFlags() {
    quint32 flags = 0;
    connectedState().query(flags);
    return flags;
}

}  // namespace

ConnectedState& connectedState() {
    return *currentState;
}

void setConnectedState(ConnectedState* state) {
    currentState = state ? state : &platformState;
}

bool IsModemConnection() {
    return QueryFlags() & kConnectionModem;
}

bool IsLanConnection() {
    return QueryFlags() & kConnectionLan;
}

bool IsProxyConnection() {
    return QueryFlags() & kConnectionProxy;
}

bool IsOnline() {
    quint32 flags = 0;
    return connectedState().query(flags);
}

bool IsDialUpConfigured() {
    return connectedState().dialUpConfigured(QueryFlags());
}
