#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

#include "FtpClient.h"

// Records every notification of an FTP component, and answers the by-reference ones.
class Recorder : public QObject {
    Q_OBJECT
public:
    struct Item {
        QString name;
        QDateTime date;
        qint64 size;
        int kind;
        QString text;
    };
    struct Progress {
        QString file, second;
        qint64 size, done;
        int percent;
        int state;  // the component's State during the notification
    };
    struct Skip {
        QString first, second;
        qint32 reason;
    };
    struct Replace {
        QString existing, incoming;
        qint64 existingSize, newSize;
    };

    explicit Recorder(ftp::FtpClient& ftp);

    QList<Item> items;
    QList<Progress> progress;
    QStringList sending;
    QList<Skip> skips;
    QList<Replace> replaces;
    QStringList log;  // CommandLogged lines
    QList<int> logDirections;
    int disconnected = 0;
    int stateAtDisconnected = -1;

    int replaceAnswer = 1;
    QString account, password;  // answers to AccountRequired and PasswordRequired
    int accountAsked = 0, passwordAsked = 0;
    // Runs inside each TransferProgress / SendingFile, for tests that act mid-operation.
    std::function<void(const Progress&)> onProgress;
    std::function<void(const QString&)> onSending;

    bool logged(const QString& line) const { return log.contains(line); }
    QStringList sent() const;  // the commands only

private:
    ftp::FtpClient& m_ftp;
};
