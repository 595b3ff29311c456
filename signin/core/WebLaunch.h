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

// What the user is told when opening `address` gave `result`; empty when the browser started.
QString browserFailureText(int result, const QString& address);
