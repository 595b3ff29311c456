#include "NetworkInfoState.h"

bool connectedStateFrom(QNetworkInformation::Reachability reachability,
                        QNetworkInformation::TransportMedium medium, quint32& flags) {
    using Medium = QNetworkInformation::TransportMedium;
    using Reach = QNetworkInformation::Reachability;
    flags = 0;
    if (medium == Medium::Ethernet || medium == Medium::WiFi)
        flags |= kConnectionLan;
    else if (medium == Medium::Cellular)
        flags |= kConnectionModem;
    return reachability == Reach::Online || reachability == Reach::Unknown;
}

bool NetworkInfoState::query(quint32& flags) {
    flags = 0;
    // Whether a backend exists does not change during the run.
    static const bool loaded =
        QNetworkInformation::instance() || QNetworkInformation::loadDefaultBackend();
    if (!loaded)
        return true;
    const QNetworkInformation* info = QNetworkInformation::instance();
    return connectedStateFrom(info->reachability(), info->transportMedium(), flags);
}

bool NetworkInfoState::dialUpConfigured(quint32) {
    return false;
}

void NetworkInfoState::autodial() {}
