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

const QString kDomain = QStringLiteral(FERRYMATE_SERVICE_DOMAIN);
const QByteArray kSavedBob =
    "[ConnectionInfo]\r\nLastServerAddressUsed=bob." FERRYMATE_SERVICE_DOMAIN
    "\r\nLastUsernameUsed=bob\r\nLastPasswordUsed=12387C3124243A\r\n";  // "s3cret"

bool Show(ConnectionRecord& r) {
    FerryLogin login;
    return login.ShowForm(r.sAddress, r.sPort, r.sUserName, r.sPassword, r.bIsAnonymous,
                          r.bPassive);
}

// What the user does in the shown sign-in dialog.
void Type(QDialog& form, const QString& user, const QString& password) {
    form.show();
    Child<QLineEdit>(form, "txtUserName")->setText(user);
    Child<QLineEdit>(form, "txtPassword")->setText(password);
}

void SetSave(QDialog& form, bool save) {
    Child<QCheckBox>(form, "chkSavePassword")->setChecked(save);
}

void Press(QDialog& form, const char* button) {
    Child<QPushButton>(form, button)->click();
}

struct NoticeSeen {
    QString title;
    QString text;
    bool ok = false, connect = true, cancel = true;
};

// Answers the missing-field notice with its OK button, noting what it showed.
ScriptedDialogs::FormScript AnswerNotice(NoticeSeen& seen) {
    return [&seen](QDialog& notice) {
        seen.title = notice.windowTitle();
        seen.text = Child<QLabel>(notice, "Label1")->text();
        auto shown = [&](const char* name) {
            auto* button = Child<QPushButton>(notice, name);
            return !button->isHidden() && button->isEnabled();
        };
        seen.ok = shown("cmdOK");
        seen.connect = shown("cmdConnect");
        seen.cancel = shown("cmdCancel");
        Press(notice, "cmdOK");
    };
}

}  // namespace

class FerryLoginTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void controlsCaptionsAndTips();
    void accountNameWithSpaces();
    void savedSettingsFillTheDialog();
    void settingsFileAfterwards_data();
    void settingsFileAfterwards();
    void missingFieldNotice_data();
    void missingFieldNotice();
    void enterAndEscapeKeys();
    void notConnectedStillWritesTheSettings();
    void serviceSectionIsUsedAndKept();
    void linkOpensTheProductPage();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<ScriptedState> m_state;
};

void FerryLoginTest::init() {
    m_folder = std::make_unique<ProgramFolder>();
    m_state = std::make_unique<ScriptedState>(kConnectionLan, true);
}

void FerryLoginTest::cleanup() {
    m_state.reset();
    m_folder.reset();
}

void FerryLoginTest::controlsCaptionsAndTips() {
    FerryLogin login;
    QCOMPARE(login.objectName(), QStringLiteral("frmFerryLogin"));
    QCOMPARE(login.windowTitle(), QStringLiteral("Pictavo Ferrymate - Login"));
    auto text = [&](const char* name) { return Child<QLabel>(login, name)->text(); };
    auto tip = [&](const char* name) { return Child<QWidget>(login, name)->toolTip(); };
    QCOMPARE(Child<QGroupBox>(login, "Frame1")->title(), QStringLiteral("Introduction"));
    QCOMPARE(Child<QGroupBox>(login, "Frame2")->title(), QStringLiteral("Login"));
    QCOMPARE(text("Label3"),
             QStringLiteral("Welcome to the Pictavo Ferrymate. Use this tool to upload your "
                            "Pictavos to Hostavia. and to view and delete other Pictavos "
                            "previously uploaded to Hostavia."));
    QCOMPARE(text("Label4"), QStringLiteral("Hostavia is a dedicated website for hosting "
                                            "Pictavos. It's available to you at affordable "
                                            "subscription rates."));
    QCOMPARE(text("Label5"),
             QStringLiteral("For information about Hostavia pricing and features, please visit"));
    QCOMPARE(text("Label6"),
             QStringLiteral("This Ferrymate only works with Hostavia. If you have an existing "
                            "website, you must use a separate FTP program for uploading your "
                            "Pictavos. For more information, view the tutorial \"Uploading "
                            "Pictavos\" from the Pictavo Builder menu bar."));
    QCOMPARE(text("Label1"), QStringLiteral("You must be a subscriber to Hostavia to proceed."));
    QCOMPARE(text("Label2"),
             QStringLiteral("To begin, provide your login information. The Upload Menu will "
                            "appear after login allowing you to upload one or more Pictavos or "
                            "view and delete Pictavos that have already been uploaded."));
    QCOMPARE(text("lblUserName"), QStringLiteral("&Account Name :"));
    QCOMPARE(text("lblPassword"), QStringLiteral("&Password :"));
    QCOMPARE(Child<QLabel>(login, "lblUserName")->buddy(), login.txtUserName);
    QCOMPARE(Child<QLabel>(login, "lblPassword")->buddy(), login.txtPassword);
    QCOMPARE(login.chkSavePassword->text(), QStringLiteral("&Save Password"));
    QVERIFY(!login.chkSavePassword->isChecked());
    QCOMPARE(login.cmdConnect->text(), QStringLiteral("&Login and Proceed to Ferrymate"));
    QCOMPARE(login.cmdCancel->text(), QStringLiteral("C&ancel"));
    QCOMPARE(tip("txtUserName"), QStringLiteral("Hostavia account username"));
    QCOMPARE(tip("txtPassword"), QStringLiteral("Hostavia account password"));
    QCOMPARE(tip("chkSavePassword"), QStringLiteral("Save your password"));
    QCOMPARE(tip("cmdConnect"), QStringLiteral("Login to your account and go to Ferrymate"));
    QCOMPARE(tip("cmdCancel"), QStringLiteral("Cancel login and close Ferrymate"));
    QVERIFY(login.txtUserName->text().isEmpty());
    QCOMPARE(login.txtPassword->echoMode(), QLineEdit::Password);
    QStyleOptionFrame frame;
    frame.initFrom(login.txtPassword);
    QCOMPARE(login.txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &frame,
                                                   login.txtPassword),
             int('*'));
    QVERIFY(login.cmdConnect->isDefault());
    for (const char* name : {"txtUserName", "txtPassword", "Picture1"})
        QVERIFY2(!Child<QWidget>(login, name)->accessibleName().isEmpty(), name);
    QVERIFY(!Child<QLabel>(login, "Picture1")->pixmap().isNull());

    QCOMPARE(login.lblLink->text(), QStringLiteral(FERRYMATE_PRODUCT_PAGE));
    QVERIFY(login.lblLink->font().underline());
    QCOMPARE(login.lblLink->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(login.lblLink->cursor().shape(), Qt::PointingHandCursor);
    login.show();
    QVERIFY(login.lblLink->isVisible());
    QVERIFY(!login.cmdPictavo->isVisible());
}

void FerryLoginTest::accountNameWithSpaces() {
    ScriptedDialogs script;
    script.answerForm([](QDialog& form) {
        Type(form, " alice ", "pw");
        Press(form, "cmdConnect");
    });
    ConnectionRecord r;
    QVERIFY(Show(r));
    QCOMPARE(r.sAddress, " alice ." + kDomain);
    QCOMPARE(r.sUserName, QStringLiteral("alice"));
    QCOMPARE(r.sPassword, QStringLiteral("pw"));
    QCOMPARE(r.sPort, QStringLiteral("21"));
    QVERIFY(!r.bIsAnonymous);
    QVERIFY(!r.bPassive);
    QCOMPARE(script.shown.size(), 1);
    QCOMPARE(script.shown[0].formName, QStringLiteral("frmFerryLogin"));
    QCOMPARE(script.unexpected, 0);
    // The writer drops the leading blank; reading trims anyway.
    QCOMPARE(FileBytes(m_folder->settings()),
             "[ConnectionInfo]\r\nLastServerAddressUsed=alice ." + kDomain.toLatin1() +
                 "\r\nLastUsernameUsed=alice\r\nLastPasswordUsed=\r\n");
}

void FerryLoginTest::savedSettingsFillTheDialog() {
    WriteBytes(m_folder->settings(), kSavedBob);
    QString user, password;
    bool ticked = false;
    ScriptedDialogs script;
    script.answerForm([&](QDialog& form) {
        form.show();
        user = Child<QLineEdit>(form, "txtUserName")->text();
        password = Child<QLineEdit>(form, "txtPassword")->text();
        ticked = Child<QCheckBox>(form, "chkSavePassword")->isChecked();
        Type(form, "someone else", "other");
        Press(form, "cmdCancel");
    });
    ConnectionRecord r;
    r.sPort = QStringLiteral("99");
    r.bPassive = true;
    QVERIFY(!Show(r));
    QCOMPARE(user, QStringLiteral("bob"));
    QCOMPARE(password, QStringLiteral("s3cret"));
    QVERIFY(ticked);
    QCOMPARE(r.sAddress, "bob." + kDomain);
    QCOMPARE(r.sUserName, QStringLiteral("bob"));
    QCOMPARE(r.sPassword, QStringLiteral("s3cret"));
    QCOMPARE(r.sPort, QStringLiteral("99"));
    QVERIFY(r.bIsAnonymous);
    QVERIFY(r.bPassive);

    // A new sign-in starts from the file, not from what was typed and cancelled.
    script.answerForm([&](QDialog& form) {
        user = Child<QLineEdit>(form, "txtUserName")->text();
        Press(form, "cmdCancel");
    });
    QVERIFY(!Show(r));
    QCOMPARE(user, QStringLiteral("bob"));
}

void FerryLoginTest::settingsFileAfterwards_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("save");  // -1 leaves the box as loaded
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("recordPassword");
    QTest::addColumn<QByteArray>("after");
    const QByteArray bobForgotten = "[ConnectionInfo]\r\nLastServerAddressUsed=bob." +
                                    kDomain.toLatin1() +
                                    "\r\nLastUsernameUsed=bob\r\nLastPasswordUsed=\r\n";
    QTest::newRow("cancel keeps the saved password")
        << kSavedBob << "other"
        << "typed" << -1 << "cmdCancel" << false << "s3cret" << kSavedBob;
    QTest::newRow("cancel after unticking")
        << kSavedBob << "other"
        << "typed" << 0 << "cmdCancel" << false << "s3cret" << bobForgotten;
    QTest::newRow("connect unticked")
        << kSavedBob << "bob"
        << "typed" << 0 << "cmdConnect" << true << "typed" << bobForgotten;
    QTest::newRow("connect ticked")
        << QByteArray() << "carol"
        << "pw" << 1 << "cmdConnect" << true << "pw"
        << "[ConnectionInfo]\r\nLastServerAddressUsed=carol." + kDomain.toLatin1() +
               "\r\nLastUsernameUsed=carol\r\nLastPasswordUsed=043B38\r\n";
    QTest::newRow("spaces-only password passes as empty")
        << QByteArray() << "erin"
        << "   " << 1 << "cmdConnect" << true << ""
        << "[ConnectionInfo]\r\nLastServerAddressUsed=erin." + kDomain.toLatin1() +
               "\r\nLastUsernameUsed=erin\r\nLastPasswordUsed=00\r\n";
    QTest::newRow("close control counts as cancel")
        << QByteArray() << "frank"
        << "pw" << -1 << "close" << false << ""
        << QByteArray(
               "[ConnectionInfo]\r\nLastServerAddressUsed=\r\nLastUsernameUsed=\r\n"
               "LastPasswordUsed=\r\n");
}

void FerryLoginTest::settingsFileAfterwards() {
    QFETCH(QByteArray, before);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, save);
    QFETCH(QString, action);
    QFETCH(bool, result);
    QFETCH(QString, recordPassword);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        WriteBytes(m_folder->settings(), before);
    ScriptedDialogs script;
    script.answerForm([&](QDialog& form) {
        Type(form, user, password);
        if (save >= 0)
            SetSave(form, save);
        if (action == u"close")
            QVERIFY(form.close());
        else
            Press(form, qPrintable(action));
    });
    ConnectionRecord r;
    QCOMPARE(Show(r), result);
    QCOMPARE(r.sPassword, recordPassword);
    QCOMPARE(script.shown.size(), 1);
    QCOMPARE(FileBytes(m_folder->settings()), after);
}

void FerryLoginTest::missingFieldNotice_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("no account name") << ""
                                     << "pw";
    QTest::newRow("no password") << "dave"
                                 << "";
    QTest::newRow("neither") << ""
                             << "";
}

void FerryLoginTest::missingFieldNotice() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    ScriptedDialogs script;
    NoticeSeen notice;
    bool stillOpen = false;
    bool stillCancelled = false;
    script.answerForm([&](QDialog& form) {
        Type(form, user, password);
        Press(form, "cmdConnect");
        stillOpen = form.isVisible();
        stillCancelled = static_cast<FerryLogin&>(form).m_bCancelled;
        Type(form, "dave", "pw");
        Press(form, "cmdConnect");
    });
    script.answerForm(AnswerNotice(notice));
    ConnectionRecord r;
    QVERIFY(Show(r));
    QVERIFY(stillOpen);
    QVERIFY(stillCancelled);
    QCOMPARE(script.shown.size(), 2);
    QCOMPARE(script.shown[1].formName, QStringLiteral("frmFerryConnect"));
    QCOMPARE(notice.title, QStringLiteral("Pictavo Ferrymate - Enter username & password"));
    QCOMPARE(notice.text, QStringLiteral("Please enter your user name and a password."));
    QVERIFY(notice.ok);
    QVERIFY(!notice.connect);
    QVERIFY(!notice.cancel);
    QCOMPARE(r.sUserName, QStringLiteral("dave"));
}

void FerryLoginTest::enterAndEscapeKeys() {
    ScriptedDialogs script;
    NoticeSeen notice;
    script.answerForm([](QDialog& form) {
        Type(form, "gina", "pw");
        QTest::keyClick(Child<QLineEdit>(form, "txtPassword"), Qt::Key_Return);
    });
    ConnectionRecord r;
    QVERIFY(Show(r));
    QCOMPARE(r.sUserName, QStringLiteral("gina"));

    script.answerForm([](QDialog& form) {
        Type(form, "gina", "");
        QTest::keyClick(Child<QLineEdit>(form, "txtUserName"), Qt::Key_Enter);
        QVERIFY(form.isVisible());
        QTest::keyClick(Child<QLineEdit>(form, "txtUserName"), Qt::Key_Escape);
    });
    script.answerForm(AnswerNotice(notice));
    QVERIFY(!Show(r));
    QCOMPARE(notice.text, QStringLiteral("Please enter your user name and a password."));
    QCOMPARE(script.unexpected, 0);
}

void FerryLoginTest::notConnectedStillWritesTheSettings() {
    m_state->flags = kConnectionProxy;
    m_state->online = false;
    ScriptedDialogs script;
    script.answerForm([](QDialog& form) {
        Type(form, "hank", "pw");
        SetSave(form, true);
        Press(form, "cmdConnect");
    });
    script.answerForm([](QDialog& prompt) { Press(prompt, "cmdOK"); });
    ConnectionRecord r;
    QVERIFY(!Show(r));
    QCOMPARE(script.shown.size(), 2);
    QCOMPARE(script.shown[1].title, QStringLiteral("Pictavo Ferrymate -Internet Connection"));
    QCOMPARE(r.sAddress, "hank." + kDomain);
    QCOMPARE(FileBytes(m_folder->settings()),
             "[ConnectionInfo]\r\nLastServerAddressUsed=hank." + kDomain.toLatin1() +
                 "\r\nLastUsernameUsed=hank\r\nLastPasswordUsed=043B38\r\n");
}

void FerryLoginTest::serviceSectionIsUsedAndKept() {
    const QByteArray service = "[Service]\r\nDomain=demo.localhost\r\nPort=2121\r\n";
    WriteBytes(m_folder->settings(), service);
    ScriptedDialogs script;
    script.answerForm([](QDialog& form) {
        Type(form, "ivy", "pw");
        Press(form, "cmdConnect");
    });
    ConnectionRecord r;
    QVERIFY(Show(r));
    QCOMPARE(r.sAddress, QStringLiteral("ivy.demo.localhost"));
    QCOMPARE(r.sPort, QStringLiteral("2121"));
    QCOMPARE(FileBytes(m_folder->settings()),
             service +
                 "[ConnectionInfo]\r\nLastServerAddressUsed=ivy.demo.localhost\r\n"
                 "LastUsernameUsed=ivy\r\nLastPasswordUsed=\r\n");
}

void FerryLoginTest::linkOpensTheProductPage() {
    RecordingLauncher launcher(42);
    ScriptedDialogs script;
    FerryLogin login;
    login.show();
    QTest::mouseClick(login.lblLink, Qt::LeftButton);
    QCOMPARE(launcher.opened, QStringList{QStringLiteral(FERRYMATE_PRODUCT_PAGE)});
    QVERIFY(script.shown.isEmpty());
}

QTEST_MAIN(FerryLoginTest)
#include "tst_FerryLogin.moc"
