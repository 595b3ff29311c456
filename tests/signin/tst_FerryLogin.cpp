// The sign-in form, the program's prompt with the Internet connection check, and the web pages
// they open.
#include <QApplication>
#include <QCheckBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "FerryConnect.h"
#include "FerryLogin.h"
#include "NetConnect.h"
#include "NetworkInfoState.h"
#include "ScriptedDialogs.h"
#include "SigninSupport.h"
#include "WebPage.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kDomain = FERRYMATE_SERVICE_DOMAIN;

// Connected-state services answering from fields.
struct ScriptedState final : ConnectedState {
    quint32 flags;
    bool online, dialUp;
    int dialled = 0;
    ScriptedState(quint32 flags, bool online, bool dialUp = false)
        : flags(flags), online(online), dialUp(dialUp) {
        setConnectedState(this);
    }
    ~ScriptedState() override { setConnectedState(nullptr); }
    bool query(quint32& out) override {
        out = flags;
        return online;
    }
    bool dialUpConfigured(quint32) override { return dialUp; }
    void autodial() override { ++dialled; }
};

// A launcher that records the addresses and answers with a given result.
struct RecordingLauncher final : WebLauncher {
    int result = 0;
    QStringList opened;
    RecordingLauncher() { setWebLauncher(this); }
    ~RecordingLauncher() override { setWebLauncher(nullptr); }
    int open(const QString& url) override {
        opened << url;
        return result;
    }
};

template <class T = QWidget>
T* child(QDialog& form, const char* name) {
    T* child = form.findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no control %s in %s", name, qPrintable(form.objectName()));
    return child;
}

QByteArray Settings(const QByteArray& address, const QByteArray& user, const QByteArray& stored) {
    return "[ConnectionInfo]\r\nLastServerAddressUsed=" + address + "\r\nLastUsernameUsed=" + user +
           "\r\nLastPasswordUsed=" + stored + "\r\n";
}

// What a form says, control by control: "name property: text".
QStringList texts(QWidget& form) {
    QStringList texts;
    for (const QWidget* control : form.findChildren<QWidget*>() + QList<QWidget*>{&form})
        for (const char* property : {"windowTitle", "title", "text", "toolTip", "accessibleName"})
            if (const QString text = control->property(property).toString(); !text.isEmpty())
                texts << control->objectName() + u' ' + property + QStringLiteral(": ") + text;
    texts.sort();
    return texts;
}

// Takes the steps in turn: on the sign-in form, fills in the account name, the password and the
// save box (ticked, unticked or left as loaded); then presses the button, or the key on the
// password or the prompt. Each step but the last leaves the form open.
void run(QDialog& form, const QString& steps) {
    const QStringList list = steps.split(u',');
    for (const QString& step : list) {
        QStringList fields = step.split(u'|');
        const QString action = fields.takeLast();
        QWidget* keys = &form;
        if (!fields.isEmpty()) {
            child<QLineEdit>(form, "txtUserName")->setText(fields[0]);
            keys = child<QLineEdit>(form, "txtPassword");
            static_cast<QLineEdit*>(keys)->setText(fields[1]);
            if (!fields[2].isEmpty())
                child<QCheckBox>(form, "chkSavePassword")->setChecked(fields[2] == u"1");
        }
        if (action == u"close")
            QVERIFY(form.close());
        else if (action.startsWith(u"cmd"))
            child<QPushButton>(form, qPrintable(action))->click();
        else
            QTest::keyClick(keys, QKeySequence(action)[0].key());
        QCOMPARE(form.isVisible(), &step != &list.last());
    }
}

const QString kHank = "hank." + kDomain;

// A sign-in: the settings before it and what the user typed (run() steps); then what was
// signed in to and what the form loaded (account name, password, box ticked), the record handed
// on and the settings after; the Internet connection and how its prompts are answered, and the
// prompts seen.
struct SignInCase {
    QByteArray before;
    QString typed = "hank|pw|1|cmdConnect";
    bool result = true;
    QString loaded = "||0";
    QString record = kHank + "|21|hank|pw|0|0";
    QByteArray after = Settings(kHank.toLatin1(), "hank", "043B38");
    quint32 flags = 0;
    bool online = true, dialUp = false;
    QString press = {};
    QStringList seen = {};
};

}  // namespace

Q_DECLARE_METATYPE(SignInCase)

class FerryLoginTest : public QObject {
    Q_OBJECT
private slots:
    // The form's texts; the link opens the product page, and a browser that does not start is
    // explained.
    void textsAndLink() {
        FerryLogin login;
        const QStringList expected = {
            "Frame1 title: Introduction",
            "Frame2 title: Login",
            "Label1 text: You must be a subscriber to Hostavia to proceed.",
            "Label2 text: To begin, provide your login information. The Upload Menu will appear "
            "after login allowing you to upload one or more Pictavos or view and delete Pictavos "
            "that have already been uploaded.",
            "Label3 text: Welcome to the Pictavo Ferrymate. Use this tool to upload your Pictavos "
            "to Hostavia. and to view and delete other Pictavos previously uploaded to Hostavia.",
            "Label4 text: Hostavia is a dedicated website for hosting Pictavos. It's available to "
            "you at affordable subscription rates.",
            "Label5 text: For information about Hostavia pricing and features, please visit",
            "Label6 text: This Ferrymate only works with Hostavia. If you have an existing "
            "website, you must use a separate FTP program for uploading your Pictavos. For more "
            "information, view the tutorial \"Uploading Pictavos\" from the Pictavo Builder menu "
            "bar.",
            "Picture1 accessibleName: Pictavo Ferrymate",
            "chkSavePassword text: &Save Password",
            "chkSavePassword toolTip: Save your password",
            "cmdCancel text: C&ancel",
            "cmdCancel toolTip: Cancel login and close Ferrymate",
            "cmdConnect text: &Login and Proceed to Ferrymate",
            "cmdConnect toolTip: Login to your account and go to Ferrymate",
            "frmFerryLogin windowTitle: Pictavo Ferrymate - Login",
            "lblLink text: " FERRYMATE_PRODUCT_PAGE,
            "lblPassword text: &Password :",
            "lblUserName text: &Account Name :",
            "txtPassword accessibleName: Password",
            "txtPassword toolTip: Hostavia account password",
            "txtUserName accessibleName: Account Name",
            "txtUserName toolTip: Hostavia account username"};
        QCOMPARE(texts(login), expected);
        QCOMPARE(texts(ferryConnect()).filter(u"cmd"_s),
                 QStringList(
                     {"cmdCancel text: C&ancel", "cmdConnect text: &Connect", "cmdOK text: &OK"}));
        QCOMPARE(login.form().lblUserName->buddy(), login.form().txtUserName);
        QCOMPARE(login.form().lblPassword->buddy(), login.form().txtPassword);
        QCOMPARE(login.form().txtPassword->echoMode(), QLineEdit::Password);
        // The prompt's messages break their lines with a lone CR.
        QLabel* message = ferryConnect().form().Label1;
        message->setText(QStringLiteral("one line"));
        const int single = message->sizeHint().height();
        message->setText(QStringLiteral("one\r\rline"));
        QVERIFY(message->sizeHint().height() >= 2 * single);

        RecordingLauncher launcher;
        ScriptedDialogs script;
        login.show();
        QVERIFY(login.form().lblLink->isVisible() && !login.form().cmdPictavo->isVisible());
        for (int result : {42, 2, 31}) {
            launcher.result = result;
            QTest::mouseClick(login.form().lblLink, Qt::LeftButton);
        }
        QCOMPARE(launcher.opened, QStringList(3, QStringLiteral(FERRYMATE_PRODUCT_PAGE)));
        QCOMPARE(script.messageTexts(),
                 QStringList({"Problem running your web browser. Please check to ensure that "
                              "your browser is correctly installed.\rError 2)",
                              "Pictavo's Ferrymate could not find a file association for " +
                                  QStringLiteral(FERRYMATE_PRODUCT_PAGE) +
                                  " on your system.Please check to ensure that your browser is "
                                  "correctly installed and associated with this type of file."}));
        QCOMPARE(script.shown[1].title, QStringLiteral("Browser Unavailable"));
    }

    void signIn_data() {
        QTest::addColumn<SignInCase>("c");
        auto row = [](const char* tag, const SignInCase& c) { QTest::newRow(tag) << c; };
        const QString bob = "bob." + kDomain;
        const QByteArray savedBob = Settings(bob.toLatin1(), "bob", "12387C3124243A");
        const QByteArray service = "[Service]\r\nDomain=demo.localhost\r\nPort=2121\r\n";
        // Blanks around the account name are kept in the address (the writer drops the leading
        // one; reading trims it anyway), a password of spaces passes and is saved as empty.
        row("blanks, service in use", {service, " alice |   |1|cmdConnect", true, "||0",
                                       " alice .demo.localhost|2121|alice||0|0",
                                       service + Settings("alice .demo.localhost", "alice", "00")});
        // Cancelled, the record holds what the settings held and is otherwise untouched.
        const QString kept = bob + "|99|bob|s3cret|1|1";
        row("cancel keeps the saved password",
            {savedBob, "other|typed||cmdCancel", false, "bob|s3cret|1", kept, savedBob});
        row("Escape after unticking", {savedBob, "other|typed|0|Esc", false, "bob|s3cret|1", kept,
                                       Settings(bob.toLatin1(), "bob", "")});
        row("close control counts as cancel",
            {{}, "frank|pw||close", false, "||0", "|99|||1|1", Settings("", "", "")});
        // A missing account name or password is noticed and the form stays, whether the user
        // pressed the button or a key for it (either Enter key); filled in, the same key signs
        // in. On the notice, Escape does nothing as Cancel is not offered; Enter presses OK.
        const QString missing =
            "Pictavo Ferrymate - Enter username & password\nPlease enter your "
            "user name and a password.";
        row("missing account name or password",
            {.typed = "|pw||Return,hank|||cmdConnect,hank|pw|1|Enter",
             .press = "Esc,Return",
             .seen = {missing, missing}});
        // Offline: a notice, or an offer to dial up when a modem connection is configured.
        const QString title = QStringLiteral("Pictavo Ferrymate -Internet Connection\n");
        const QString notice = title +
                               "You are not connected to the Internet and Pictavo Ferrymate cannot "
                               "establish a connection.\r\rPlease contact your System "
                               "Administrator.";
        const QString offer = title +
                              "You are not connected to the  Internet. However, you do have a "
                              "dial-up connection configured on this computer.Would you like to "
                              "use this dial-up connection to connect?";
        auto offline = [&](const char* tag, quint32 flags, bool dialUp, const char* press = "",
                           const QString& seen = {}) {
            const bool result = seen.isEmpty() || qstrcmp(press, "cmdConnect") == 0;
            row(tag, {.result = result,
                      .flags = flags,
                      .online = false,
                      .dialUp = dialUp,
                      .press = press,
                      .seen = seen.isEmpty() ? QStringList() : QStringList{seen}});
        };
        offline("LAN", kConnectionLan, false);
        offline("modem and proxy", kConnectionModem | kConnectionProxy, false);
        offline("proxy only", kConnectionProxy, true, "Esc,Return", notice);
        offline("modem only, no dial-up", kConnectionModem, false, "cmdOK", notice);
        offline("dial-up offer, Connect", kConnectionModem, true, "cmdConnect", offer);
        offline("dial-up offer, Escape cancels", kConnectionModem, true, "Esc", offer);
    }

    void signIn() {
        QFETCH(SignInCase, c);
        ProgramFolder folder;
        if (!c.before.isNull())
            writeBytes(settingsPath(), c.before);
        ScriptedState state(c.flags, c.online, c.dialUp);
        ScriptedDialogs script;
        QString loaded;
        script.answerForm([&](QDialog& form) {
            loaded = child<QLineEdit>(form, "txtUserName")->text() + u'|' +
                     child<QLineEdit>(form, "txtPassword")->text() + u'|' +
                     QString::number(child<QCheckBox>(form, "chkSavePassword")->isChecked());
            form.show();
            run(form, c.typed);
        });
        QStringList seen;
        for (qsizetype i = 0; i < c.seen.size(); ++i)
            script.answerForm([&](QDialog& prompt) {
                prompt.show();
                seen << prompt.windowTitle() + u'\n' + child<QLabel>(prompt, "Label1")->text();
                run(prompt, c.press);
            });
        FerryLogin login;
        QString address, port = "99", user, password;
        bool anonymous = true, passive = true;
        QCOMPARE(login.ShowForm(address, port, user, password, anonymous, passive), c.result);
        QCOMPARE(QStringList({loaded, address, port, user, password, QString::number(anonymous),
                              QString::number(passive)})
                     .join(u'|'),
                 c.loaded + u'|' + c.record);
        QCOMPARE(seen, c.seen);
        QCOMPARE(state.dialled, c.press == u"cmdConnect" ? 1 : 0);
        QCOMPARE(script.pending(), 0);
        QCOMPARE(fileBytes(settingsPath()), c.after);
    }

    void flagsFromNetworkInformation() {
        using R = QNetworkInformation::Reachability;
        using M = QNetworkInformation::TransportMedium;
        const std::tuple<R, M, bool, quint32> cases[] = {
            {R::Online, M::Ethernet, true, kConnectionLan},
            {R::Site, M::Cellular, false, kConnectionModem},
            {R::Local, M::Bluetooth, false, 0},
            {R::Unknown, M::Unknown, true, 0}};
        for (const auto& [reachability, medium, success, flags] : cases) {
            quint32 out = 0xFF;
            QCOMPARE(connectedStateFrom(reachability, medium, out), success);
            QCOMPARE(out, flags);
        }
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
