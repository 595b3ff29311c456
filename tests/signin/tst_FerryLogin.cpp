// The sign-in form, the program's prompt with the Internet connection check, and the web pages
// they open.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ConnectionRecord.h"
#include "FerryConnect.h"
#include "FerryLogin.h"
#include "NetworkInfoState.h"
#include "ScriptedDialogs.h"
#include "SigninSupport.h"

namespace {

const QByteArray kDomain = FERRYMATE_SERVICE_DOMAIN;
const QByteArray kSavedBob = "[ConnectionInfo]\r\nLastServerAddressUsed=bob." + kDomain +
                             "\r\nLastUsernameUsed=bob\r\nLastPasswordUsed=12387C3124243A\r\n";

QByteArray Settings(const QByteArray& address, const QByteArray& user, const QByteArray& stored) {
    return "[ConnectionInfo]\r\nLastServerAddressUsed=" + address + "\r\nLastUsernameUsed=" + user +
           "\r\nLastPasswordUsed=" + stored + "\r\n";
}

// Signs in with the record; the record's port and passive flag start as 99 and true.
bool Show(ConnectionRecord& r) {
    r.sPort = QStringLiteral("99");
    r.bPassive = true;
    FerryLogin login;
    return login.ShowForm(r.sAddress, r.sPort, r.sUserName, r.sPassword, r.bIsAnonymous,
                          r.bPassive);
}

void Type(QDialog& form, const QString& user, const QString& password) {
    form.show();
    child<QLineEdit>(form, "txtUserName")->setText(user);
    child<QLineEdit>(form, "txtPassword")->setText(password);
}

void press(QDialog& form, const char* button) {
    child<QPushButton>(form, button)->click();
}

// Each control's property: the form itself by its object name.
void compareTexts(QDialog& form, std::initializer_list<std::array<const char*, 3>> texts) {
    for (const auto& [name, property, text] : texts) {
        const QObject* control = form.objectName() == name ? &form : child<QWidget>(form, name);
        QCOMPARE(control->property(property).toString(), QString::fromUtf8(text));
    }
}

struct SignInCase {
    QByteArray before;
    QString user, password;
    int save;            // -1 leaves the box as loaded
    const char* action;  // a button, or "close"
    bool online;
    QString loaded;  // account name, password, box ticked
    QString record;
    QByteArray after;
};

struct CheckCase {
    quint32 flags;
    bool online, dialUp;
    const char* press;  // the prompt's button
    bool result;
    QString seen;  // empty: no prompt
};

}  // namespace

Q_DECLARE_METATYPE(SignInCase)
Q_DECLARE_METATYPE(CheckCase)

class FerryLoginTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCaptionsAndTips() {
        FerryLogin login;
        compareTexts(
            login,
            {{"frmFerryLogin", "windowTitle", "Pictavo Ferrymate - Login"},
             {"Frame1", "title", "Introduction"},
             {"Frame2", "title", "Login"},
             {"Label3", "text",
              "Welcome to the Pictavo Ferrymate. Use this tool to upload your Pictavos to "
              "Hostavia. "
              "and to view and delete other Pictavos previously uploaded to Hostavia."},
             {"Label4", "text",
              "Hostavia is a dedicated website for hosting Pictavos. It's available to you at "
              "affordable subscription rates."},
             {"Label5", "text",
              "For information about Hostavia pricing and features, please visit"},
             {"Label6", "text",
              "This Ferrymate only works with Hostavia. If you have an existing website, you must "
              "use a separate FTP program for uploading your Pictavos. For more information, view "
              "the tutorial \"Uploading Pictavos\" from the Pictavo Builder menu bar."},
             {"Label1", "text", "You must be a subscriber to Hostavia to proceed."},
             {"Label2", "text",
              "To begin, provide your login information. The Upload Menu will appear after login "
              "allowing you to upload one or more Pictavos or view and delete Pictavos that have "
              "already been uploaded."},
             {"lblUserName", "text", "&Account Name :"},
             {"lblPassword", "text", "&Password :"},
             {"lblLink", "text", FERRYMATE_PRODUCT_PAGE},
             {"chkSavePassword", "text", "&Save Password"},
             {"cmdConnect", "text", "&Login and Proceed to Ferrymate"},
             {"cmdCancel", "text", "C&ancel"},
             {"txtUserName", "toolTip", "Hostavia account username"},
             {"txtPassword", "toolTip", "Hostavia account password"},
             {"chkSavePassword", "toolTip", "Save your password"},
             {"cmdConnect", "toolTip", "Login to your account and go to Ferrymate"},
             {"cmdCancel", "toolTip", "Cancel login and close Ferrymate"}});
        QCOMPARE(login.form().lblUserName->buddy(), login.form().txtUserName);
        QCOMPARE(login.form().lblPassword->buddy(), login.form().txtPassword);
        QVERIFY(login.form().cmdConnect->isDefault());
        QCOMPARE(login.form().txtPassword->echoMode(), QLineEdit::Password);
        for (const char* name : {"txtUserName", "txtPassword", "Picture1"})
            QVERIFY2(!child<QWidget>(login, name)->accessibleName().isEmpty(), name);
        login.show();
        QVERIFY(login.form().lblLink->isVisible());
        QVERIFY(!login.form().cmdPictavo->isVisible());
    }

    void signIn_data() {
        QTest::addColumn<SignInCase>("c");
        auto row = [](const char* tag, const SignInCase& c) { QTest::newRow(tag) << c; };
        const QString bob = "bob." + kDomain;
        const QByteArray bobForgotten = Settings("bob." + kDomain, "bob", "");
        const QByteArray service = "[Service]\r\nDomain=demo.localhost\r\nPort=2121\r\n";
        // The writer drops the leading blank of the address; reading trims it anyway.
        row("account name with spaces, service in use",
            {service, " alice ", "pw", -1, "cmdConnect", true, "||0",
             " alice .demo.localhost|2121|alice|pw|0|0",
             service + Settings("alice .demo.localhost", "alice", "")});
        // Cancelled, the record holds what the settings held and is otherwise untouched.
        row("cancel keeps the saved password",
            {kSavedBob, "other", "typed", -1, "cmdCancel", true, "bob|s3cret|1",
             bob + "|99|bob|s3cret|1|1", kSavedBob});
        row("cancel after unticking", {kSavedBob, "other", "typed", 0, "cmdCancel", true,
                                       "bob|s3cret|1", bob + "|99|bob|s3cret|1|1", bobForgotten});
        row("close control counts as cancel", {QByteArray(), "frank", "pw", -1, "close", true,
                                               "||0", "|99|||1|1", Settings("", "", "")});
        row("connect unticked", {kSavedBob, "bob", "typed", 0, "cmdConnect", true, "bob|s3cret|1",
                                 bob + "|21|bob|typed|0|0", bobForgotten});
        row("spaces-only password passes as empty",
            {QByteArray(), "erin", "   ", 1, "cmdConnect", true, "||0",
             "erin." + kDomain + "|21|erin||0|0", Settings("erin." + kDomain, "erin", "00")});
        row("not connected still writes the settings",
            {QByteArray(), "hank", "pw", 1, "cmdConnect", false, "||0",
             "hank." + kDomain + "|21|hank|pw|0|0", Settings("hank." + kDomain, "hank", "043B38")});
    }

    void signIn() {
        QFETCH(SignInCase, c);
        ProgramFolder folder;
        if (!c.before.isNull())
            writeBytes(settingsPath(), c.before);
        ScriptedState state(c.online ? kConnectionLan : kConnectionProxy, c.online);
        ScriptedDialogs script;
        QString loaded;
        script.answerForm([&](QDialog& form) {
            auto* ticked = child<QCheckBox>(form, "chkSavePassword");
            loaded = child<QLineEdit>(form, "txtUserName")->text() + u'|' +
                     child<QLineEdit>(form, "txtPassword")->text() + u'|' +
                     QString::number(ticked->isChecked());
            Type(form, c.user, c.password);
            if (c.save >= 0)
                ticked->setChecked(c.save);
            if (qstrcmp(c.action, "close") == 0)
                QVERIFY(form.close());
            else
                press(form, c.action);
        });
        if (!c.online)
            script.answerForm([](QDialog& prompt) { press(prompt, "cmdOK"); });
        ConnectionRecord r;
        QCOMPARE(Show(r), c.online && qstrcmp(c.action, "cmdConnect") == 0);
        QCOMPARE(loaded, c.loaded);
        QCOMPARE(QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(r.sAddress, r.sPort, r.sUserName, r.sPassword)
                     .arg(r.bIsAnonymous)
                     .arg(r.bPassive),
                 c.record);
        QCOMPARE(script.pending(), 0);
        QCOMPARE(fileBytes(settingsPath()), c.after);
    }

    // A missing account name or password is noticed and the form stays, whether the user pressed
    // the button or a key for it (either Enter key); filled in, the same key signs in.
    void missingFieldNotice() {
        ProgramFolder folder;
        ScriptedState state(kConnectionLan, true);
        ScriptedDialogs script;
        bool stayed = false;
        script.answerForm([&](QDialog& form) {
            auto* password = child<QLineEdit>(form, "txtPassword");
            Type(form, QString(), "pw");
            QTest::keyClick(password, Qt::Key_Return);
            Type(form, "dave", QString());
            press(form, "cmdConnect");
            stayed = form.isVisible();
            Type(form, "dave", "pw");
            QTest::keyClick(password, Qt::Key_Enter);
        });
        QStringList notices;
        for (int i = 0; i < 2; ++i)
            script.answerForm([&](QDialog& prompt) {
                notices << seen(prompt);
                press(prompt, "cmdOK");
            });
        ConnectionRecord r;
        QVERIFY(Show(r));
        QVERIFY(stayed);
        QCOMPARE(notices, QStringList(2,
                                      "Pictavo Ferrymate - Enter username & password\nPlease "
                                      "enter your user name and a password.\ncmdOK"));
        QCOMPARE(r.sUserName, QStringLiteral("dave"));
    }

    void promptKeysOnlyWhileOffered() {
        FerryConnect prompt;
        compareTexts(prompt, {{"cmdOK", "text", "&OK"},
                              {"cmdConnect", "text", "&Connect"},
                              {"cmdCancel", "text", "C&ancel"}});
        QVERIFY(prompt.form().cmdOK->isDefault());
        // Messages break their lines with a lone CR.
        prompt.form().Label1->setFixedWidth(400);
        prompt.form().Label1->setText(QStringLiteral("one line"));
        const int single = prompt.form().Label1->sizeHint().height();
        prompt.form().Label1->setText(QStringLiteral("one\r\rline"));
        QVERIFY(prompt.form().Label1->sizeHint().height() >= 2 * single);

        prompt.showButtons(true, false, false);
        // The notice: Escape does nothing while Cancel is not offered; Enter presses OK.
        prompt.show();
        prompt.form().cmdOK->setFocus();
        QTest::keyClick(&prompt, Qt::Key_Escape);
        QVERIFY(prompt.isVisible());
        QTest::keyClick(&prompt, Qt::Key_Return);
        QVERIFY(prompt.isHidden());
        // The offer: Escape presses Cancel.
        prompt.showButtons(false, true, true);
        prompt.show();
        prompt.m_bCancelled = false;
        QTest::keyClick(&prompt, Qt::Key_Escape);
        QVERIFY(prompt.isHidden() && prompt.m_bCancelled);
    }

    void connectionCheck_data() {
        QTest::addColumn<CheckCase>("c");
        auto row = [](const char* tag, const CheckCase& c) { QTest::newRow(tag) << c; };
        const quint32 modem = kConnectionModem, lan = kConnectionLan, proxy = kConnectionProxy;
        const QString title = QStringLiteral("Pictavo Ferrymate -Internet Connection\n");
        const QString notice = title +
                               "You are not connected to the Internet and Pictavo Ferrymate cannot "
                               "establish a connection.\r\rPlease contact your System "
                               "Administrator.\ncmdOK";
        const QString offer =
            title +
            "You are not connected to the  Internet. However, you do have a dial-up "
            "connection configured on this computer.Would you like to use this "
            "dial-up connection to connect?\ncmdConnect cmdCancel";
        row("online", {0u, true, false, "", true, QString()});
        row("query fails, LAN", {lan, false, false, "", true, QString()});
        row("query fails, modem and proxy", {modem | proxy, false, false, "", true, QString()});
        row("query fails, proxy only", {proxy, false, true, "cmdOK", false, notice});
        row("modem only, no dial-up", {modem, false, false, "cmdOK", false, notice});
        row("dial-up configured but no modem", {0u, false, true, "cmdOK", false, notice});
        row("dial-up offer, Connect", {modem, false, true, "cmdConnect", true, offer});
        row("dial-up offer, Cancel", {modem, false, true, "cmdCancel", false, offer});
    }

    void connectionCheck() {
        QFETCH(CheckCase, c);
        ScriptedState state(c.flags, c.online, c.dialUp);
        ScriptedDialogs script;
        QString seen;
        script.answerForm([&](QDialog& prompt) {
            prompt.show();
            seen = ::seen(prompt);
            child<QPushButton>(prompt, c.press)->click();
        });
        // A Connect answered before does not carry over.
        ferryConnect().m_bCancelled = false;
        QWidget signIn;
        signIn.show();
        QCOMPARE(checkInternetConnection(&signIn), c.result);
        QCOMPARE(seen, c.seen);
        QCOMPARE(state.dialled, c.result && !c.seen.isEmpty() ? 1 : 0);
        QCOMPARE(signIn.isVisible(), c.seen.isEmpty());
    }

    void flagsFromNetworkInformation() {
        using R = QNetworkInformation::Reachability;
        using M = QNetworkInformation::TransportMedium;
        const std::tuple<R, M, bool, quint32> cases[] = {
            {R::Online, M::Ethernet, true, kConnectionLan},
            {R::Online, M::WiFi, true, kConnectionLan},
            {R::Site, M::Cellular, false, kConnectionModem},
            {R::Local, M::Bluetooth, false, 0},
            {R::Unknown, M::Unknown, true, 0}};
        for (const auto& [reachability, medium, success, flags] : cases) {
            quint32 out = 0xFF;
            QCOMPARE(connectedStateFrom(reachability, medium, out), success);
            QCOMPARE(out, flags);
        }
    }

    // The link opens the product page; a browser that does not start is explained.
    void linkOpensTheProductPage_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");  // empty: no message
        QTest::newRow("launched") << 42 << QString();
        QTest::newRow("2, file not found")
            << 2
            << "Problem running your web browser. Please check to ensure that your browser is "
               "correctly installed.\rError 2)";
        QTest::newRow("31, no association")
            << 31
            << "Pictavo's Ferrymate could not find a file association for " FERRYMATE_PRODUCT_PAGE
               " on your system.Please check to ensure that your browser is correctly installed "
               "and associated with this type of file.";
    }
    void linkOpensTheProductPage() {
        QFETCH(int, result);
        QFETCH(QString, text);
        RecordingLauncher launcher(result);
        ScriptedDialogs script;
        FerryLogin login;
        login.show();
        QTest::mouseClick(login.form().lblLink, Qt::LeftButton);
        QCOMPARE(launcher.opened, QStringList{QStringLiteral(FERRYMATE_PRODUCT_PAGE)});
        QCOMPARE(script.messageTexts(), text.isEmpty() ? QStringList() : QStringList{text});
        if (!text.isEmpty())
            QCOMPARE(script.shown[0].title, QStringLiteral("Browser Unavailable"));
    }
};

int main(int argc, char** argv) {
    // A web page opened by mistake must never reach a real browser from here.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FerryLoginTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_FerryLogin.moc"
