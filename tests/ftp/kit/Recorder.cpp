#include "Recorder.h"

using namespace ftp;

Recorder::Recorder(FtpClient& ftp) {
    connect(&ftp, &FtpClient::ListingItem, this,
            [this](const QString& name, const QDateTime& date, qint64 size, int kind,
                   const QString& text) {
                items.append({name, kind, size, date, text});
            });
    connect(&ftp, &FtpClient::TransferProgress, this,
            [this, &ftp](const QString&, const QString&, qint64 size, qint64 done, int percent) {
                progress.append({size, done, percent, ftp.State()});
                if (onProgress)
                    onProgress(progress.last());
            });
    connect(&ftp, &FtpClient::SendingFile, this,
            [this](const QString& file) { events << "sending " + file; });
    connect(&ftp, &FtpClient::SkippingFile, this,
            [this](const QString& first, const QString& second, qint32 reason) {
                events << QStringLiteral("skip %1|%2|%3").arg(first, second).arg(reason);
            });
    connect(
        &ftp, &FtpClient::ReplacingFile, this,
        [this](const QString& existing, const QString&, qint64 existingSize, qint64 newSize,
               const QDateTime&, int& answer) {
            events
                << QStringLiteral("replace %1|%2|%3").arg(existing).arg(existingSize).arg(newSize);
            answer = replaceAnswer;
        });
    connect(&ftp, &FtpClient::CommandLogged, this, [this](const QString& line, int direction) {
        log << line;
        logDirections << direction;
    });
    connect(&ftp, &FtpClient::Disconnected, this,
            [this, &ftp] { events << QStringLiteral("disconnected %1").arg(ftp.State()); });
    connect(&ftp, &FtpClient::Reconnecting, this,
            [this](int attempt, int attempts, const QString& cause) {
                events << QStringLiteral("reconnecting %1/%2").arg(attempt).arg(attempts);
                causes << cause;
            });
    connect(&ftp, &FtpClient::AccountRequired, this, [this](QString& a) {
        events << "account?";
        a = account;
    });
    connect(&ftp, &FtpClient::PasswordRequired, this, [this](QString& p) {
        events << "password?";
        p = password;
    });
}

QStringList Recorder::of(const QString& kind) const {
    QStringList out;
    for (const QString& e : events)
        if (e.section(' ', 0, 0) == kind)
            out << e;
    return out;
}

int Recorder::risingPercent(int state) const {
    int last = 0;
    for (const Progress& p : progress) {
        if (p.percent < last || (state >= 0 && p.state != state))
            return -1;
        last = p.percent;
    }
    return last;
}

QStringList Recorder::sent() const {
    QStringList out;
    for (qsizetype i = 0; i < log.size(); ++i)
        if (logDirections.at(i) == kLogSent)
            out << log.at(i);
    return out;
}
