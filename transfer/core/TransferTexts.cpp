#include "TransferTexts.h"

#include <QUrl>
#include <QtMath>
#include <cmath>

#include "FtpClient.h"
#include "FtpError.h"

QString progressText(int ftpState, const QString& fileName, qint64 bytesDone, qint64 fileSize) {
    const bool sending = ftpState == ftp::kSendingFile || ftpState == ftp::kSendingFiles;
    return (sending ? QStringLiteral("Uploading file '") : QStringLiteral("Processing file '")) +
           fileName + QStringLiteral("' (") + QString::number(bytesDone / 1024) +
           QStringLiteral(" of ") + QString::number(fileSize / 1024) + QStringLiteral("K)");
}

QStringList skipLines(const QString& firstName, const QString& secondName, qint32 reasonCode) {
    const QString tail = QStringLiteral(" was skipped. Reason code: 0x") +
                         QString::number(quint32(reasonCode), 16).toUpper();
    QStringList lines;
    if (firstName.isEmpty())
        lines << secondName + tail;
    if (secondName.isEmpty())
        lines << firstName + tail;
    return lines;
}

QString unchangedSkippedLine(int count) {
    return QString::number(count) + QStringLiteral(" unchanged file(s) skipped.");
}

QString replaceQuestion(const QString& existingName) {
    return existingName + QStringLiteral(" already exits. Do you want to replace it?");
}

QString remoteProjectName(const QString& projectName) {
    QString name = projectName;
    name.remove(QLatin1Char(' '));
    return name.toLower();
}

QString projectViewAddress(const QString& serverAddress, const QString& rowText) {
    return QStringLiteral("http://") + serverAddress + QLatin1Char('/') +
           QString::fromLatin1(QUrl::toPercentEncoding(rowText)) + QStringLiteral("/pictavo.html");
}

int deletionProgress(qint64 total, qint64 counter) {
    const float value = (float(total) / float(counter) - 1.0f) * 100.0f;
    // A counter at 0 leaves nothing to delete: the tree is gone.
    if (std::isnan(value))
        return 100;
    if (value <= 0.0f)
        return 0;
    if (value >= 100.0f)
        return 100;
    return qRound(value);
}

QString withLine(const QString& text, const QString& line) {
    return line.isEmpty() ? text : text + QLatin1Char('\n') + line;
}

QString withCause(const QString& text, const ftp::FtpError& error) {
    return withLine(text, error.description);
}

namespace {

// Servers that insist on TLS say so when they refuse the login or the greeting.
bool AsksForEncryption(const QString& reply) {
    for (const char* word : {"TLS", "SSL", "encrypt", "secure"})
        if (reply.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

}  // namespace

QString connectFailureCause(const ftp::FtpError& error, const QString& host, quint16 port) {
    const QString unreachable = QStringLiteral("Cannot connect to the server: ");
    const bool refused =
        error.number == ftp::kErrLoginFailed || error.number == ftp::kErrConnectFailed;
    if (error.description.startsWith(unreachable))
        return QStringLiteral("The server %1 (port %2) could not be reached: %3")
            .arg(host)
            .arg(port)
            .arg(error.description.mid(unreachable.size()));
    if (error.number == ftp::kErrTlsRequired)
        return QStringLiteral(
                   "%1 encrypted this account's connections before but offers no "
                   "encryption now, so the password was not sent. If the server "
                   "really dropped TLS, remove its line from the [Encryption] section "
                   "of the settings file.\n")
                   .arg(host) +
               error.description;
    if (refused && AsksForEncryption(error.description))
        return QStringLiteral("The server requires an encrypted connection: ") + error.description;
    if (error.number == ftp::kErrLoginFailed)
        return QStringLiteral("The server refused the password: ") + error.description;
    if (error.number == ftp::kErrConnectFailed)
        return QStringLiteral("The server refused the connection: ") + error.description;
    return error.description;
}

QString reconnectingText(const QString& server, int attempt, int attempts, const QString& cause) {
    return QStringLiteral("Connection to %1 lost; reconnecting (%2 of %3)...\n%4")
        .arg(server)
        .arg(attempt)
        .arg(attempts)
        .arg(cause);
}
