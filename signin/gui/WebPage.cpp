#include "WebPage.h"

#include "DesktopWebLauncher.h"
#include "Dialogs.h"
#include "Service.h"

namespace {

constexpr int kNoAssociation = 31;

DesktopWebLauncher desktopLauncher;
WebLauncher* currentLauncher = &desktopLauncher;

void BrowserUnavailable(const QString& text) {
    dialogs().message(nullptr, QMessageBox::Warning, QStringLiteral("Browser Unavailable"), text,
                      QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace

WebLauncher& webLauncher() {
    return *currentLauncher;
}

void setWebLauncher(WebLauncher* launcher) {
    currentLauncher = launcher ? launcher : &desktopLauncher;
}

void OpenWebPage(const QString& address) {
    const int result = webLauncher().open(address);
    if (result < kNoAssociation) {
        BrowserUnavailable(QStringLiteral("Problem running your web browser. Please check to "
                                          "ensure that your browser is correctly installed.") +
                           QStringLiteral("\rError ") + QString::number(result) + u')');
    } else if (result == kNoAssociation) {
        BrowserUnavailable(ApplicationTitle() +
                           QStringLiteral(" could not find a file association for ") + address +
                           QStringLiteral(" on your system.") +
                           QStringLiteral("Please check to ensure that your browser is correctly "
                                          "installed and associated with this type of file."));
    }
}
