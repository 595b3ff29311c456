#include "Service.h"

#include "AppPath.h"
#include "ProfileFile.h"

namespace {

QString ServiceSetting(const QString& key) {
    return ReadProfileString(QStringLiteral("Service"), key, QString(), 256, SettingsPath());
}

}  // namespace

QString ServiceDomain() {
    const QString domain = ServiceSetting(QStringLiteral("Domain"));
    return domain.isEmpty() ? QStringLiteral(FERRYMATE_SERVICE_DOMAIN) : domain;
}

QString ServicePort() {
    bool ok = false;
    const int port = ServiceSetting(QStringLiteral("Port")).toInt(&ok);
    return ok && port > 0 && port <= 65535 ? QString::number(port) : QStringLiteral("21");
}

QString ProductPageAddress() {
    return QStringLiteral(FERRYMATE_PRODUCT_PAGE);
}

QString ApplicationTitle() {
    return QStringLiteral("Pictavo's Ferrymate");
}
