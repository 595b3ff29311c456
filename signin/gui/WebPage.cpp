#include "WebPage.h"

#include "DesktopWebLauncher.h"
#include "Dialogs.h"

namespace {

DesktopWebLauncher desktopLauncher;
WebLauncher* currentLauncher = &desktopLauncher;

}  // namespace

WebLauncher& webLauncher() {
    return *currentLauncher;
}

void setWebLauncher(WebLauncher* launcher) {
    currentLauncher = launcher ? launcher : &desktopLauncher;
}

void OpenWebPage(const QString& address) {
    const QString failure = BrowserFailureText(webLauncher().open(address), address);
    if (!failure.isEmpty())
        dialogs().message(nullptr, QMessageBox::Warning, QStringLiteral("Browser Unavailable"),
                          failure, QMessageBox::Ok, QMessageBox::Ok);
}
