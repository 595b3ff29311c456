#include "FtpComponent.h"

#include "Connection.h"
#include "FolderOps.h"
#include "ListOps.h"
#include "Login.h"
#include "OpContext.h"
#include "ReceiveOps.h"
#include "SendOps.h"
#include "Session.h"

namespace ftp {

FtpComponent::FtpComponent(QObject* parent)
    : FtpClient(parent),
      m_pool([this] { return makeConnection(); },
             [this] {
                 if (m_op)
                     m_op->wake();
             }) {}

FtpComponent::~FtpComponent() {
    m_pool.closeAll();
    // A waiting operation learns it is over and unwinds without touching this object.
    if (m_op)
        std::exchange(m_op, nullptr)
            ->end(FtpError(kErrConnectionLost, QStringLiteral("The FTP component was closed.")));
    if (m_conn) {
        m_conn->disconnect(this);
        if (m_established)
            m_conn->send(QStringLiteral("QUIT"), false);
        m_conn->close(FtpError(kErrConnectionLost, QStringLiteral("Closed.")));
    }
}

void FtpComponent::setTimeout(int seconds) {
    m_timeout = qMax(1, seconds);
    if (m_conn)
        m_conn->setTimeout(m_timeout);
}

void FtpComponent::setKeepAliveInterval(int seconds) {
    m_keepAlive = qMax(0, seconds);
    if (m_conn)
        m_conn->setKeepAlive(m_keepAlive);
}

namespace {

// How long a disconnection waits for extra connections still cleaning up after an abort.
constexpr int kSettleMs = 1000;

bool worksInCurrentFolder(int state) {
    switch (state) {
        case kChangingFolder:
        case kListing:
        case kCreatingFolder:
        case kDeleting:
        case kRenaming:
        case kRemovingFolder:
        case kReadingFolder:
        case kReceivingFile:
            return true;
        default:
            return false;
    }
}

}  // namespace

void FtpComponent::run(int state, bool needsConnection, const std::function<void(Session&)>& body) {
    if (m_op)
        throw FtpError(kErrBusy, QStringLiteral("Another FTP operation is running."));
    if (needsConnection && !m_established)
        throw FtpError(kErrNotConnected, QStringLiteral("Not connected to a server."));
    auto ctx = std::make_shared<OpContext>();
    m_op = ctx;
    m_abortRequested = false;
    m_state = state;
    m_log.hold(true);
    if (m_conn)
        m_conn->setBusy(true);
    Session session(ctx, QPointer<FtpClient>(this), m_settings, m_conn);
    session.setPool(&m_pool);
    const QPointer<FtpComponent> self(this);
    try {
        // Sends and folder receives name every folder from the root; the rest work in the
        // caller's current folder.
        if (m_conn && m_established && worksInCurrentFolder(state))
            settleFolder(session);
        if (m_conn && state != kSendingFile && state != kSendingFiles)
            m_conn->madeFolders.clear();
        body(session);
    } catch (...) {
        if (self)
            finish(ctx);
        throw;
    }
    if (self)
        finish(ctx);
}

void FtpComponent::runReconnecting(int state, const std::function<void(Session&)>& body) {
    run(state, true, [&](Session& s) {
        s.ctx().reconnects = true;
        s.setReopen([this](Session& session) {
            openAndLogIn(session);
            m_established = true;
            m_disconnectDue = false;
        });
        body(s);
    });
}

void FtpComponent::finish(const std::shared_ptr<OpContext>& ctx) {
    m_log.hold(false);
    if (m_op != ctx)
        return;  // aborted or cut off: that path has set the state already
    m_op.reset();
    if (m_conn && !m_conn->isClosed()) {
        m_conn->forgetPending();
        m_conn->dropDataChannel();
        m_conn->setBusy(false);
    }
    m_state = m_established ? kIdle : kNotConnected;
    // A reconnecting operation that gave up reports the end of the connection now.
    if (std::exchange(m_disconnectDue, false)) {
        m_pool.closeAll();
        emit Disconnected();
    }
}

void FtpComponent::setAbortRequested(bool abort) {
    if (!abort)
        return;
    if (!m_op) {
        if (!m_established)
            throw FtpError(kErrNotConnected, QStringLiteral("There is no operation to abort."));
        return;
    }
    m_abortRequested = true;
    m_pool.abandonAll();
    const std::shared_ptr<OpContext> ctx = std::exchange(m_op, nullptr);
    const std::shared_ptr<Connection> conn = m_conn;
    const int state = m_state;
    // Not established: connecting, or reconnecting within a transfer.
    if (state == kDisconnecting || !m_established || !conn || conn->isClosed()) {
        if (conn)
            conn->close(FtpError(kErrAborted, QStringLiteral("Aborted.")));
        m_state = kNotConnected;
    } else {
        if (conn->dataChannel() || !conn->idle()) {
            conn->dropDataChannel();
            conn->send(QStringLiteral("ABOR"), false);
        }
        for (const QString& command : std::as_const(ctx->cleanup))
            conn->send(command, false);
        conn->forgetPending();
        conn->folder.reset();
        conn->setBusy(false);
        m_state = kIdle;
    }
    ctx->end(FtpError(kErrAborted, QStringLiteral("The operation was aborted.")));
    if (std::exchange(m_disconnectDue, false))
        emit Disconnected();
}

std::shared_ptr<Connection> FtpComponent::makeConnection() {
    std::shared_ptr<Connection> conn(new Connection, [](Connection* c) { c->deleteLater(); });
    Connection* raw = conn.get();
    connect(raw, &Connection::logged, this, &FtpComponent::onLogged);
    connect(raw, &Connection::changed, this, [this] {
        if (m_op)
            m_op->wake();
    });
    connect(raw, &Connection::closed, this,
            [this, raw](const FtpError& why) { onClosed(raw, why); });
    conn->setTimeout(m_timeout);
    conn->setKeepAlive(m_keepAlive);
    return conn;
}

void FtpComponent::onLogged(const QString& line, int direction) {
    m_log.append(m_logPath, line);
    emit CommandLogged(line, direction);
}

void FtpComponent::onClosed(Connection* conn, const FtpError& why) {
    if (m_conn.get() != conn)
        return;
    const bool established = std::exchange(m_established, false);
    m_conn.reset();
    if (m_op && m_op->reconnects) {
        // The operation reconnects, or reports the end when it gives up (see finish).
        m_disconnectDue = m_disconnectDue || established;
        m_op->fail(why);
        return;
    }
    m_state = kNotConnected;
    m_pool.closeAll();
    if (m_op)
        std::exchange(m_op, nullptr)->fail(why);
    if (established)
        emit Disconnected();
}

bool FtpComponent::Encrypted() const {
    return m_established && m_conn && m_conn->protectData;
}

void FtpComponent::Connect() {
    if (m_established)
        throw FtpError(kErrAlreadyConnected, QStringLiteral("Already connected to a server."));
    if (m_settings.host.trimmed().isEmpty())
        throw FtpError(kErrBadArgument, QStringLiteral("No server address is set."));
    run(kConnecting, false, [this](Session& s) {
        openAndLogIn(s);
        m_established = true;
    });
}

void FtpComponent::openAndLogIn(Session& s) {
    m_conn = makeConnection();
    const std::shared_ptr<Connection> conn = m_conn;
    s.attach(conn);
    conn->open(s.settings().host, s.settings().port);
    try {
        s.ctx().wait([&] { return conn->isConnected(); });
        logIn(s);
    } catch (const FtpError&) {
        if (s.usable()) {
            conn->send(QStringLiteral("QUIT"), false);
            conn->close(FtpError(kErrConnectFailed, QStringLiteral("Login failed.")));
        }
        throw;
    }
}

void FtpComponent::Disconnect() {
    if (!m_established)
        return;
    try {
        run(kDisconnecting, true, [this](Session& s) {
            // Right after an abort, extra connections may still be removing the temporary files
            // they were writing: they get a moment to finish before they close.
            for (int waited = 0; !m_pool.settled() && waited < kSettleMs; waited += 20)
                s.ctx().pause(20);
            m_pool.closeAll();
            Connection& c = s.conn();
            const quint64 seq = c.send(QStringLiteral("QUIT"));
            s.ctx().wait([&] { return c.takeFinal(seq).has_value(); });
            c.close(FtpError(0, QStringLiteral("Disconnected.")));
        });
    } catch (const FtpError& e) {
        // However the server goes away, the connection is over.
        if (e.number == kErrBusy)
            throw;
    }
}

QString FtpComponent::CurrentFolder() {
    if (!m_established)
        throw FtpError(kErrNotConnected, QStringLiteral("Not connected to a server."));
    if (m_conn->home)
        return *m_conn->home;
    if (m_conn->folder)
        return *m_conn->folder;
    QString folder;
    run(kReadingFolder, true, [&](Session& s) { folder = s.printWorkingFolder(); });
    return folder;
}

void FtpComponent::ChangeToParentFolder() {
    run(kChangingFolder, true, [](Session& s) { changeToParentFolder(s); });
}

void FtpComponent::ChangeFolder(const QString& path) {
    run(kChangingFolder, true, [&](Session& s) { changeFolder(s, path); });
}

void FtpComponent::CreateFolder(const QString& path) {
    run(kCreatingFolder, true, [&](Session& s) { createFolder(s, path); });
}

void FtpComponent::DeleteFile(const QString& name) {
    run(kDeleting, true, [&](Session& s) { deleteFile(s, name); });
}

void FtpComponent::RemoveFolder(const QString& name) {
    run(kRemovingFolder, true, [&](Session& s) { removeFolder(s, name); });
}

void FtpComponent::RenameFile(const QString& oldName, const QString& newName) {
    run(kRenaming, true, [&](Session& s) { renameFile(s, oldName, newName); });
}

void FtpComponent::ListFolder(const QString& mask) {
    runReconnecting(kListing, [&](Session& s) {
        // Entries are read in full first: a handler that aborts stops the reports, not a
        // half-read listing.
        QList<ListingEntry> entries;
        listMatching(s, mask, s.settings().listingOption,
                     [&](const ListingEntry& e) { entries.append(e); });
        for (const ListingEntry& e : std::as_const(entries))
            s.notify().listingItem(e.name, e.date, e.size, e.kind, e.raw);
    });
}

FolderItems FtpComponent::GetFolderItems(const QString& mask, qint32 option) {
    FolderItems items;
    runReconnecting(kListing, [&](Session& s) {
        listMatching(s, mask, option, [&](const ListingEntry& e) {
            items.append(FolderItem{e.name, e.kind, e.size, e.date, e.raw});
        });
    });
    return items;
}

void FtpComponent::SendFile(const QString& localPath, qint32, const QString& remotePath,
                            bool flag) {
    runReconnecting(kSendingFile, [&](Session& s) { sendFile(s, localPath, remotePath, flag); });
}

void FtpComponent::SendFiles(const QString& localMask, const QString& remoteFolder,
                             bool includeSubfolders, bool flag) {
    runReconnecting(kSendingFiles, [&](Session& s) {
        sendFiles(s, localMask, remoteFolder, includeSubfolders, flag);
    });
}

void FtpComponent::ReceiveFile(const QString& remoteName, qint32, const QString& localPath) {
    runReconnecting(kReceivingFile, [&](Session& s) { receiveFile(s, remoteName, localPath); });
}

void FtpComponent::ReceiveFiles(const QString& remoteMask, const QString& localFolder,
                                bool includeSubfolders) {
    runReconnecting(kReceivingFiles, [&](Session& s) {
        receiveFiles(s, remoteMask, localFolder, includeSubfolders);
    });
}

}  // namespace ftp
