// The control connection's byte stream as a hostile server might send it: any bytes, in pieces
// of any size; then what the component reads out of each reply.
#include "PassiveReply.h"
#include "Reply.h"
#include "ReplyParser.h"
#include "Session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t piece = 1 + data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    ftp::ReplyParser parser;
    for (qsizetype i = 0; i < bytes.size(); i += qsizetype(piece)) {
        parser.feed(bytes.mid(i, qsizetype(piece)));
        while (parser.hasReply()) {
            const ftp::RawReply raw = parser.takeReply();
            if (raw.lines.isEmpty() || (raw.code != 0 && (raw.code < 100 || raw.code > 599)))
                __builtin_trap();
            ftp::Reply reply{raw.code, {}};
            for (const QByteArray& line : raw.lines) {
                if (line.size() > ftp::ReplyParser::kMaxLine)
                    __builtin_trap();
                reply.lines << QString::fromUtf8(line);
            }
            const QString text = reply.text();
            ftp::parseQuotedPath(reply.lines.join('\n'));
            ftp::parseEpsvPort(text);
            ftp::parsePasvPort(text);
        }
    }
    return 0;
}
