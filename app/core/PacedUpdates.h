#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>

// Holds back the window's many small updates while an operation runs, so drawing them does not
// cost more than the transfer: log lines come out together once a pace, and of the transfer
// statuses and progress values only the latest, at most once a pace. A pace of zero lets
// everything through at once.
class PacedUpdates : public QObject {
    Q_OBJECT
public:
    explicit PacedUpdates(QObject* parent = nullptr);

    void setPace(std::chrono::milliseconds pace);
    // While `holding`, lines wait for the next round; otherwise they come out at once, after any
    // still waiting.
    void addLine(const QString& line, bool holding);
    // Shown at once when none was shown during the last pace, else when the pace is over.
    void setStatus(const QString& text);
    // A status of the operation itself was shown: the waiting one is out of date.
    void dropStatus();
    // Paced as the status is, except that zero shows at once: every operation ends with it,
    // so no value is left waiting once it is over.
    void setProgress(int percent);
    // The latest progress, shown or waiting.
    int progress() const { return m_progress; }
    // Lets the waiting lines out now.
    void flushLines();

signals:
    void linesReady(const QStringList& lines);
    void statusReady(const QString& text);
    void progressReady(int percent);

private:
    // What came through last and when the next may: a value that comes within a pace of the
    // last waits for the timer.
    struct Gate {
        QTimer timer;
        QElapsedTimer since;
    };
    bool mayPass(Gate& gate);
    static void passed(Gate& gate);
    void showStatus(const QString& text);
    void showProgress();

    std::chrono::milliseconds m_pace;
    QStringList m_lines;
    QTimer m_lineTimer;
    QString m_status;
    Gate m_statusGate;
    int m_progress = 0;
    Gate m_progressGate;
};
