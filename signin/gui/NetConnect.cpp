#include "NetConnect.h"

#include <QLabel>
#include <QWidget>

#include "Dialogs.h"
#include "FerryConnect.h"

namespace {

QString NoConnectionNotice() {
    return QStringLiteral("You are not connected to the Internet and ") +
           QStringLiteral("Pictavo Ferrymate cannot establish a connection.") +
           QStringLiteral("\r\r") + QStringLiteral("Please contact your System Administrator.");
}

QString DialUpOffer() {
    return QStringLiteral("You are not connected to the  Internet. However, ") +
           QStringLiteral("you do have a dial-up connection configured on this computer.") +
           QStringLiteral("Would you like to use this dial-up connection to connect?");
}

}  // namespace

bool checkInternetConnection(QWidget* parent) {
    const bool proxy = IsProxyConnection();
    const bool modem = IsModemConnection();
    const bool lan = IsLanConnection();
    const bool online = IsOnline();
    if (online || lan || (modem && proxy))
        return true;

    FerryConnect& prompt = ferryConnect();
    prompt.setWindowTitle(boxTitle(QStringLiteral("-Internet Connection")));
    const bool dialUp = IsDialUpConfigured();
    const bool dialUpModem = IsModemConnection();
    bool accepted = false;
    if (dialUp && dialUpModem) {
        prompt.form().Label1->setText(DialUpOffer());
        prompt.showButtons(false, true, true);
        accepted = prompt.ShowForm();
        if (accepted)
            connectedState().autodial();
    } else {
        prompt.form().Label1->setText(NoConnectionNotice());
        prompt.showButtons(true, false, false);
        prompt.ShowForm();
    }
    if (parent)
        parent->close();
    return accepted;
}
