#include "DesktopWebLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace {

constexpr int kLaunched = 42;
constexpr int kNoAssociation = 31;
constexpr int kLaunchFailed = 2;
constexpr int kQueryTimeoutMs = 5000;

// Whether the desktop names a browser for the scheme. When the question cannot be answered in
// time, the launch itself is left to decide.
bool BrowserRegistered(const QString& scheme) {
    if (!qEnvironmentVariableIsEmpty("BROWSER"))
        return true;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/") + scheme});
    if (!query.waitForStarted(kQueryTimeoutMs))
        return false;
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

int DesktopWebLauncher::open(const QString& url) {
    const QUrl address(url, QUrl::TolerantMode);
    if (!address.isValid() || address.scheme().isEmpty())
        return kLaunchFailed;
    const QString scheme = address.scheme().toLower();
    const bool web = scheme == u"http" || scheme == u"https";
    if (web && !BrowserRegistered(scheme))
        return kNoAssociation;
    return QDesktopServices::openUrl(address) ? kLaunched : kLaunchFailed;
}
