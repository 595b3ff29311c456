#include "ReplyParser.h"

#include "Reply.h"

namespace ftp {

namespace {

// The code of a line that begins with three digits, else 0.
int leadingCode(const QByteArray& line) {
    if (line.size() < 3)
        return 0;
    for (int i = 0; i < 3; ++i)
        if (line.at(i) < '0' || line.at(i) > '9')
            return 0;
    if (line.at(0) < '1' || line.at(0) > '5')
        return 0;
    return (line.at(0) - '0') * 100 + (line.at(1) - '0') * 10 + (line.at(2) - '0');
}

}  // namespace

QString Reply::text() const {
    QStringList parts;
    for (const QString& l : lines) {
        QString t = l;
        if (t.size() >= 3 && t.at(0).isDigit() && t.at(1).isDigit() && t.at(2).isDigit())
            t = t.mid(t.size() > 3 && (t.at(3) == ' ' || t.at(3) == '-') ? 4 : 3);
        t = t.trimmed();
        if (!t.isEmpty())
            parts << t;
    }
    return parts.join(' ');
}

void ReplyParser::feed(const QByteArray& bytes) {
    if (!m_error.isEmpty())
        return;
    m_buffer.append(bytes);
    qsizetype start = 0;
    while (m_error.isEmpty()) {
        const qsizetype end = m_buffer.indexOf('\n', start);
        if (end < 0)
            break;
        qsizetype stop = end;
        if (stop > start && m_buffer.at(stop - 1) == '\r')
            --stop;
        if (stop - start > kMaxLine) {
            m_error =
                QStringLiteral("The server sent a reply line longer than %1 bytes.").arg(kMaxLine);
            break;
        }
        line(m_buffer.mid(start, stop - start));
        start = end + 1;
    }
    m_buffer.remove(0, start);
    if (m_error.isEmpty() && m_buffer.size() > kMaxLine)
        m_error =
            QStringLiteral("The server sent a reply line longer than %1 bytes.").arg(kMaxLine);
    if (!m_error.isEmpty())
        m_buffer.clear();
}

void ReplyParser::line(QByteArray text) {
    const int code = leadingCode(text);
    if (m_inMultiLine) {
        m_open.lines.append(text);
        if (code == m_open.code && (text.size() == 3 || text.at(3) == ' ')) {
            m_replies.append(std::move(m_open));
            m_open = {};
            m_inMultiLine = false;
        } else if (m_open.lines.size() > kMaxReplyLines) {
            m_error = QStringLiteral("The server sent a reply of more than %1 lines.")
                          .arg(kMaxReplyLines);
        }
        return;
    }
    if (code == 0) {
        if (++m_noise > kMaxReplyLines)
            m_error = QStringLiteral("The server sent more than %1 lines outside any reply.")
                          .arg(kMaxReplyLines);
        else if (!text.isEmpty())
            m_replies.append({0, {text}});
        return;
    }
    m_noise = 0;
    RawReply r;
    r.code = code;
    r.lines.append(text);
    if (text.size() >= 4 && text.at(3) == '-') {
        m_open = std::move(r);
        m_inMultiLine = true;
    } else {
        m_replies.append(std::move(r));
    }
}

RawReply ReplyParser::takeReply() {
    return m_replies.takeFirst();
}

}  // namespace ftp
