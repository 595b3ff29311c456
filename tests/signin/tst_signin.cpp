// The settings and saved password; the sign-in form, the connection check and the web page.
#include <QtTest>
#include <QtWidgets>

#include "AppPath.h"
#include "Crypt.h"
#include "FerryConnect.h"
#include "FerryLogin.h"
#include "NetworkInfoState.h"
#include "ProfileFile.h"
#include "ScriptedDialogs.h"
#include "Service.h"
#include "TestFiles.h"
#include "TransferProfile.h"
#include "WebPage.h"

using namespace Qt::StringLiterals;
using Reach = QNetworkInformation::Reachability;
using Medium = QNetworkInformation::TransportMedium;

namespace {

const QByteArray kDomain = FERRYMATE_SERVICE_DOMAIN;

struct Network {
    Reach reach = Reach::Online;
    Medium medium = Medium::Unknown;
    quint32 platformFlags = 0;
    bool dialUp = false;
};

// While this lives: GetAppPath in a temporary folder with these settings; dialogs, net, browser.
struct Sandbox final : Network, ConnectedState, WebLauncher {
    QTemporaryDir dir;
    ScriptedDialogs script;
    int dialled = 0, browser = 0;  // the browser's result for the product page (else an error)
    explicit Sandbox(const Network& network = {}, const QByteArray& settings = {})
        : Network(network) {
        setAppPathForTesting(dir.path());
        setConnectedState(this);
        setWebLauncher(this);
        if (!settings.isNull())
            writeFile(settingsPath(), settings);
    }
    ~Sandbox() override {
        setAppPathForTesting(QString());
        setConnectedState(nullptr);
        setWebLauncher(nullptr);
    }
    bool query(quint32& flags) override {
        const bool online = connectedStateFrom(reach, medium, flags);
        flags |= platformFlags;
        return online;
    }
    bool dialUpConfigured(quint32) override { return dialUp; }
    void autodial() override { ++dialled; }
    int open(const QString& url) override { return url == FERRYMATE_PRODUCT_PAGE ? browser : 5; }
};

QByteArray Settings(const QByteArray& address, const QByteArray& user, const QByteArray& stored) {
    return "[ConnectionInfo]\r\nLastServerAddressUsed=" + address + "\r\nLastUsernameUsed=" + user +
           "\r\nLastPasswordUsed=" + stored + "\r\n";
}

// Steps "name|password|box|action" (box 1, 0 or "" as loaded); all but the last leave it open.
void run(QDialog& form, const QString& steps) {
    const QStringList list = steps.split(u',');
    for (const QString& step : list) {
        QStringList fields = step.split(u'|');
        const QString action = fields.takeLast();
        QWidget* keys = &form;
        if (!fields.isEmpty()) {
            form.findChild<QLineEdit*>("txtUserName")->setText(fields[0]);
            keys = form.findChild<QLineEdit*>("txtPassword");
            static_cast<QLineEdit*>(keys)->setText(fields[1]);
            if (!fields[2].isEmpty())
                form.findChild<QCheckBox*>("chkSavePassword")->setChecked(fields[2] == u"1");
        }
        if (action.startsWith(u"cmd"))
            form.findChild<QPushButton*>(action)->click();
        else
            QTest::keyClick(keys, QKeySequence(action)[0].key());
        QCOMPARE(form.isVisible(), &step != &list.last());
    }
}

const QString kHank = "hank." + kDomain;

// A sign-in: settings, run() steps; result, form loaded|record, settings after; network, prompts.
struct SignInCase {
    QByteArray before;
    QString typed = "hank|pw|1|cmdConnect";
    bool result = true;
    QString record = "||0|" + kHank + "|21|hank|pw|0|0";
    QByteArray after = Settings(kHank.toLatin1(), "hank", "043B38");
    Network net = {};
    QString press = {};
    QStringList seen = {};
};

}  // namespace

Q_DECLARE_METATYPE(SignInCase)

class SigninTest : public QObject {
    Q_OBJECT
private slots:
    // Reads "Info" keys (80 characters), service, connections, password; with a file after, writes.
    void settings_data() {
        QTest::addColumn<QByteArray>("file");  // null: no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        auto row = [](const QByteArray& tag, const QByteArray& file, const QString& value,
                      const char* key, const QByteArray& after = {}) {
            QTest::newRow(tag.constData()) << file << QString(key) << value << after;
        };
        // CR or LF line ends, case and blanks, quotes, Latin-1, first key and section only, cut.
        row("Info keys",
            "; set\n[info]\r\nCut=" + QByteArray(300, 'v') +
                "\r\n  HOST =  a b  \r\nhost=2\r\nQ1=\" a b \"\r\nQ2='x'\r\nQ3=\"x\r\nQ4=\"\"\r\n"
                "L=caf\xe9\r\n[S]\r\n[INFO]\r\nLate=2",
            QString(79, u'v') + u"|a b| a b |x|\"x||caf\u00e9|-"_s, "Cut Host Q1 Q2 Q3 Q4 L Late");
        for (const char* port : {"ftp", "0", "70000"})
            row("port " + QByteArray(port), "[Service]\r\nDomain=d\r\nPort=" + QByteArray(port),
                "d:21", "service");
        for (const auto& [value, count] :
             {std::pair{"7", "7"}, {"0", "1"}, {"11", "10"}, {"four", "4"}})
            row("connections " + QByteArray(value),
                "[transfer]\r\nCONNECTIONS=" + QByteArray(value), count, "connections");
        // Saved passwords read and saved again: fifty characters and more take three length
        // digits; a malformed one reads as the old reader did.
        const QByteArray pw = "[ConnectionInfo]\r\nLastPasswordUsed=";
        const QByteArray fifty = "100" + QByteArray("0004191D0A05021F0E").repeated(6).left(100);
        row("password Latin-1", pw + "1023A63E3A2E", u"h\u00e9llo"_s, "password",
            pw + "1023A63E3A2E\r\n");
        row("password of 50", pw + fifty, QString(50, u'K'), "password", pw + fifty + "\r\n");
        row("password malformed", pw + "4x410A", "\nE", "password", pw + "04410A\r\n");
        row("replaced in place, other lines kept",
            "; kept\n[info]\nhost = old\nlone line\n\n[Service]\nDomain=d\n", "new", "Info/Host",
            "; kept\r\n[info]\r\nhost=new\r\nlone line\r\n\r\n[Service]\r\nDomain=d\r\n");
        row("added after the section's last line, Latin-1", "[Info]\r\nA=1\r\n\r\n[Service]\r\n",
            u"caf\u00e9"_s, "INFO/B", "[Info]\r\nA=1\r\nB=caf\xe9\r\n\r\n[Service]\r\n");
        const QByteArray kept("[Info]\r\nHost=alice\r\n");
        row("value with CR", kept, "x\r[Service]", "Info/Host", kept);
        row("value with LF", kept, "x\ny=1", "Info/Host", kept);
        row("key with =", kept, "x", "Info/A=B", kept);
    }

    void settings() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        QCOMPARE(GetAppPath(), QCoreApplication::applicationDirPath() + u'/');
        Sandbox sandbox({}, file);
        const QString path = settingsPath();
        QStringList values;  // of the "Info" keys named
        for (const QString& name : key.split(u' '))
            values << readProfileString("Info", name, "-", 80, path);
        const QString read = key == u"service"       ? serviceDomain() + u':' + servicePort()
                             : key == u"connections" ? QString::number(connectionsSetting())
                             : key == u"password"    ? LoadPassword()
                             : key.contains(u'/')    ? value
                                                     : values.join(u'|');
        QCOMPARE(read, value);
        if (after.isNull())
            return;
        const QString section = key.section(u'/', 0, 0), name = key.section(u'/', 1);
        const bool written = key == u"password" ? SavePassword(value)
                                                : writeProfileString(section, name, value, path);
        QCOMPARE(written, key == u"password" || after != file);  // else refused
        QCOMPARE(readFile(path), after);
    }

    // The form's texts; the link opens the product page, a browser that fails is explained.
    void textsAndLink() {
        FerryLogin login;
        const QString expected =
            "Frame1: Introduction\nFrame2: Login\nLabel1: You must be a subscriber to Hostavia to "
            "proceed.\nLabel2: To begin, provide your login information. The Upload Menu will "
            "appear after login allowing you to upload one or more Pictavos or view and delete "
            "Pictavos that have already been uploaded.\nLabel3: Welcome to the Pictavo Ferrymate. "
            "Use this tool to upload your Pictavos to Hostavia. and to view and delete other "
            "Pictavos previously uploaded to Hostavia.\nLabel4: Hostavia is a dedicated website "
            "for hosting Pictavos. It's available to you at affordable subscription rates.\n"
            "Label5: For information about Hostavia pricing and features, please visit\n"
            "Label6: This Ferrymate only works with Hostavia. If you have an existing website, you "
            "must use a separate FTP program for uploading your Pictavos. For more information, "
            "view the tutorial \"Uploading Pictavos\" from the Pictavo Builder menu bar.\n"
            "Picture1: Pictavo Ferrymate\nchkSavePassword: &Save Password\nchkSavePassword: Save "
            "your password\ncmdCancel: C&ancel\ncmdCancel: Cancel login and close Ferrymate\n"
            "cmdConnect: &Login and Proceed to Ferrymate\ncmdConnect: Login to your account and go "
            "to Ferrymate\nfrmFerryLogin: Pictavo Ferrymate - Login\n"
            "lblLink: " FERRYMATE_PRODUCT_PAGE
            "\nlblPassword: &Password :\nlblUserName: &Account Name :\ntxtPassword: Hostavia "
            "account password\ntxtPassword: Password\ntxtUserName: Account Name\ntxtUserName: "
            "Hostavia account username";
        QStringList texts;  // "name: text" of each title, text, tool tip and accessible name
        for (const QWidget* control : login.findChildren<QWidget*>() + QList<QWidget*>{&login})
            for (const char* property :
                 {"windowTitle", "title", "text", "toolTip", "accessibleName"})
                if (const QString text = control->property(property).toString(); !text.isEmpty())
                    texts << control->objectName() + u": "_s + text;
        texts.sort();
        QCOMPARE(texts.join(u'\n'), expected);
        QCOMPARE(login.form().txtPassword->echoMode(), QLineEdit::Password);
        // The prompt's messages break their lines with a lone CR.
        QLabel* message = ferryConnect().form().Label1;
        message->setText(QStringLiteral("one\r\rline"));
        QVERIFY(message->sizeHint().height() >= 2 * message->fontMetrics().height());

        Sandbox platform;
        login.show();
        QVERIFY(login.form().lblLink->isVisible() && !login.form().cmdPictavo->isVisible());
        for (int result : {42, 2, 31}) {
            platform.browser = result;
            QTest::mouseClick(login.form().lblLink, Qt::LeftButton);
        }
        QCOMPARE(platform.script.messageTexts().join(u'\n'),
                 "Problem running your web browser. Please check to ensure that your browser is "
                 "correctly installed.\rError 2)\nPictavo's Ferrymate could not find a file "
                 "association for " FERRYMATE_PRODUCT_PAGE
                 " on your system.Please check to ensure "
                 "that your browser is correctly installed and associated with this type of file.");
        QCOMPARE(platform.script.shown[1].title, QStringLiteral("Browser Unavailable"));
    }

    void signIn_data() {
        QTest::addColumn<SignInCase>("c");
        auto row = [](const char* tag, const SignInCase& c) { QTest::newRow(tag) << c; };
        const QString bob = "bob." + kDomain;
        const QByteArray savedBob = Settings(bob.toLatin1(), "bob", "12387C3124243A");
        const QByteArray service = "[Service]\r\nDomain=demo.localhost\r\nPort=2121\r\n";
        // Blanks stay in the address; a password of spaces, or not Latin-1, is saved as empty.
        row("blanks, service in use", {service, " alice |   |1|cmdConnect", true,
                                       "||0| alice .demo.localhost|2121|alice||0|0",
                                       service + Settings("alice .demo.localhost", "alice", "00")});
        row("password not Latin-1", {.typed = u"hank|pass\u20ac|1|cmdConnect"_s,
                                     .record = "||0|" + kHank + u"|21|hank|pass\u20ac|0|0"_s,
                                     .after = Settings(kHank.toLatin1(), "hank", "")});
        const QString kept = "bob|s3cret|1|" + bob + "|99|bob|s3cret|1|1";
        row("Cancel keeps password", {savedBob, "other|typed||cmdCancel", false, kept, savedBob});
        row("Escape after unticking",
            {savedBob, "other|typed|0|Esc", false, kept, Settings(bob.toLatin1(), "bob", "")});
        // A name or password missing: noticed by either Enter key too; Escape does nothing on it.
        const QString missing =
            u"Pictavo Ferrymate - Enter username & password\n"
            "Please enter your user name and a password. &OK"_s;
        const QString typed = "|pw||Return,hank|||cmdConnect,hank|pw|1|Enter";
        row("missing name or password",
            {.typed = typed, .press = "Esc,Return", .seen = {missing, missing}});
        // Offline: a notice, or an offer to dial up. Unknown reachability counts as online.
        const QString notice =
            "Pictavo Ferrymate -Internet Connection\nYou are not connected to the Internet and "
            "Pictavo Ferrymate cannot establish a connection.\r\rPlease contact your System "
            "Administrator. &OK";
        const QString offer =
            "Pictavo Ferrymate -Internet Connection\nYou are not connected to the  Internet. "
            "However, you do have a dial-up connection configured on this computer.Would you "
            "like to use this dial-up connection to connect? &Connect C&ancel";
        auto offline = [&](const char* tag, const Network& net, const char* press = "",
                           const QStringList& seen = {}) {
            const bool result = seen.isEmpty() || qstrcmp(press, "cmdConnect") == 0;
            row(tag, {.result = result, .net = net, .press = press, .seen = seen});
        };
        offline("reachability unknown", {Reach::Unknown, Medium::Unknown});
        offline("LAN", {Reach::Local, Medium::Ethernet});
        offline("LAN by WiFi", {Reach::Local, Medium::WiFi});
        offline("modem and proxy", {Reach::Local, Medium::Cellular, kConnectionProxy});
        offline("proxy only", {Reach::Local, Medium::Bluetooth, kConnectionProxy, true},
                "Esc,Return", {notice});
        offline("modem only, no dial-up", {Reach::Site, Medium::Cellular}, "cmdOK", {notice});
        const Network dialUp{Reach::Local, Medium::Cellular, 0, true};
        offline("dial-up offer, Connect", dialUp, "cmdConnect", {offer});
        offline("dial-up offer, Escape cancels", dialUp, "Esc", {offer});
    }

    void signIn() {
        QFETCH(SignInCase, c);
        Sandbox platform(c.net, c.before);
        QString loaded;
        platform.script.answerForm([&](QDialog& form) {
            loaded = form.findChild<QLineEdit*>("txtUserName")->text() + u'|' +
                     form.findChild<QLineEdit*>("txtPassword")->text() + u'|' +
                     QString::number(form.findChild<QCheckBox*>("chkSavePassword")->isChecked());
            form.show();
            run(form, c.typed);
        });
        QStringList seen;
        for (qsizetype i = 0; i < c.seen.size(); ++i)
            platform.script.answerForm([&](QDialog& prompt) {
                prompt.show();
                seen << prompt.windowTitle() + u'\n' + prompt.findChild<QLabel*>("Label1")->text();
                for (const auto* button : prompt.findChildren<QPushButton*>())
                    seen.last() += button->isVisible() ? u' ' + button->text() : QString();
                run(prompt, c.press);
            });
        FerryLogin login;
        QString address, port = "99", user, password;
        bool anonymous = true, passive = true;
        QCOMPARE(login.ShowForm(address, port, user, password, anonymous, passive), c.result);
        QCOMPARE(QStringList({loaded, address, port, user, password}).join(u'|') +
                     u"|%1|%2"_s.arg(anonymous).arg(passive),
                 c.record);
        QCOMPARE(seen, c.seen);
        QCOMPARE(platform.dialled, c.press == u"cmdConnect" ? 1 : 0);
        QCOMPARE(readFile(settingsPath()), c.after);
        // It may hold the saved password: only its owner reads it (-rw-------).
        QCOMPARE(QFile::permissions(settingsPath()), QFileDevice::Permissions(0x6600));
    }
};

// A web page opened by mistake must never reach a real browser from here.
static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
QTEST_MAIN(SigninTest)
#include "tst_signin.moc"
