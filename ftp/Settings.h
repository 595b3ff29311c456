#pragma once

#include <QtNetwork/qssl.h>
#include <QList>
#include <QSslCertificate>
#include <QString>

namespace ftp {

// What an operation needs of the component's properties, read once when it starts.
struct Settings {
    QString host;
    quint16 port = 21;
    QString user;
    QString password;
    bool passive = true;
    qint32 connectOption = 200;
    qint32 listingOption = 1;
    int transferMode = 0;
    int tlsMode = 1;  // TlsMode
    QList<QSslCertificate> extraCaCertificates;
    QSsl::SslProtocol tlsProtocol = QSsl::SecureProtocols;
    int connections = 1;         // connections SendFiles and ReceiveFiles may use, 1 to 10
    bool skipUnchanged = false;  // sends skip files the server already has (kSkipUnchanged)
};

}  // namespace ftp
