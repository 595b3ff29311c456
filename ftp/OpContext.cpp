#include "OpContext.h"

#include <QEventLoop>
#include <QTimer>

namespace ftp {

void OpContext::wait(const std::function<bool()>& done) {
    check();
    while (true) {
        // `done` may raise notifications whose handlers run event loops of their own; what
        // happens meanwhile must not be slept through.
        m_woken = false;
        if (poll)
            poll();
        if (done())
            return;
        check();
        if (m_woken)
            continue;
        QEventLoop loop;
        QEventLoop* outer = std::exchange(m_loop, &loop);
        loop.exec();
        m_loop = outer;
        check();
    }
}

void OpContext::wake() {
    m_woken = true;
    if (m_loop)
        m_loop->quit();
}

void OpContext::fail(const FtpError& error) {
    if (!m_failure)
        m_failure = error;
    wake();
}

void OpContext::end(const FtpError& error) {
    if (!m_ended)
        m_failure = error;
    m_ended = true;
    wake();
}

bool OpContext::recover() {
    if (m_ended)
        return false;
    m_failure.reset();
    return true;
}

void OpContext::pause(int ms) {
    bool due = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        due = true;
        wake();
    });
    timer.start(ms);
    wait([&] { return due; });
}

}  // namespace ftp
