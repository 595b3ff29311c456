#include <QApplication>

#include "FerryMenu.h"
#include "FtpComponent.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictavo's Ferrymate"));
    QApplication::setQuitOnLastWindowClosed(false);
    ftp::FtpComponent xFtp;
    FerryMenu window(xFtp);
    window.Form_Load();
    if (window.IsUnloaded())
        return 0;
    return app.exec();
}
