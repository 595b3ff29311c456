#include "OpContext.h"

#include <QEventLoop>

namespace ftp {

void OpContext::wait(const std::function<bool()>& done) {
    check();
    while (!done()) {
        QEventLoop loop;
        QEventLoop* outer = std::exchange(m_loop, &loop);
        loop.exec();
        m_loop = outer;
        check();
    }
}

void OpContext::wake() {
    if (m_loop)
        m_loop->quit();
}

void OpContext::fail(const FtpError& error) {
    if (!m_failure)
        m_failure = error;
    wake();
}

}  // namespace ftp
