#pragma once

#include <QtGlobal>

// Bits of the connected-state flags word.
enum ConnectionFlag : quint32 {
    kConnectionModem = 1,
    kConnectionLan = 2,
    kConnectionProxy = 4,
};

// The operating system's connected-state services.
class ConnectedState {
public:
    virtual ~ConnectedState() = default;
    // Fills the flags word; true when the computer is online.
    virtual bool query(quint32& flags) = 0;
    // Whether a dial-up connection is configured, given the flags of a fresh query.
    virtual bool dialUpConfigured(quint32 flags) = 0;
    // Asks the system to dial its connection and waits for it.
    virtual void autodial() = 0;
};

// Services that always report a LAN connection, for driving the program where the machine's own
// network state does not matter (benchmarks, tests).
class AlwaysConnected final : public ConnectedState {
public:
    bool query(quint32& flags) override {
        flags = kConnectionLan;
        return true;
    }
    bool dialUpConfigured(quint32) override { return false; }
    void autodial() override {}
};

// The services in use: the platform's unless another was installed.
ConnectedState& connectedState();
// Installs other services (not owned); nullptr restores the platform's.
void setConnectedState(ConnectedState* state);

// Each asks the services afresh.
bool IsModemConnection();
bool IsLanConnection();
bool IsProxyConnection();
bool IsOnline();
bool IsDialUpConfigured();
