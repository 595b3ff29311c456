#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "FerryMenu.h"
#include "FtpComponent.h"

namespace {

// --help and --version answer on the terminal and end the program before any window system is
// needed; anything else unknown is an error there too.
void HandleCommandLine(int argc, char* argv[]) {
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ferrymate"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FERRYMATE_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pictavo Ferrymate publishes Pictavo projects to a Hostavia hosting "
                       "account over FTP."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(probe);
}

}  // namespace

int main(int argc, char* argv[]) {
    HandleCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictavo's Ferrymate"));
    QApplication::setApplicationVersion(QStringLiteral(FERRYMATE_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.pictavo.Ferrymate"),
                                                 QIcon(QStringLiteral(":/icons/ferrymate.png"))));
    ftp::FtpComponent xFtp;
    FerryMenu window(xFtp);
    // Queued, so an operation the unload interrupted unwinds before the program leaves.
    QObject::connect(&window, &FerryMenu::unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();
    if (window.isUnloaded())
        return 0;
    return app.exec();
}
