#pragma once

#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QStringList>
#include <functional>

#include "FtpClient.h"

// Records the notifications of an FTP component, and answers the by-reference ones.
class Recorder : public QObject {
    Q_OBJECT
public:
    struct Progress {
        qint64 size, done;
        int percent;
        int state;  // the component's State during the notification
    };

    explicit Recorder(ftp::FtpClient& ftp);

    QList<ftp::FolderItem> items;  // ListingItem
    QList<Progress> progress;
    // The other notifications, in order: "sending LOCAL", "skip FIRST|SECOND|REASON", "replace
    // EXISTING|EXISTINGSIZE|NEWSIZE", "password?", "account?", "disconnected STATE",
    // "reconnecting ATTEMPT/ATTEMPTS".
    QStringList events;
    QStringList causes;        // Reconnecting's causes
    QStringList log;           // CommandLogged lines
    QList<int> logDirections;  // and their directions

    int replaceAnswer = 1;
    QString account, password;  // answers to AccountRequired and PasswordRequired
    // Runs inside each TransferProgress, for tests that act mid-operation.
    std::function<void(const Progress&)> onProgress;

    QStringList of(const QString& kind) const;  // the events of one kind
    // The last percent in `progress`; -1 when a percent went back or came in another state than
    // `state` (any with -1).
    int risingPercent(int state = -1) const;
    bool logged(const QString& line) const { return log.contains(line); }
    QStringList sent() const;  // the commands only
    qsizetype sentMatching(const QString& pattern) const {
        return sent().filter(QRegularExpression(pattern)).size();
    }
};
