#pragma once

#include <QDir>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

#include "FerryMenu.h"
#include "FtpComponent.h"
#include "FtpServers.h"
#include "NetConnect.h"
#include "ScriptedDialogs.h"
#include "ui_FerryMenu.h"

// Writes a file (and its folders) with the given bytes.
void writeFile(const QString& path, const QByteArray& data);
QByteArray readFile(const QString& path);
// A Pictavo project as the authoring product writes it: bin/pictavo.html, movies, texts and
// `images` pictures under bin/images, plus a file that is never published.
void makeProject(const QString& folder, int movies = 2, int texts = 1, int images = 3,
                 int movieBytes = 4000);
// Every file below `root`, as relative paths, sorted.
QStringList filesBelow(const QString& root);

// The rows of a test run against both servers: column "server", a WindowHarness::Server.
void addServerRows();

// One transfer window in a program folder of its own, with a projects folder, a real FTP server
// and scripted dialogs.
class WindowHarness {
public:
    enum Server { Py, Vs, VsTls };  // VsTls: vsftpd requiring TLS, with a self-signed certificate
    // The account is signed in as typed; the server knows it as its first 8 characters in lower
    // case.
    explicit WindowHarness(Server kind = Py, const QString& account = QStringLiteral("Mary.Jones"),
                           const QString& password = QStringLiteral("secret 1"));
    ~WindowHarness();

    bool serverStarted() const { return m_started; }
    QString serverError() const { return server->error(); }
    QString projects() const { return m_projects.path() + QLatin1Char('/'); }
    QString serverRoot() const { return m_serverRoot.path(); }
    QString programDir() const { return m_program.path(); }

    // Files a test put below the server root after the server started belong to the server's
    // account from now on (vsftpd runs as that account; pyftpdlib needs nothing).
    bool adoptServerFiles();
    void writeInitialize(const QString& content);
    void writeSettings(const QString& extra = {});
    // The next sign-in is answered with this name and password (Cancel when `cancel`).
    void scriptSignIn(const QString& name, const QString& pass, bool cancel = false);
    void scriptSignIn() { scriptSignIn(account, password); }

    // Creates the window and runs its start-up; true when it ended connected.
    bool open();

    Ui::FerryMenu& ui() { return window->form(); }
    QString status() { return ui().lblStatus->text(); }
    QStringList log() const;
    int logSize() const { return log().size(); }
    QStringList logSince(int from) const { return log().mid(from); }
    QStringList rowTexts(QTreeWidget* list) const;
    // Selects exactly the rows with these texts, the first as current, as a user would.
    void select(QTreeWidget* list, const QStringList& texts);

    QString account, password;
    ScriptedDialogs script;
    AlwaysConnected online;  // whatever the test machine's network looks like
    std::unique_ptr<TestFtpServer> server;
    std::unique_ptr<ftp::FtpComponent> xFtp;
    std::unique_ptr<FerryMenu> window;
    int unloadedSignals = 0;
    QStringList statuses;  // every status line shown, in order
    QList<int> progress;   // every value the progress bar took, in order

private:
    QTemporaryDir m_program, m_projects, m_serverRoot, m_tls;
    bool m_started = false;
};
