#include "PassiveReply.h"

#include <QRegularExpression>
#include <QStringList>

namespace ftp {

std::optional<quint16> parseEpsvPort(const QString& text) {
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.indexOf(')', open + 1);
    if (open < 0 || close < open + 6)
        return std::nullopt;
    const QString inner = text.mid(open + 1, close - open - 1);
    const QChar d = inner.at(0);
    const QStringList parts = inner.split(d);
    // "|||6446|" splits into "", "", "", "6446", "".
    if (parts.size() != 5 || !parts[1].isEmpty() || !parts[2].isEmpty() || !parts[4].isEmpty())
        return std::nullopt;
    bool ok = false;
    const uint port = parts[3].toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

std::optional<quint16> parsePasvPort(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral(R"((\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}),(\d{1,3}))"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    for (int i = 1; i <= 6; ++i)
        if (m.captured(i).toUInt() > 255)
            return std::nullopt;
    const uint port = m.captured(5).toUInt() * 256 + m.captured(6).toUInt();
    if (port == 0)
        return std::nullopt;
    return quint16(port);
}

}  // namespace ftp
