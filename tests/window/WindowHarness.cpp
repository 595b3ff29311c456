#include "WindowHarness.h"

#include <QLineEdit>
#include <QPushButton>

#include "AppPath.h"

void makeProject(const QString& folder, int movies, int texts, int images, int movieBytes) {
    const QString bin = folder + "/bin/";
    writeFile(bin + "pictavo.html", "<html>" + folder.toUtf8() + "</html>\n");
    for (int i = 1; i <= movies; ++i)
        writeFile(bin + QString("movie%1.swf").arg(i), QByteArray(movieBytes + i, char('a' + i)));
    for (int i = 1; i <= texts; ++i)
        writeFile(bin + QString("text%1.txt").arg(i), "caption " + QByteArray::number(i));
    for (int i = 1; i <= images; ++i)
        writeFile(bin + QString("images/photo %1.png").arg(i), QByteArray(1000 + i, char(i)));
    writeFile(folder + "/project.pvo", "not published");
}

void WindowHarness::addServerRows(bool connections) {
    QTest::addColumn<int>("server");
    QTest::addColumn<int>("connections");
    for (const auto& [name, kind] : {std::pair{"pyftpdlib", Py}, std::pair{"vsftpd", Vs}})
        for (const int n : connections ? QList{1, 4} : QList{1})
            QTest::addRow(connections ? "%s, %d connection(s)" : "%s", name, n) << int(kind) << n;
}

WindowHarness::WindowHarness(Server kind, const std::function<void(const QString&)>& serverFiles) {
    setConnectedState(&online);
    setWebLauncher(this);
    setAppPathForTesting(m_program.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    if (serverFiles)
        serverFiles(m_serverRoot.path());
    if (kind == Py) {
        server = std::make_unique<PyFtpServer>();
    } else if (kind != None) {
        auto vsftpd = std::make_unique<VsFtpServer>();
        QString why;
        if (kind == VsTls && makeSelfSignedCertificate(m_tls.path(), &why)) {
            vsftpd->tlsCertificate = m_tls.filePath("cert.pem");
            vsftpd->tlsKey = m_tls.filePath("key.pem");
        }
        server = std::move(vsftpd);
    }
    if (server && !server->start(m_serverRoot.path(), account.left(8).toLower(), password))
        qWarning("The FTP server did not start: %s", qPrintable(server->error()));
    writeInitialize("projectDir=" + m_projects.path() + "&x=1\r\n");
    writeSettings();
}

WindowHarness::~WindowHarness() {
    if ((script.unexpected || script.pending()) && !QTest::currentTestFailed())
        QTest::qFail("a box had no scripted answer, or an answer was left", __FILE__, __LINE__);
    window.reset();
    xFtp.reset();
    server.reset();
    setAppPathForTesting(QString());
    setConnectedState(nullptr);
    setWebLauncher(nullptr);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
}

void WindowHarness::writeInitialize(const QString& content) {
    writeFile(m_program.filePath("initialize.txt"), content.toUtf8());
}

void WindowHarness::writeSettings(const QString& extra, quint16 port) {
    port = port ? port : server ? server->port() : 21;
    const QString service = QString("[Service]\r\nDomain=localhost\r\nPort=%1\r\n").arg(port);
    writeFile(m_program.filePath("Ferrymate.ini"), (service + extra).toLatin1());
}

void WindowHarness::scriptSignIn(bool cancel, const QString& pass,
                                 const std::function<void()>& shown) {
    const QString name = account, word = pass.isEmpty() ? password : pass;
    script.answerForm([name, word, cancel, shown](QDialog& form) {
        if (shown)
            shown();
        form.findChild<QLineEdit*>("txtUserName")->setText(name);
        form.findChild<QLineEdit*>("txtPassword")->setText(word);
        form.findChild<QPushButton*>(cancel ? "cmdCancel" : "cmdConnect")->click();
    });
}

bool WindowHarness::open() {
    xFtp = std::make_unique<ftp::FtpComponent>();
    xFtp->setTimeout(10);
    window = std::make_unique<FerryMenu>(*xFtp);
    // Every log line and status as it comes; a test of the paced updates sets its own pace.
    window->setUpdatePace(std::chrono::milliseconds(0));
    QObject::connect(window.get(), &FerryMenu::unloaded, [this] { ++unloadedSignals; });
    QObject::connect(window.get(), &FerryMenu::statusChanged,
                     [this](const QString& text) { statuses << text; });
    QObject::connect(window->form().prgStatus, &QProgressBar::valueChanged,
                     [this](int value) { progress << value; });
    window->Form_Load();
    return xFtp->State() == ftp::kIdle;
}

QStringList WindowHarness::log() const {
    QStringList lines;
    for (const QListWidgetItem* line :
         window->form().lstConnectionInfo->findItems({}, Qt::MatchContains))
        lines << line->text();
    return lines;
}

QStringList WindowHarness::rowTexts(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(0);
    return texts;
}

QStringList WindowHarness::enabledCommands() const {
    QStringList names;
    for (const QWidget* w : window->findChildren<QWidget*>(QRegularExpression("^(cmd|cbo|opt)")))
        if (w->window() == window.get() && w->isEnabled())
            names << w->objectName();
    for (const QAction* a : window->findChildren<QAction*>(QRegularExpression("^mi")))
        if (a->isEnabled())
            names << a->objectName();
    names.sort();
    return names;
}

void WindowHarness::select(QTreeWidget* list, const QStringList& texts) {
    list->clearSelection();
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i)  // the first one ends as current
        if (texts.contains(list->topLevelItem(i)->text(0)))
            list->setCurrentItem(list->topLevelItem(i), 0, QItemSelectionModel::Select);
}

void WindowHarness::send(const QStringList& projects) {
    select(ui().lstLocalFileList, projects);
    ui().cmdSend->click();
}
