#pragma once

#include <QString>

class BusyState;
class QWidget;

// What the transfer procedures need of the window that holds them: its two reporting channels,
// the command rules with the busy state they follow, and its own lifetime.
class TransferWindow {
public:
    virtual ~TransferWindow() = default;

    virtual void StatusBarInfo(const QString& sMessage) = 0;
    virtual void DisplayMessage(const QString& line) = 0;
    // A status of the file being transferred: shown at a pace a person can read, the latest
    // one winning; any StatusBarInfo replaces one still waiting.
    virtual void ShowTransferStatus(const QString& sMessage) = 0;
    virtual void EnableConnectedCommands(bool bConnected) = 0;
    // Held by every procedure while it talks to the server; see BusyState.
    virtual BusyState& Busy() = 0;
    virtual void EnableRemoteCommands() = 0;
    virtual void EnableLocalCommands() = 0;
    virtual void SetProgress(int percent) = 0;
    virtual int Progress() const = 0;
    // The local side: the current local folder (ends with a separator) and its reread.
    virtual QString LocalPath() const = 0;
    virtual void RefreshLocalFileList() = 0;
    // The session's view of the window: the connected site's address, showing the window once
    // signed in, and unloading it, which ends the program.
    virtual void ShowUserAddress(const QString& caption) = 0;
    virtual void ShowTransferWindow() = 0;
    virtual void UnloadWindow() = 0;
    // True once the window was unloaded, possibly from inside a running operation.
    virtual bool IsUnloaded() const = 0;
    // Parent for boxes and prompts.
    virtual QWidget* DialogParent() = 0;
};
