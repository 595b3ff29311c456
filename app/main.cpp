#include <QApplication>

#include "FerryMenu.h"
#include "FtpComponent.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictavo's Ferrymate"));
    QApplication::setQuitOnLastWindowClosed(false);
    ftp::FtpComponent xFtp;
    FerryMenu window(xFtp);
    // Queued, so an operation the unload interrupted unwinds before the program leaves.
    QObject::connect(&window, &FerryMenu::unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();
    if (window.IsUnloaded())
        return 0;
    return app.exec();
}
