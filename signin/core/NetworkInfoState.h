#pragma once

#include <QNetworkInformation>

#include "ConnectedState.h"

// The connected state from QNetworkInformation's default backend. Without a backend, or while the
// backend does not know, the state is unknown and counts as online. No dial-up exists here.
class NetworkInfoState final : public ConnectedState {
public:
    bool query(quint32& flags) override;
    bool dialUpConfigured(quint32 flags) override;
    void autodial() override;
};

// What a backend's report means as flags word and success: Ethernet and Wi-Fi are the LAN bit,
// cellular the modem bit; online or unknown reachability is success.
bool connectedStateFrom(QNetworkInformation::Reachability reachability,
                        QNetworkInformation::TransportMedium medium, quint32& flags);
