#include "PacedUpdates.h"

using namespace std::chrono_literals;

PacedUpdates::PacedUpdates(QObject* parent) : QObject(parent), m_pace(100ms) {
    for (QTimer* timer : {&m_lineTimer, &m_statusGate.timer, &m_progressGate.timer})
        timer->setSingleShot(true);
    connect(&m_lineTimer, &QTimer::timeout, this, &PacedUpdates::flushLines);
    connect(&m_statusGate.timer, &QTimer::timeout, this, [this] { showStatus(m_status); });
    connect(&m_progressGate.timer, &QTimer::timeout, this, &PacedUpdates::showProgress);
}

void PacedUpdates::setPace(std::chrono::milliseconds pace) {
    m_pace = pace;
}

void PacedUpdates::addLine(const QString& line, bool holding) {
    m_lines << line;
    if (!holding || m_pace == 0ms)
        flushLines();
    else if (!m_lineTimer.isActive())
        m_lineTimer.start(m_pace);
}

void PacedUpdates::flushLines() {
    m_lineTimer.stop();
    if (!m_lines.isEmpty())
        emit linesReady(std::exchange(m_lines, {}));
}

bool PacedUpdates::mayPass(Gate& gate) {
    const std::chrono::milliseconds since(gate.since.isValid() ? gate.since.elapsed() : 0);
    if (m_pace == 0ms || !gate.since.isValid() || since >= m_pace)
        return true;
    if (!gate.timer.isActive())
        gate.timer.start(m_pace - since);
    return false;
}

void PacedUpdates::passed(Gate& gate) {
    gate.timer.stop();
    gate.since.start();
}

void PacedUpdates::setStatus(const QString& text) {
    if (mayPass(m_statusGate))
        showStatus(text);
    else
        m_status = text;
}

void PacedUpdates::dropStatus() {
    m_statusGate.timer.stop();
    m_status.clear();
    m_statusGate.since.invalidate();
}

void PacedUpdates::showStatus(const QString& text) {
    passed(m_statusGate);
    m_status.clear();
    emit statusReady(text);
}

void PacedUpdates::setProgress(int percent) {
    m_progress = percent;
    if (percent == 0 || mayPass(m_progressGate))
        showProgress();
}

void PacedUpdates::showProgress() {
    passed(m_progressGate);
    emit progressReady(m_progress);
}
