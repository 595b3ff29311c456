#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "DesktopWebLauncher.h"
#include "FerryConnect.h"
#include "ScriptedDialogs.h"
#include "SigninSupport.h"
#include "WebPage.h"

namespace {

bool Offered(QPushButton* button) {
    return !button->isHidden() && button->isEnabled();
}

// Runs the desktop launcher with PATH holding only a stand-in xdg-mime that prints the given
// handler (none at all when handler is null) and records its arguments.
struct FakeDesktop {
    explicit FakeDesktop(const char* handler) {
        if (handler) {
            QFile script(dir.filePath("xdg-mime"));
            if (!script.open(QIODevice::WriteOnly))
                qFatal("cannot write the stand-in xdg-mime");
            script.write("#!/bin/sh\necho \"$@\" > '" + dir.filePath("args").toLocal8Bit() +
                         "'\necho " + QByteArray(handler) + "\n");
            script.setPermissions(script.permissions() | QFile::ExeOwner);
        }
        qputenv("PATH", dir.path().toLocal8Bit());
        qunsetenv("BROWSER");
    }
    ~FakeDesktop() {
        qputenv("PATH", path);
        if (browser.isNull())
            qunsetenv("BROWSER");
        else
            qputenv("BROWSER", browser);
    }
    // What the stand-in was asked, empty when it did not run.
    QByteArray args() const {
        return QFile::exists(dir.filePath("args")) ? FileBytes(dir.filePath("args")).trimmed()
                                                   : QByteArray();
    }

    QTemporaryDir dir;
    QByteArray path = qgetenv("PATH");
    QByteArray browser = qgetenv("BROWSER");
};

}  // namespace

class PromptAndWebTest : public QObject {
    Q_OBJECT
private slots:
    void promptAsDesigned();
    void promptAnswers_data();
    void promptAnswers();
    void everyCallerResetsTheButtons();
    void defaultAndCancelKeysOnlyWhileOffered();
    void carriageReturnsBreakTheMessage();
    void openWebPageResults_data();
    void openWebPageResults();
    void desktopLauncherWithoutBrowser();
    void desktopLauncherWithBrowserRegistered();
};

void PromptAndWebTest::promptAsDesigned() {
    FerryConnect& prompt = ferryConnect();
    QCOMPARE(&ferryConnect(), &prompt);
    FerryConnect fresh;
    QCOMPARE(fresh.objectName(), QStringLiteral("frmFerryConnect"));
    QCOMPARE(fresh.windowTitle(), QStringLiteral("Ferrymate - Internet Connection"));
    QCOMPARE(fresh.cmdOK->text(), QStringLiteral("&OK"));
    QCOMPARE(fresh.cmdConnect->text(), QStringLiteral("&Connect"));
    QCOMPARE(fresh.cmdCancel->text(), QStringLiteral("C&ancel"));
    QVERIFY(fresh.cmdOK->isDefault());
    QVERIFY(!fresh.Picture1->pixmap().isNull());
    QVERIFY(!fresh.Picture1->accessibleName().isEmpty());
}

void PromptAndWebTest::promptAnswers_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Connect") << "cmdConnect" << true;
    QTest::newRow("OK") << "cmdOK" << false;
    QTest::newRow("Cancel") << "cmdCancel" << false;
    QTest::newRow("close control") << "" << false;
}

void PromptAndWebTest::promptAnswers() {
    QFETCH(QString, button);
    QFETCH(bool, answer);
    FerryConnect& prompt = ferryConnect();
    prompt.ShowButtons(true, true, true);
    ScriptedDialogs script;
    // A Connect answered earlier does not carry over.
    script.answerForm([](QDialog& form) { Child<QPushButton>(form, "cmdConnect")->click(); });
    script.answerForm([&](QDialog& form) {
        form.show();
        if (button.isEmpty())
            form.close();
        else
            form.findChild<QPushButton*>(button)->click();
    });
    QVERIFY(prompt.ShowForm());
    QCOMPARE(prompt.ShowForm(), answer);
    QVERIFY(prompt.isHidden());
    QCOMPARE(script.unexpected, 0);
}

void PromptAndWebTest::everyCallerResetsTheButtons() {
    FerryConnect& prompt = ferryConnect();
    prompt.ShowButtons(false, true, true);
    prompt.ShowButtons(true, false, false);
    QVERIFY(Offered(prompt.cmdOK));
    QVERIFY(!Offered(prompt.cmdConnect) && !prompt.cmdConnect->isEnabled());
    QVERIFY(!Offered(prompt.cmdCancel) && !prompt.cmdCancel->isEnabled());
    prompt.ShowButtons(false, true, true);
    QVERIFY(prompt.cmdOK->isHidden() && !prompt.cmdOK->isEnabled());
    QVERIFY(Offered(prompt.cmdConnect) && Offered(prompt.cmdCancel));
}

void PromptAndWebTest::defaultAndCancelKeysOnlyWhileOffered() {
    FerryConnect prompt;
    QSignalSpy ok(prompt.cmdOK, &QPushButton::clicked);
    QSignalSpy cancel(prompt.cmdCancel, &QPushButton::clicked);

    // The notice: Enter presses OK; Escape does nothing while Cancel is not offered.
    prompt.ShowButtons(true, false, false);
    prompt.show();
    prompt.cmdOK->setFocus();
    QTest::keyClick(&prompt, Qt::Key_Escape);
    QVERIFY(prompt.isVisible());
    QCOMPARE(cancel.size(), 0);
    QTest::keyClick(&prompt, Qt::Key_Return);
    QCOMPARE(ok.size(), 1);
    QVERIFY(prompt.isHidden());

    // The offer: Escape presses Cancel.
    prompt.ShowButtons(false, true, true);
    prompt.show();
    QTest::keyClick(&prompt, Qt::Key_Escape);
    QCOMPARE(cancel.size(), 1);
    QVERIFY(prompt.isHidden());
    QVERIFY(prompt.m_bCancelled);
}

void PromptAndWebTest::carriageReturnsBreakTheMessage() {
    FerryConnect prompt;
    prompt.Label1->setFixedWidth(400);
    prompt.Label1->setText(QStringLiteral("one line"));
    const int single = prompt.Label1->sizeHint().height();
    prompt.Label1->setText(QStringLiteral("one\r\rline"));
    QCOMPARE(prompt.Label1->text(), QStringLiteral("one\r\rline"));
    QVERIFY(prompt.Label1->sizeHint().height() >= 2 * single);
}

void PromptAndWebTest::openWebPageResults_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    const QString problem = QStringLiteral(
        "Problem running your web browser. Please check to ensure that your browser is correctly "
        "installed.\rError ");
    QTest::newRow("2, file not found") << 2 << problem + "2)";
    QTest::newRow("0, out of memory") << 0 << problem + "0)";
    QTest::newRow("31, no association")
        << 31
        << QStringLiteral(
               "Pictavo's Ferrymate could not find a file association for "
               "http://demo.example/My Folio 2/pictavo.html on your system.Please "
               "check to ensure that your browser is correctly installed and "
               "associated with this type of file.");
    QTest::newRow("32") << 32 << QString();
    QTest::newRow("42") << 42 << QString();
}

void PromptAndWebTest::openWebPageResults() {
    QFETCH(int, result);
    QFETCH(QString, text);
    const QString address = QStringLiteral("http://demo.example/My Folio 2/pictavo.html");
    RecordingLauncher launcher(result);
    ScriptedDialogs script;
    OpenWebPage(address);
    QCOMPARE(launcher.opened, QStringList{address});
    if (text.isEmpty()) {
        QCOMPARE(script.shown.size(), 0);
        return;
    }
    QCOMPARE(script.shown.size(), 1);
    QCOMPARE(script.shown[0].title, QStringLiteral("Browser Unavailable"));
    QCOMPARE(script.shown[0].text, text);
    QCOMPARE(script.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(script.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void PromptAndWebTest::desktopLauncherWithoutBrowser() {
    DesktopWebLauncher launcher;
    {
        FakeDesktop desktop("");
        QCOMPARE(launcher.open(QStringLiteral("https://demo.example/a")), 31);
        QCOMPARE(desktop.args(), QByteArray("query default x-scheme-handler/https"));
    }
    {
        FakeDesktop desktop(nullptr);
        QCOMPARE(launcher.open(QStringLiteral("http://demo.example/a")), 31);
    }
    QCOMPARE(launcher.open(QString()), 2);
}

void PromptAndWebTest::desktopLauncherWithBrowserRegistered() {
    // Offscreen has no desktop services, so a registered browser still fails to launch: 2.
    DesktopWebLauncher launcher;
    {
        FakeDesktop desktop("firefox.desktop");
        QCOMPARE(launcher.open(QStringLiteral("http://demo.example/a")), 2);
        QCOMPARE(desktop.args(), QByteArray("query default x-scheme-handler/http"));
    }
    {
        FakeDesktop desktop("");
        qputenv("BROWSER", "true");
        QCOMPARE(launcher.open(QStringLiteral("http://demo.example/a")), 2);
        QCOMPARE(desktop.args(), QByteArray());
    }
}

int main(int argc, char** argv) {
    // The desktop launcher must never reach a real browser from here.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PromptAndWebTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_PromptAndWeb.moc"
