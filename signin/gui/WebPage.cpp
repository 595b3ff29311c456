#include "WebPage.h"

#include "DesktopWebLauncher.h"
#include "Dialogs.h"

namespace {

WebLauncher* installedLauncher = nullptr;

}  // namespace

WebLauncher& webLauncher() {
    static DesktopWebLauncher desktopLauncher;
    return installedLauncher ? *installedLauncher : desktopLauncher;
}

void setWebLauncher(WebLauncher* launcher) {
    installedLauncher = launcher;
}

void OpenWebPage(const QString& address) {
    const QString failure = browserFailureText(webLauncher().open(address), address);
    if (!failure.isEmpty())
        dialogs().message(nullptr, QMessageBox::Warning, QStringLiteral("Browser Unavailable"),
                          failure, QMessageBox::Ok, QMessageBox::Ok);
}
