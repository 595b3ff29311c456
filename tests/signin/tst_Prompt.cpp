#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "DesktopWebLauncher.h"
#include "FerryConnect.h"
#include "NetworkInfoState.h"
#include "ScriptedDialogs.h"
#include "SigninSupport.h"

namespace {

const QString kNotice = QStringLiteral(
    "You are not connected to the Internet and Pictavo Ferrymate cannot establish a "
    "connection.\r\rPlease contact your System Administrator.");
const QString kOffer = QStringLiteral(
    "You are not connected to the  Internet. However, you do have a dial-up connection "
    "configured on this computer.Would you like to use this dial-up connection to connect?");

struct CheckCase {
    quint32 flags;
    bool online, dialUp;
    const char* press;  // the prompt's button; empty: its close control
    bool result;
    QString seen;  // empty: no prompt
};

struct DesktopCase {
    QByteArray handler;  // null: no xdg-mime
    QByteArray browserVariable;
    QString address;
    int result;
    QByteArray asked;  // what xdg-mime was asked
};

// PATH holds only a stand-in xdg-mime that prints the handler and records what it was asked.
struct FakeDesktop {
    explicit FakeDesktop(const DesktopCase& c) {
        const QString script = dir.filePath("xdg-mime");
        if (!c.handler.isNull()) {
            writeBytes(script, "#!/bin/sh\necho \"$@\" > '" + asked.toLocal8Bit() + "'\necho " +
                                   c.handler + "\n");
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", dir.path().toLocal8Bit());
        qputenv("BROWSER", c.browserVariable);
    }
    ~FakeDesktop() {
        qputenv("PATH", path);
        qputenv("BROWSER", browser);
    }

    QTemporaryDir dir;
    QString asked = dir.filePath("asked");
    QByteArray path = qgetenv("PATH");
    QByteArray browser = qgetenv("BROWSER");
};

}  // namespace

Q_DECLARE_METATYPE(CheckCase)
Q_DECLARE_METATYPE(DesktopCase)

class PromptTest : public QObject {
    Q_OBJECT
private slots:
    void promptAsDesigned();
    void keysOnlyWhileOffered();
    void connectionCheck_data();
    void connectionCheck();
    void connectCaptionGivenByAnotherCallerStays();
    void flagsFromNetworkInformation();
    void openWebPageResults_data();
    void openWebPageResults();
    void desktopLauncher_data();
    void desktopLauncher();
};

void PromptTest::promptAsDesigned() {
    FerryConnect prompt;
    QCOMPARE(prompt.objectName(), QStringLiteral("frmFerryConnect"));
    QCOMPARE(prompt.windowTitle(), QStringLiteral("Ferrymate - Internet Connection"));
    QCOMPARE(prompt.form().cmdOK->text(), QStringLiteral("&OK"));
    QCOMPARE(prompt.form().cmdConnect->text(), QStringLiteral("&Connect"));
    QCOMPARE(prompt.form().cmdCancel->text(), QStringLiteral("C&ancel"));
    QVERIFY(prompt.form().cmdOK->isDefault());
    QVERIFY(!prompt.form().Picture1->pixmap().isNull());
    QVERIFY(!prompt.form().Picture1->accessibleName().isEmpty());
    // Messages break their lines with a lone CR.
    prompt.form().Label1->setFixedWidth(400);
    prompt.form().Label1->setText(QStringLiteral("one line"));
    const int single = prompt.form().Label1->sizeHint().height();
    prompt.form().Label1->setText(QStringLiteral("one\r\rline"));
    QVERIFY(prompt.form().Label1->sizeHint().height() >= 2 * single);
}

void PromptTest::keysOnlyWhileOffered() {
    FerryConnect prompt;
    QSignalSpy ok(prompt.form().cmdOK, &QPushButton::clicked);
    QSignalSpy cancel(prompt.form().cmdCancel, &QPushButton::clicked);
    prompt.showButtons(false, true, true);
    prompt.showButtons(true, false, false);
    QCOMPARE(buttons(prompt), QStringLiteral("cmdOK"));
    // The notice: Escape does nothing while Cancel is not offered; Enter presses OK.
    prompt.show();
    prompt.form().cmdOK->setFocus();
    QTest::keyClick(&prompt, Qt::Key_Escape);
    QVERIFY(prompt.isVisible());
    QTest::keyClick(&prompt, Qt::Key_Return);
    QCOMPARE(ok.size(), 1);
    QVERIFY(prompt.isHidden());
    // The offer: Escape presses Cancel.
    prompt.showButtons(false, true, true);
    QCOMPARE(buttons(prompt), QStringLiteral("cmdConnect cmdCancel"));
    prompt.show();
    QTest::keyClick(&prompt, Qt::Key_Escape);
    QCOMPARE(cancel.size(), 1);
    QVERIFY(prompt.isHidden() && prompt.m_bCancelled);
}

void PromptTest::connectionCheck_data() {
    QTest::addColumn<CheckCase>("c");
    const quint32 modem = kConnectionModem, lan = kConnectionLan, proxy = kConnectionProxy;
    const QString title = QStringLiteral("Pictavo Ferrymate -Internet Connection\n");
    const QString notice = title + kNotice + "\ncmdOK";
    const QString offer = title + kOffer + "\ncmdConnect cmdCancel";
    addCase<CheckCase>("online", 0u, true, false, "", true, QString());
    addCase<CheckCase>("query fails, LAN", lan, false, false, "", true, QString());
    addCase<CheckCase>("query fails, modem and proxy", modem | proxy, false, false, "", true,
                       QString());
    addCase<CheckCase>("query fails, no bits", 0u, false, false, "cmdOK", false, notice);
    addCase<CheckCase>("query fails, proxy only", proxy, false, true, "cmdOK", false, notice);
    addCase<CheckCase>("modem only, no dial-up", modem, false, false, "cmdOK", false, notice);
    addCase<CheckCase>("dial-up configured but no modem", 0u, false, true, "cmdOK", false, notice);
    addCase<CheckCase>("dial-up offer, Connect", modem, false, true, "cmdConnect", true, offer);
    addCase<CheckCase>("dial-up offer, Cancel", modem, false, true, "cmdCancel", false, offer);
    addCase<CheckCase>("dial-up offer, close control", modem, false, true, "", false, offer);
}

void PromptTest::connectionCheck() {
    QFETCH(CheckCase, c);
    ScriptedState state(c.flags, c.online, c.dialUp);
    ScriptedDialogs script;
    QString seen;
    script.answerForm([&](QDialog& prompt) {
        prompt.show();
        seen = ::seen(prompt);
        if (*c.press)
            child<QPushButton>(prompt, c.press)->click();
        else
            prompt.close();
    });
    // A Connect answered before does not carry over.
    ferryConnect().m_bCancelled = false;
    QWidget signIn;
    signIn.show();
    QCOMPARE(checkInternetConnection(&signIn), c.result);
    QCOMPARE(seen, c.seen);
    QCOMPARE(script.shown.size(), c.seen.isEmpty() ? 0 : 1);
    QCOMPARE(state.dialled, c.result && !c.seen.isEmpty() ? 1 : 0);
    QCOMPARE(signIn.isVisible(), c.seen.isEmpty());
}

void PromptTest::connectCaptionGivenByAnotherCallerStays() {
    // The transfer window's failed-connection prompt renames cmdConnect for the run.
    ferryConnect().form().cmdConnect->setText(QStringLiteral("OK"));
    ScriptedState state(kConnectionModem, false, true);
    ScriptedDialogs script;
    QString caption;
    script.answerForm([&](QDialog& prompt) {
        caption = child<QPushButton>(prompt, "cmdConnect")->text();
        child<QPushButton>(prompt, "cmdCancel")->click();
    });
    QVERIFY(!checkInternetConnection(nullptr));
    QCOMPARE(caption, QStringLiteral("OK"));
    ferryConnect().form().cmdConnect->setText(QStringLiteral("&Connect"));
}

void PromptTest::flagsFromNetworkInformation() {
    using R = QNetworkInformation::Reachability;
    using M = QNetworkInformation::TransportMedium;
    const std::tuple<R, M, bool, quint32> cases[] = {
        {R::Online, M::Ethernet, true, kConnectionLan},
        {R::Online, M::WiFi, true, kConnectionLan},
        {R::Site, M::Cellular, false, kConnectionModem},
        {R::Disconnected, M::Unknown, false, 0},
        {R::Local, M::Bluetooth, false, 0},
        {R::Unknown, M::Unknown, true, 0}};
    for (const auto& [reachability, medium, success, flags] : cases) {
        quint32 out = 0xFF;
        QCOMPARE(connectedStateFrom(reachability, medium, out), success);
        QCOMPARE(out, flags);
    }
}

void PromptTest::openWebPageResults_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");  // empty: no message
    QTest::newRow("2, file not found")
        << 2
        << "Problem running your web browser. Please check to ensure that your browser is "
           "correctly installed.\rError 2)";
    QTest::newRow("31, no association")
        << 31
        << "Pictavo's Ferrymate could not find a file association for http://demo.example/My "
           "Folio 2/pictavo.html on your system.Please check to ensure that your browser is "
           "correctly installed and associated with this type of file.";
    QTest::newRow("32, launched") << 32 << QString();
}

void PromptTest::openWebPageResults() {
    QFETCH(int, result);
    QFETCH(QString, text);
    const QString address = QStringLiteral("http://demo.example/My Folio 2/pictavo.html");
    RecordingLauncher launcher(result);
    ScriptedDialogs script;
    OpenWebPage(address);
    QCOMPARE(launcher.opened, QStringList{address});
    QCOMPARE(script.shown.size(), text.isEmpty() ? 0 : 1);
    if (text.isEmpty())
        return;
    QCOMPARE(script.shown[0].title, QStringLiteral("Browser Unavailable"));
    QCOMPARE(script.shown[0].text, text);
    QCOMPARE(script.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(script.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void PromptTest::desktopLauncher_data() {
    QTest::addColumn<DesktopCase>("c");
    const QString http = QStringLiteral("http://demo.example/a");
    // Offscreen has no desktop services, so even a registered browser fails to launch: 2.
    addCase<DesktopCase>("no browser for https", "", "", "https://demo.example/a", 31,
                         "query default x-scheme-handler/https");
    addCase<DesktopCase>("no xdg-mime", QByteArray(), "", http, 31, "<missing>");
    addCase<DesktopCase>("browser registered", "firefox.desktop", "", http, 2,
                         "query default x-scheme-handler/http");
    addCase<DesktopCase>("BROWSER variable set", "", "true", http, 2, "<missing>");
    addCase<DesktopCase>("no address", "firefox.desktop", "", "", 2, "<missing>");
}

void PromptTest::desktopLauncher() {
    QFETCH(DesktopCase, c);
    FakeDesktop desktop(c);
    QCOMPARE(DesktopWebLauncher().open(c.address), c.result);
    QCOMPARE(fileBytes(desktop.asked).trimmed(), c.asked);
}

int main(int argc, char** argv) {
    // The desktop launcher must never reach a real browser from here.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PromptTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_Prompt.moc"
