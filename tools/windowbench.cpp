// Times the program's own upload of local projects: a transfer window driven offscreen signs in
// to a server, selects the named projects and runs the upload the Upload button runs.
//
//   windowbench --port P --account A --password W --projects DIR [--connections N] NAME...
//
// The server runs on this machine: the host is A.localhost, the FTP user the account's first
// eight letters in lower case.
#include <QApplication>
#include <QCommandLineParser>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

#include "AppPath.h"
#include "Dialogs.h"
#include "FerryMenu.h"
#include "FtpComponent.h"
#include "NetConnect.h"
#include "ProjectUpload.h"
#include "RemoteSide.h"
#include "ui_FerryMenu.h"

namespace {

// Answers the sign-in with the given account and every question with Yes.
class Answers final : public Dialogs {
public:
    Answers(QString user, QString password)
        : m_user(std::move(user)), m_password(std::move(password)) {}
    QMessageBox::StandardButton message(QWidget*, QMessageBox::Icon, const QString&,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return (buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
    bool accept(QWidget*, const QString&, const QString& text, const QString&) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return true;
    }
    QString input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    void exec(QDialog& form) override {
        if (form.objectName() == QLatin1String("frmFerryLogin")) {
            form.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(m_user);
            form.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(m_password);
            form.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
        } else {
            form.reject();
        }
    }
    QString folder(QWidget*, const QString&, const QString&) override { return QString(); }

private:
    QString m_user, m_password;
};

qint64 bytesBelow(const QString& dir, int* files) {
    qint64 bytes = 0;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
        ++*files;
    }
    return bytes;
}

// Lists a remote folder into the window's list while a 5 ms timer measures how long the event
// loop is kept from running.
int ListFolder(FerryMenu& window, const QString& folder, QTextStream& out) {
    if (!window.remoteSide().ChangeCurrentRemoteFolder(folder, true))
        return 1;
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    ticker.start();
    window.remoteSide().RefreshRemoteFileList();
    ticker.stop();
    longestGap = qMax(longestGap, sinceTick.elapsed());
    const double seconds = timer.nsecsElapsed() / 1e9;
    out << window.form().lstRemoteFileList->topLevelItemCount() << " rows\t"
        << QString::number(seconds, 'f', 3) << " s\tlongest freeze " << longestGap << " ms\n";
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"port", "Server port.", "port"},
                       {"account", "Account name.", "account"},
                       {"password", "Password.", "password"},
                       {"projects", "Folder holding the projects.", "dir", "."},
                       {"list", "Remote folder to list.", "folder"},
                       {"connections", "Connections a transfer may use (settings file).", "n"}});
    parser.addPositionalArgument("names", "Project folders to publish, one after another.");
    parser.process(app);
    const QString account = parser.value("account");

    QTemporaryDir program;
    setAppPathForTesting(program.path());
    {
        QFile init(program.filePath("initialize.txt"));
        init.open(QIODevice::WriteOnly);
        init.write(("projectDir=" + parser.value("projects") + "&\r\n").toUtf8());
        QFile ini(program.filePath("Ferrymate.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[Service]\r\nDomain=%1\r\nPort=%2\r\n")
                      .arg(QStringLiteral("localhost"), parser.value("port"))
                      .toLatin1());
        if (parser.isSet("connections"))
            ini.write("[Transfer]\r\nConnections=" + parser.value("connections").toLatin1() +
                      "\r\n");
    }
    Answers answers(account, parser.value("password"));
    setDialogs(&answers);
    AlwaysConnected online;
    setConnectedState(&online);

    ftp::FtpComponent xFtp;
    FerryMenu window(xFtp);
    window.Form_Load();
    if (xFtp.State() != ftp::kIdle) {
        std::fprintf(stderr, "could not connect: %s\n",
                     qPrintable(window.form().lblStatus->text()));
        const QListWidget* log = window.form().lstConnectionInfo;
        for (int i = 0; i < log->count(); ++i)
            std::fprintf(stderr, "  %s\n", qPrintable(log->item(i)->text()));
        return 1;
    }
    QTextStream out(stdout);
    if (parser.isSet("list"))
        return ListFolder(window, parser.value("list"), out);
    QTreeWidget* list = window.form().lstLocalFileList;
    for (const QString& name : parser.positionalArguments()) {
        list->clearSelection();
        const QList<QTreeWidgetItem*> rows = list->findItems(name.toUpper(), Qt::MatchExactly);
        if (rows.isEmpty()) {
            std::fprintf(stderr, "no project %s\n", qPrintable(name));
            return 1;
        }
        rows.first()->setSelected(true);
        list->setCurrentItem(rows.first());
        int files = 0;
        const qint64 bytes = bytesBelow(parser.value("projects") + "/" + name + "/bin", &files);
        QElapsedTimer timer;
        timer.start();
        window.upload().UploadSelectedProjects();
        const double seconds = timer.nsecsElapsed() / 1e9;
        out << name << '\t' << files << '\t' << bytes << '\t' << QString::number(seconds, 'f', 3)
            << '\n';
        out.flush();
        if (!window.form().lstConnectionInfo->findItems("Error", Qt::MatchContains).isEmpty()) {
            std::fprintf(stderr, "upload failed\n");
            return 1;
        }
    }
    return 0;
}
