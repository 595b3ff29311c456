#include "Recorder.h"

Recorder::Recorder(ftp::FtpClient& ftp) : m_ftp(ftp) {
    connect(&ftp, &ftp::FtpClient::ListingItem, this,
            [this](const QString& name, const QDateTime& date, qint64 size, int kind,
                   const QString& text) {
                items.append({name, date, size, kind, text});
            });
    connect(
        &ftp, &ftp::FtpClient::TransferProgress, this,
        [this](const QString& file, const QString& second, qint64 size, qint64 done, int percent) {
            progress.append({file, second, size, done, percent, m_ftp.State()});
            if (onProgress)
                onProgress(progress.last());
        });
    connect(&ftp, &ftp::FtpClient::SendingFile, this,
            [this](const QString& file, const QString&, qint64) {
                sending.append(file);
                if (onSending)
                    onSending(file);
            });
    connect(&ftp, &ftp::FtpClient::SkippingFile, this,
            [this](const QString& first, const QString& second, qint32 reason) {
                skips.append({first, second, reason});
            });
    connect(&ftp, &ftp::FtpClient::ReplacingFile, this,
            [this](const QString& existing, const QString& incoming, qint64 existingSize,
                   qint64 newSize, const QDateTime&, int& answer) {
                replaces.append({existing, incoming, existingSize, newSize});
                answer = replaceAnswer;
            });
    connect(&ftp, &ftp::FtpClient::CommandLogged, this, [this](const QString& line, int dir) {
        log.append(line);
        logDirections.append(dir);
    });
    connect(&ftp, &ftp::FtpClient::Disconnected, this, [this] {
        ++disconnected;
        stateAtDisconnected = m_ftp.State();
    });
    connect(&ftp, &ftp::FtpClient::AccountRequired, this, [this](QString& a) {
        ++accountAsked;
        a = account;
    });
    connect(&ftp, &ftp::FtpClient::PasswordRequired, this, [this](QString& p) {
        ++passwordAsked;
        p = password;
    });
}

QStringList Recorder::sent() const {
    QStringList out;
    for (qsizetype i = 0; i < log.size(); ++i)
        if (logDirections.at(i) == 0)
            out << log.at(i);
    return out;
}
