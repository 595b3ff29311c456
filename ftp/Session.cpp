#include "Session.h"

#include "RemotePath.h"

namespace ftp {

FtpError serverError(const Reply& reply) {
    const QString text = reply.text();
    return FtpError(reply.code, text.isEmpty()
                                    ? QStringLiteral("The server answered %1.").arg(reply.code)
                                    : text);
}

Connection& Session::conn() const {
    m_ctx->check();
    if (!m_conn || m_conn->isClosed())
        throw FtpError(kErrNotConnected, QStringLiteral("Not connected to a server."));
    return *m_conn;
}

Reply Session::command(const QString& line) {
    if (remote_path::unsendable(line))
        throw FtpError(kErrBadArgument,
                       QStringLiteral("A name must not contain line breaks or NUL characters."));
    return await(conn().send(line));
}

Reply Session::await(quint64 seq) {
    Connection& c = conn();
    std::optional<Reply> reply;
    m_ctx->wait([&] { return (reply = c.takeFinal(seq)).has_value(); });
    return *reply;
}

Reply Session::require(const QString& line, bool intermediateOk) {
    Reply r = command(line);
    if (!r.positive() && !(intermediateOk && r.intermediate()))
        throw serverError(r);
    return r;
}

void Session::ensureType(bool ascii) {
    const QString want = ascii ? QStringLiteral("A") : QStringLiteral("I");
    if (conn().type == want)
        return;
    require(QStringLiteral("TYPE ") + want);
    conn().type = want;
}

QString Session::printWorkingFolder() {
    const Reply r = require(QStringLiteral("PWD"));
    const QString path = parseQuotedPath(r.lines.join('\n'));
    if (path.isEmpty())
        throw FtpError(kErrProtocol,
                       QStringLiteral("The server did not name the current folder: ") + r.text());
    conn().folder = path;
    return path;
}

QString Session::currentFolder() {
    if (conn().home)
        return *conn().home;
    if (conn().folder)
        return *conn().folder;
    return printWorkingFolder();
}

QString parseQuotedPath(const QString& replyText) {
    const qsizetype open = replyText.indexOf('"');
    if (open < 0)
        return QString();
    QString path;
    for (qsizetype i = open + 1; i < replyText.size(); ++i) {
        if (replyText.at(i) == '"') {
            if (i + 1 < replyText.size() && replyText.at(i + 1) == '"') {
                path.append('"');
                ++i;
                continue;
            }
            return path;
        }
        path.append(replyText.at(i));
    }
    return QString();  // no closing quote
}

}  // namespace ftp
