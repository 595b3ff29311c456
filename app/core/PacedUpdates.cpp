#include "PacedUpdates.h"

using namespace std::chrono_literals;

PacedUpdates::PacedUpdates(QObject* parent) : QObject(parent), m_pace(100ms) {
    m_lineTimer.setSingleShot(true);
    m_statusTimer.setSingleShot(true);
    connect(&m_lineTimer, &QTimer::timeout, this, &PacedUpdates::flushLines);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] { showStatus(m_status); });
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

void PacedUpdates::setStatus(const QString& text) {
    const std::chrono::milliseconds since(m_sinceStatus.isValid() ? m_sinceStatus.elapsed() : 0);
    if (m_pace == 0ms || !m_sinceStatus.isValid() || since >= m_pace) {
        showStatus(text);
        return;
    }
    m_status = text;
    if (!m_statusTimer.isActive())
        m_statusTimer.start(m_pace - since);
}

void PacedUpdates::dropStatus() {
    m_statusTimer.stop();
    m_status.clear();
    m_sinceStatus.invalidate();
}

void PacedUpdates::showStatus(const QString& text) {
    m_statusTimer.stop();
    m_status.clear();
    m_sinceStatus.start();
    emit statusReady(text);
}
