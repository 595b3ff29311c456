#pragma once

#include <QString>

#include "WebLaunch.h"

// The launcher in use: the desktop's unless another was installed.
WebLauncher& webLauncher();
// Installs another launcher (not owned); nullptr restores the desktop's.
void setWebLauncher(WebLauncher* launcher);

// Opens the address in the browser and explains a failure in a message box.
void OpenWebPage(const QString& address);
