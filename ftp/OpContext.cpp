#include "OpContext.h"

#include <QEventLoop>

namespace ftp {

void OpContext::wait(const std::function<bool()>& done) {
    check();
    while (true) {
        // `done` may raise notifications whose handlers run event loops of their own; what
        // happens meanwhile must not be slept through.
        m_woken = false;
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

}  // namespace ftp
