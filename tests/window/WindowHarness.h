#pragma once

#include <QtTest>

#include "FerryMenu.h"
#include "FtpComponent.h"
#include "FtpServers.h"
#include "NetConnect.h"
#include "ProfileFile.h"
#include "ProjectUpload.h"
#include "RemoteManagement.h"
#include "RemoteSide.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"
#include "WebPage.h"
#include "ui_FerryMenu.h"

// A Pictavo project: bin/pictavo.html, movies, texts, bin/images, and a file never published.
void makeProject(const QString& folder, int movies = 2, int texts = 1, int images = 3,
                 int movieBytes = 4000);

// One transfer window in a program folder and a user configuration folder of its own, with a
// projects folder, a real FTP server, scripted dialogs and web pages recorded in `urls`. A box
// without a scripted answer, or an answer left, fails the test.
class WindowHarness : public WebLauncher {
public:
    // None: for a cancelled sign-in. VsTls: vsftpd requiring TLS, self-signed.
    enum Server { None, Py, Vs, VsTls };
    // Test data columns "server" (both servers) and, when `connections`, "connections" (1, 4).
    static void addServerRows(bool connections = true);
    // The server's account: the first 8 letters in lower case. `serverFiles` fills its root
    // before the server starts (vsftpd can only change what was there then).
    explicit WindowHarness(Server kind = Py,
                           const std::function<void(const QString&)>& serverFiles = {});
    ~WindowHarness() override;
    int open(const QString& url) override {
        urls << url;
        return 42;
    }

    QString projects() const { return m_projects.path() + QLatin1Char('/'); }
    QString serverRoot() const { return m_serverRoot.path(); }
    QString programDir() const { return m_program.path(); }

    void writeInitialize(const QString& content);
    // Ferrymate.ini naming the server (or another port) and holding `extra`.
    void writeSettings(const QString& extra = {}, quint16 port = 0);
    // Answers the next sign-in with the account and `pass` (empty: the password), or Cancel,
    // after calling `shown`.
    void scriptSignIn(bool cancel = false, const QString& pass = {},
                      const std::function<void()>& shown = {});

    // Creates the window and runs its start-up; true when it ended connected.
    bool open();
    bool signIn() {
        scriptSignIn();
        return open();
    }

    Ui::FerryMenu& ui() { return window->form(); }
    QString status() { return ui().lblStatus->text(); }
    QStringList log() const;
    QStringList localRows() { return rowTexts(ui().lstLocalFileList); }
    QStringList remoteRows() { return rowTexts(ui().lstRemoteFileList); }
    static QStringList rowTexts(const QTreeWidget* list);
    // The window's buttons, lists and options, and its menu entries, that are enabled now.
    QStringList enabledCommands() const;
    // Selects exactly the rows with these texts, the first as current, as a user would.
    static void select(QTreeWidget* list, const QStringList& texts);
    // Selects these local rows and presses Upload.
    void send(const QStringList& projects);

    QString account = QStringLiteral("Mary.Jones"), password = QStringLiteral("secret 1");
    ScriptedDialogs script;
    AlwaysConnected online;  // whatever the test machine's network looks like
    std::unique_ptr<TestFtpServer> server;
    std::unique_ptr<ftp::FtpComponent> xFtp;
    std::unique_ptr<FerryMenu> window;
    int unloadedSignals = 0;
    QStringList statuses, urls;  // every status line shown, in order; the pages opened
    QList<int> progress;         // every value the progress bar took, in order

private:
    QTemporaryDir m_program, m_projects, m_serverRoot, m_tls, m_config;
    const QByteArray m_oldConfig = qgetenv("XDG_CONFIG_HOME");
};
