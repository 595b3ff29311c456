#pragma once

#include "WebPage.h"

// Opens addresses with the desktop's default browser (QDesktopServices). Results, in shell
// terms: 42 launched; 31 no browser registered for an http or https address (no
// x-scheme-handler default and no BROWSER variable); 2 the address is unusable or the launch
// failed (the shell's "file not found", the nearest of its error numbers).
class DesktopWebLauncher final : public WebLauncher {
public:
    int open(const QString& url) override;
};
