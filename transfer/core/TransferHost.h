#pragma once

#include <QString>

class BusyState;

// What the transfer logic needs of the window that runs it: its two reporting channels, the
// command rules with the busy state they follow, the progress bar and the local side.
class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual void StatusBarInfo(const QString& sMessage) = 0;
    virtual void DisplayMessage(const QString& line) = 0;
    // A status of the file being transferred: shown at a pace a person can read, the latest
    // one winning; any StatusBarInfo replaces one still waiting.
    virtual void showTransferStatus(const QString& sMessage) = 0;
    virtual void EnableConnectedCommands(bool bConnected) = 0;
    // Held by every procedure while it talks to the server; see BusyState.
    virtual BusyState& busy() = 0;
    virtual void EnableRemoteCommands() = 0;
    virtual void EnableLocalCommands() = 0;
    virtual void setProgress(int percent) = 0;
    virtual int Progress() const = 0;
    // The local side: the current local folder (ends with a separator) and its reread.
    virtual QString localPath() const = 0;
    virtual void RefreshLocalFileList() = 0;
};
