#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>

#include "ConnectionRecord.h"
#include "FerryLogin.h"
#include "ScriptedDialogs.h"
#include "SigninSupport.h"

namespace {

const QByteArray kDomain = FERRYMATE_SERVICE_DOMAIN;
const QByteArray kSavedBob = "[ConnectionInfo]\r\nLastServerAddressUsed=bob." + kDomain +
                             "\r\nLastUsernameUsed=bob\r\nLastPasswordUsed=12387C3124243A\r\n";
const QString kNotice = QStringLiteral(
    "Pictavo Ferrymate - Enter username & password\nPlease enter your user name and a "
    "password.\ncmdOK");

QByteArray Settings(const QByteArray& address, const QByteArray& user, const QByteArray& stored) {
    return "[ConnectionInfo]\r\nLastServerAddressUsed=" + address + "\r\nLastUsernameUsed=" + user +
           "\r\nLastPasswordUsed=" + stored + "\r\n";
}

bool Show(ConnectionRecord& r) {
    FerryLogin login;
    return login.ShowForm(r.sAddress, r.sPort, r.sUserName, r.sPassword, r.bIsAnonymous,
                          r.bPassive);
}

QString fields(const ConnectionRecord& r) {
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(r.sAddress, r.sPort, r.sUserName, r.sPassword)
        .arg(r.bIsAnonymous)
        .arg(r.bPassive);
}

void Type(QDialog& form, const QString& user, const QString& password) {
    form.show();
    child<QLineEdit>(form, "txtUserName")->setText(user);
    child<QLineEdit>(form, "txtPassword")->setText(password);
}

void press(QDialog& form, const char* button) {
    child<QPushButton>(form, button)->click();
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

}  // namespace

Q_DECLARE_METATYPE(SignInCase)

class FerryLoginTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCaptionsAndTips();
    void signIn_data();
    void signIn();
    void missingFieldNotice_data();
    void missingFieldNotice();
    void linkOpensTheProductPage();
};

void FerryLoginTest::controlsCaptionsAndTips() {
    FerryLogin login;
    QCOMPARE(login.objectName(), QStringLiteral("frmFerryLogin"));
    QCOMPARE(login.windowTitle(), QStringLiteral("Pictavo Ferrymate - Login"));
    QCOMPARE(child<QGroupBox>(login, "Frame1")->title(), QStringLiteral("Introduction"));
    QCOMPARE(child<QGroupBox>(login, "Frame2")->title(), QStringLiteral("Login"));
    const std::pair<const char*, QString> labels[] = {
        {"Label3",
         "Welcome to the Pictavo Ferrymate. Use this tool to upload your Pictavos to Hostavia. and "
         "to view and delete other Pictavos previously uploaded to Hostavia."},
        {"Label4",
         "Hostavia is a dedicated website for hosting Pictavos. It's available to you at "
         "affordable subscription rates."},
        {"Label5", "For information about Hostavia pricing and features, please visit"},
        {"Label6",
         "This Ferrymate only works with Hostavia. If you have an existing website, you must use "
         "a separate FTP program for uploading your Pictavos. For more information, view the "
         "tutorial \"Uploading Pictavos\" from the Pictavo Builder menu bar."},
        {"Label1", "You must be a subscriber to Hostavia to proceed."},
        {"Label2",
         "To begin, provide your login information. The Upload Menu will appear after login "
         "allowing you to upload one or more Pictavos or view and delete Pictavos that have "
         "already been uploaded."},
        {"lblUserName", "&Account Name :"},
        {"lblPassword", "&Password :"},
        {"lblLink", FERRYMATE_PRODUCT_PAGE}};
    for (const auto& [name, text] : labels)
        QCOMPARE(child<QLabel>(login, name)->text(), text);
    const std::pair<QWidget*, QString> tips[] = {
        {login.form().txtUserName, "Hostavia account username"},
        {login.form().txtPassword, "Hostavia account password"},
        {login.form().chkSavePassword, "Save your password"},
        {login.form().cmdConnect, "Login to your account and go to Ferrymate"},
        {login.form().cmdCancel, "Cancel login and close Ferrymate"}};
    for (const auto& [control, tip] : tips)
        QCOMPARE(control->toolTip(), tip);
    QCOMPARE(login.form().chkSavePassword->text(), QStringLiteral("&Save Password"));
    QCOMPARE(login.form().cmdConnect->text(), QStringLiteral("&Login and Proceed to Ferrymate"));
    QCOMPARE(login.form().cmdCancel->text(), QStringLiteral("C&ancel"));
    QCOMPARE(child<QLabel>(login, "lblUserName")->buddy(), login.form().txtUserName);
    QCOMPARE(child<QLabel>(login, "lblPassword")->buddy(), login.form().txtPassword);
    QVERIFY(login.form().cmdConnect->isDefault());
    QCOMPARE(login.form().txtPassword->echoMode(), QLineEdit::Password);
    QStyleOptionFrame frame;
    frame.initFrom(login.form().txtPassword);
    QCOMPARE(login.form().txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter,
                                                          &frame, login.form().txtPassword),
             int('*'));
    for (const char* name : {"txtUserName", "txtPassword", "Picture1"})
        QVERIFY2(!child<QWidget>(login, name)->accessibleName().isEmpty(), name);
    QVERIFY(!child<QLabel>(login, "Picture1")->pixmap().isNull());
    QVERIFY(login.form().lblLink->font().underline());
    QCOMPARE(login.form().lblLink->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(login.form().lblLink->cursor().shape(), Qt::PointingHandCursor);
    login.show();
    QVERIFY(login.form().lblLink->isVisible());
    QVERIFY(!login.form().cmdPictavo->isVisible());
}

void FerryLoginTest::signIn_data() {
    QTest::addColumn<SignInCase>("c");
    const QString bob = "bob." + kDomain;
    const QByteArray bobForgotten = Settings("bob." + kDomain, "bob", "");
    const QByteArray service = "[Service]\r\nDomain=demo.localhost\r\nPort=2121\r\n";
    // The writer drops the leading blank of the address; reading trims it anyway.
    addCase<SignInCase>("account name with spaces, service in use", service, " alice ", "pw", -1,
                        "cmdConnect", true, "||0", " alice .demo.localhost|2121|alice|pw|0|0",
                        service + Settings("alice .demo.localhost", "alice", ""));
    // Cancelled, the record holds what the settings held and is otherwise untouched.
    addCase<SignInCase>("cancel keeps the saved password", kSavedBob, "other", "typed", -1,
                        "cmdCancel", true, "bob|s3cret|1", bob + "|99|bob|s3cret|1|1", kSavedBob);
    addCase<SignInCase>("cancel after unticking", kSavedBob, "other", "typed", 0, "cmdCancel", true,
                        "bob|s3cret|1", bob + "|99|bob|s3cret|1|1", bobForgotten);
    addCase<SignInCase>("close control counts as cancel", QByteArray(), "frank", "pw", -1, "close",
                        true, "||0", "|99|||1|1", Settings("", "", ""));
    addCase<SignInCase>("connect unticked", kSavedBob, "bob", "typed", 0, "cmdConnect", true,
                        "bob|s3cret|1", bob + "|21|bob|typed|0|0", bobForgotten);
    addCase<SignInCase>("connect ticked", QByteArray(), "carol", "pw", 1, "cmdConnect", true, "||0",
                        "carol." + kDomain + "|21|carol|pw|0|0",
                        Settings("carol." + kDomain, "carol", "043B38"));
    addCase<SignInCase>("spaces-only password passes as empty", QByteArray(), "erin", "   ", 1,
                        "cmdConnect", true, "||0", "erin." + kDomain + "|21|erin||0|0",
                        Settings("erin." + kDomain, "erin", "00"));
    addCase<SignInCase>("not connected still writes the settings", QByteArray(), "hank", "pw", 1,
                        "cmdConnect", false, "||0", "hank." + kDomain + "|21|hank|pw|0|0",
                        Settings("hank." + kDomain, "hank", "043B38"));
}

void FerryLoginTest::signIn() {
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
    r.sPort = QStringLiteral("99");
    r.bPassive = true;
    QCOMPARE(Show(r), c.online && qstrcmp(c.action, "cmdConnect") == 0);
    QCOMPARE(loaded, c.loaded);
    QCOMPARE(fields(r), c.record);
    QCOMPARE(script.shown.size(), c.online ? 1 : 2);
    QCOMPARE(script.pending(), 0);
    QCOMPARE(fileBytes(settingsPath()), c.after);
}

void FerryLoginTest::missingFieldNotice_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("key");          // 0: the button
    QTest::addColumn<bool>("thenEscape");  // or fill both in and try again
    QTest::newRow("no account name") << QString() << "pw" << 0 << false;
    QTest::newRow("no password, Enter, Escape")
        << "dave" << QString() << int(Qt::Key_Enter) << true;
    QTest::newRow("neither, Return") << QString() << QString() << int(Qt::Key_Return) << false;
}

void FerryLoginTest::missingFieldNotice() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, key);
    QFETCH(bool, thenEscape);
    ProgramFolder folder;
    ScriptedState state(kConnectionLan, true);
    ScriptedDialogs script;
    QString notice;
    bool stayed = false;
    script.answerForm([&](QDialog& form) {
        auto connect = [&] {
            if (key)
                QTest::keyClick(child<QLineEdit>(form, "txtPassword"), Qt::Key(key));
            else
                press(form, "cmdConnect");
        };
        Type(form, user, password);
        connect();
        stayed = form.isVisible() && static_cast<FerryLogin&>(form).m_bCancelled;
        Type(form, "dave", "pw");
        if (thenEscape)
            QTest::keyClick(child<QLineEdit>(form, "txtUserName"), Qt::Key_Escape);
        else
            connect();
    });
    script.answerForm([&](QDialog& prompt) {
        notice = seen(prompt);
        press(prompt, "cmdOK");
    });
    ConnectionRecord r;
    QCOMPARE(Show(r), !thenEscape);
    QVERIFY(stayed);
    QCOMPARE(script.shown.size(), 2);
    QCOMPARE(notice, kNotice);
}

void FerryLoginTest::linkOpensTheProductPage() {
    RecordingLauncher launcher(42);
    ScriptedDialogs script;
    FerryLogin login;
    login.show();
    QTest::mouseClick(login.form().lblLink, Qt::LeftButton);
    QCOMPARE(launcher.opened, QStringList{QStringLiteral(FERRYMATE_PRODUCT_PAGE)});
    QVERIFY(script.shown.isEmpty());
}

QTEST_MAIN(FerryLoginTest)
#include "tst_FerryLogin.moc"
