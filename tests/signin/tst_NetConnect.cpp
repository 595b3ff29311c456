#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "FerryConnect.h"
#include "NetConnect.h"
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

enum Answer { None, Connect, Cancel, Close };
enum Shown { Nothing, Notice, Offer };

}  // namespace

class NetConnectTest : public QObject {
    Q_OBJECT
private slots:
    void decision_data();
    void decision();
    void connectCaptionGivenByAnotherCallerStays();
    void flagsFromNetworkInformation_data();
    void flagsFromNetworkInformation();
};

void NetConnectTest::decision_data() {
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("dialUp");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("result");
    const quint32 modem = kConnectionModem, lan = kConnectionLan, proxy = kConnectionProxy;
    QTest::newRow("online") << 0u << true << false << int(None) << int(Nothing) << true;
    QTest::newRow("query fails, no bits")
        << 0u << false << false << int(Connect) << int(Notice) << false;
    QTest::newRow("query fails, LAN") << lan << false << false << int(None) << int(Nothing) << true;
    QTest::newRow("query fails, modem and proxy")
        << (modem | proxy) << false << false << int(None) << int(Nothing) << true;
    QTest::newRow("query fails, proxy only")
        << proxy << false << true << int(Connect) << int(Notice) << false;
    QTest::newRow("modem only, no dial-up")
        << modem << false << false << int(Connect) << int(Notice) << false;
    QTest::newRow("dial-up configured but no modem")
        << 0u << false << true << int(Connect) << int(Notice) << false;
    QTest::newRow("dial-up offer, Connect")
        << modem << false << true << int(Connect) << int(Offer) << true;
    QTest::newRow("dial-up offer, Cancel")
        << modem << false << true << int(Cancel) << int(Offer) << false;
    QTest::newRow("dial-up offer, close control")
        << modem << false << true << int(Close) << int(Offer) << false;
}

void NetConnectTest::decision() {
    QFETCH(quint32, flags);
    QFETCH(bool, online);
    QFETCH(bool, dialUp);
    QFETCH(int, answer);
    QFETCH(int, shown);
    QFETCH(bool, result);
    ScriptedState state(flags, online, dialUp);
    ScriptedDialogs script;
    QString text;
    bool ok = false, connect = false, cancel = false;
    script.answerForm([&](QDialog& prompt) {
        prompt.show();
        text = Child<QLabel>(prompt, "Label1")->text();
        auto offered = [&](const char* name) {
            auto* button = Child<QPushButton>(prompt, name);
            return button->isVisible() && button->isEnabled();
        };
        ok = offered("cmdOK");
        connect = offered("cmdConnect");
        cancel = offered("cmdCancel");
        // The notice offers OK only: its answer is ignored whatever it is.
        if (answer == Close)
            prompt.close();
        else if (answer == Cancel)
            Child<QPushButton>(prompt, "cmdCancel")->click();
        else if (connect)
            Child<QPushButton>(prompt, "cmdConnect")->click();
        else
            Child<QPushButton>(prompt, "cmdOK")->click();
    });
    QWidget signIn;
    signIn.show();

    QCOMPARE(CheckInternetConnection(&signIn), result);
    QCOMPARE(state.dialled, result && shown == Offer ? 1 : 0);
    QCOMPARE(signIn.isVisible(), shown == Nothing);
    if (shown == Nothing) {
        QCOMPARE(script.shown.size(), 0);
        return;
    }
    QCOMPARE(script.shown.size(), 1);
    QCOMPARE(script.shown[0].formName, QStringLiteral("frmFerryConnect"));
    QCOMPARE(script.shown[0].title, QStringLiteral("Pictavo Ferrymate -Internet Connection"));
    QCOMPARE(text, shown == Notice ? kNotice : kOffer);
    QCOMPARE(ok, shown == Notice);
    QCOMPARE(connect, shown == Offer);
    QCOMPARE(cancel, shown == Offer);
}

void NetConnectTest::connectCaptionGivenByAnotherCallerStays() {
    // The failed-connection prompt of the transfer window renames cmdConnect for the run.
    ferryConnect().cmdConnect->setText(QStringLiteral("OK"));
    ScriptedState state(kConnectionModem, false, true);
    ScriptedDialogs script;
    QString caption;
    script.answerForm([&](QDialog& prompt) {
        caption = Child<QPushButton>(prompt, "cmdConnect")->text();
        Child<QPushButton>(prompt, "cmdCancel")->click();
    });
    QVERIFY(!CheckInternetConnection(nullptr));
    QCOMPARE(caption, QStringLiteral("OK"));
    ferryConnect().cmdConnect->setText(QStringLiteral("&Connect"));
}

void NetConnectTest::flagsFromNetworkInformation_data() {
    using R = QNetworkInformation::Reachability;
    using M = QNetworkInformation::TransportMedium;
    QTest::addColumn<R>("reachability");
    QTest::addColumn<M>("medium");
    QTest::addColumn<bool>("success");
    QTest::addColumn<quint32>("flags");
    QTest::newRow("online over Ethernet") << R::Online << M::Ethernet << true << 2u;
    QTest::newRow("online over Wi-Fi") << R::Online << M::WiFi << true << 2u;
    QTest::newRow("site only over cellular") << R::Site << M::Cellular << false << 1u;
    QTest::newRow("disconnected") << R::Disconnected << M::Unknown << false << 0u;
    QTest::newRow("local over Bluetooth") << R::Local << M::Bluetooth << false << 0u;
    QTest::newRow("backend does not know") << R::Unknown << M::Unknown << true << 0u;
}

void NetConnectTest::flagsFromNetworkInformation() {
    QFETCH(QNetworkInformation::Reachability, reachability);
    QFETCH(QNetworkInformation::TransportMedium, medium);
    QFETCH(bool, success);
    QFETCH(quint32, flags);
    quint32 out = 0xFF;
    QCOMPARE(ConnectedStateFrom(reachability, medium, out), success);
    QCOMPARE(out, flags);
}

QTEST_MAIN(NetConnectTest)
#include "tst_NetConnect.moc"
