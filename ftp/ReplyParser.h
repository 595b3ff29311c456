#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace ftp {

// One raw reply as it arrived: code and undecoded lines (line ends removed). Code 0 marks a
// noise line: text outside any reply, passed on only to be logged.
struct RawReply {
    int code = 0;
    QList<QByteArray> lines;
};

// Splits the control connection's byte stream into replies (RFC 959 4.2): a single line
// "123 text", or "123-text" ... up to a line beginning "123 ". Lines outside a reply that do not
// begin with a code are passed on as noise, in stream order. Oversized lines, replies and runs
// of noise are a protocol error: a hostile server must not make the client buffer or log
// without bound.
class ReplyParser {
public:
    static constexpr int kMaxLine = 64 * 1024;
    static constexpr int kMaxReplyLines = 4096;

    // Adds received bytes; complete replies and noise lines become available.
    void feed(const QByteArray& bytes);
    bool hasReply() const { return !m_replies.isEmpty(); }
    // Nothing received is left: no reply, no part of one.
    bool drained() const { return m_replies.isEmpty() && m_buffer.isEmpty() && !m_inMultiLine; }
    RawReply takeReply();
    // Set once the stream broke the limits; nothing further is parsed.
    QString error() const { return m_error; }

private:
    void line(QByteArray text);

    QByteArray m_buffer;
    RawReply m_open;  // a multi-line reply still waiting for its last line
    bool m_inMultiLine = false;
    int m_noise = 0;  // noise lines since the last reply
    QList<RawReply> m_replies;
    QString m_error;
};

}  // namespace ftp
