#pragma once

#include <QString>

// Opens addresses in the user's browser.
class WebLauncher {
public:
    virtual ~WebLauncher() = default;
    // Returns a shell-style code: above 32 success, 31 no browser registered for the address,
    // any other value an error number.
    virtual int open(const QString& url) = 0;
};

// The launcher in use: the desktop's unless another was installed.
WebLauncher& webLauncher();
// Installs another launcher (not owned); nullptr restores the desktop's.
void setWebLauncher(WebLauncher* launcher);

// Opens the address in the browser and explains a failure in a message box.
void OpenWebPage(const QString& address);
