#include "AsciiConverter.h"

namespace ftp {

QByteArray AsciiConverter::convert(const QByteArray& chunk) {
    QByteArray out;
    out.reserve(chunk.size() + chunk.size() / 16 + 2);
    if (m_direction == ToNetwork) {
        for (const char c : chunk) {
            if (c == '\n' && !m_pendingCr)
                out.append('\r');
            out.append(c);
            m_pendingCr = c == '\r';
        }
        return out;
    }
    for (const char c : chunk) {
        if (m_pendingCr && c != '\n')
            out.append('\r');
        m_pendingCr = c == '\r';
        if (!m_pendingCr)
            out.append(c);
    }
    return out;
}

QByteArray AsciiConverter::finish() {
    const bool held = m_direction == ToLocal && m_pendingCr;
    m_pendingCr = false;
    return held ? QByteArray("\r") : QByteArray();
}

}  // namespace ftp
