#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Connection.h"
#include "Notifier.h"
#include "OpContext.h"
#include "Reply.h"
#include "Settings.h"

namespace ftp {

class ConnectionPool;

// A server reply that refused a command, as the error the operation throws.
FtpError serverError(const Reply& reply);

// One operation's access to the connection: commands that wait for their reply, the
// notifications, and the settings it started with. Everything checks the operation first, so
// nothing touches the connection once the operation was aborted or the component is gone.
class Session {
public:
    Session(std::shared_ptr<OpContext> ctx, QPointer<FtpClient> client, Settings settings,
            std::shared_ptr<Connection> conn)
        : m_ctx(std::move(ctx)),
          m_notify(client, *m_ctx),
          m_settings(std::move(settings)),
          m_conn(std::move(conn)) {}

    void attach(std::shared_ptr<Connection> conn) { m_conn = std::move(conn); }
    // How the component opens a new connection and logs in for this operation; throws when
    // that fails. Only operations that reconnect have one.
    void setReopen(std::function<void(Session&)> reopen) { m_reopen = std::move(reopen); }
    bool reconnects() const { return bool(m_reopen); }
    // The session's extra connections, for transfers that move files at once.
    void setPool(ConnectionPool* pool) { m_pool = pool; }
    ConnectionPool* pool() const { return m_pool; }
    void reopen() { m_reopen(*this); }
    // The folder the connection was last known to be in, also after the connection closed.
    std::optional<QString> lastFolder() const {
        return !m_conn ? std::nullopt : m_conn->home ? m_conn->home : m_conn->folder;
    }
    Connection& conn() const;
    OpContext& ctx() const { return *m_ctx; }
    Notifier& notify() { return m_notify; }
    const Settings& settings() const { return m_settings; }
    // The operation may still use the connection: not aborted, not failed, still open.
    bool usable() const { return !m_ctx->failed() && m_conn && !m_conn->isClosed(); }

    // Sends `line` and waits for its final reply.
    Reply command(const QString& line);
    // Waits for the final reply to what was sent as `seq`.
    Reply await(quint64 seq);
    // Like command, but a reply other than 2xx (or 3xx with `intermediateOk`) is thrown.
    Reply require(const QString& line, bool intermediateOk = false);
    // Sends TYPE when the transfer mode in force differs.
    void ensureType(bool ascii);
    // PWD; the folder is also remembered on the connection.
    QString printWorkingFolder();
    // The current folder, from the connection's memory or PWD.
    QString currentFolder();

private:
    std::shared_ptr<OpContext> m_ctx;
    Notifier m_notify;
    Settings m_settings;
    std::shared_ptr<Connection> m_conn;
    std::function<void(Session&)> m_reopen;
    ConnectionPool* m_pool = nullptr;
};

// The path in a 257 reply: the text between the first quote and its closing quote, with
// doubled quotes standing for one (RFC 959 appendix II). Empty when the reply has none.
QString parseQuotedPath(const QString& replyText);

}  // namespace ftp
