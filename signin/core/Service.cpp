#include "Service.h"

#include "AppPath.h"
#include "ProfileFile.h"

namespace {

QString ServiceSetting(const QString& key) {
    return readProfileString(QStringLiteral("Service"), key, QString(), 256, settingsPath());
}

}  // namespace

QString serviceDomain() {
    const QString domain = ServiceSetting(QStringLiteral("Domain"));
    return domain.isEmpty() ? QStringLiteral(FERRYMATE_SERVICE_DOMAIN) : domain;
}

QString servicePort() {
    bool ok = false;
    const int port = ServiceSetting(QStringLiteral("Port")).toInt(&ok);
    return ok && port > 0 && port <= 65535 ? QString::number(port) : QStringLiteral("21");
}

QString productPageAddress() {
    return QStringLiteral(FERRYMATE_PRODUCT_PAGE);
}

QString applicationTitle() {
    return QStringLiteral("Pictavo's Ferrymate");
}
