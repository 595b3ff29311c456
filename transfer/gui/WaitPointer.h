#pragma once

#include <QCursor>
#include <QPointer>
#include <QWidget>

// Shows the wait pointer over a window for its lifetime; every way out of a long operation
// restores the pointer the window had. Dialogs opened meanwhile keep their normal pointer.
class WaitPointer {
public:
    explicit WaitPointer(QWidget* window)
        : m_window(window),
          m_hadCursor(window && window->testAttribute(Qt::WA_SetCursor)),
          m_previous(window ? window->cursor() : QCursor()) {
        if (m_window)
            m_window->setCursor(Qt::WaitCursor);
    }
    ~WaitPointer() {
        if (!m_window)
            return;
        if (m_hadCursor)
            m_window->setCursor(m_previous);
        else
            m_window->unsetCursor();
    }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;

private:
    QPointer<QWidget> m_window;
    bool m_hadCursor;
    QCursor m_previous;
};
