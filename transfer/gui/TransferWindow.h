#pragma once

#include <QString>

#include "TransferHost.h"

class QWidget;

// What the session and the list glue need of the window beyond what the transfer logic needs:
// the session's view of it and a parent for boxes and prompts.
class TransferWindow : public TransferHost {
public:
    // The connected site's address, showing the window once signed in, and unloading it, which
    // ends the program.
    virtual void showUserAddress(const QString& caption) = 0;
    virtual void showTransferWindow() = 0;
    virtual void unloadWindow() = 0;
    // True once the window was unloaded, possibly from inside a running operation.
    virtual bool isUnloaded() const = 0;
    // Parent for boxes and prompts.
    virtual QWidget* dialogParent() = 0;
};
