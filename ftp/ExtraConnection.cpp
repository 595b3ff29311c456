#include "ExtraConnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Connection.h"
#include "DataChannel.h"
#include "PassiveReply.h"
#include "Session.h"
#include "TlsPolicy.h"

namespace ftp {

ExtraConnection::ExtraConnection(std::shared_ptr<Connection> conn, const Settings& settings,
                                 const Model& model)
    : m_conn(std::move(conn)), m_settings(settings), m_model(model) {
    connect(m_conn.get(), &Connection::changed, this, &ExtraConnection::advance);
    connect(m_conn.get(), &Connection::closed, this,
            [this](const FtpError& why) { end(why.description); });
    m_conn->open(m_settings.host, m_settings.port);
    when([this] { return m_conn->isConnected(); }, [this] { greet(); });
}

ExtraConnection::~ExtraConnection() {
    blockSignals(true);
    m_conn->disconnect(this);
    quit();
}

void ExtraConnection::when(std::function<bool()> ready, std::function<void()> then) {
    m_ready = std::move(ready);
    m_then = std::move(then);
}

void ExtraConnection::ask(const QString& command, std::function<void(const Reply&)> then) {
    const quint64 seq = m_conn->send(command);
    when([this, seq] { return (m_reply = m_conn->takeFinal(seq)).has_value(); },
         [this, then = std::move(then)] { then(*m_reply); });
}

// Runs the next step whenever what it waits for has come; steps set up the one after them.
void ExtraConnection::advance() {
    if (m_advancing)
        return;
    m_advancing = true;
    while (m_ready && m_ready()) {
        m_ready = nullptr;
        std::exchange(m_then, nullptr)();
    }
    m_advancing = false;
}

void ExtraConnection::greet() {
    m_conn->utf8 = true;  // credentials go out as UTF-8, as on the control connection
    const quint64 seq = m_conn->expectGreeting();
    when([this, seq] { return (m_reply = m_conn->takeFinal(seq)).has_value(); },
         [this] {
             if (m_reply->code != 220)
                 return end(m_reply->text());
             m_model.tls ? secure() : logIn();
         });
}

void ExtraConnection::secure() {
    ask(QStringLiteral("AUTH TLS"), [this](const Reply& r) {
        if (r.code != 234)
            return end(r.text());
        m_conn->startTls(tlsConfiguration(m_settings), m_settings.host);
        when([this] { return m_conn->encrypted() || !m_conn->untrusted().isEmpty(); },
             [this] {
                 if (m_conn->encrypted())
                     return logIn();
                 // The user trusted this certificate for the control connection already.
                 if (m_model.certificate.isNull() ||
                     m_conn->peerCertificate().digest(QCryptographicHash::Sha256) !=
                         m_model.certificate.digest(QCryptographicHash::Sha256))
                     return end(QStringLiteral("The server showed another certificate."));
                 m_conn->trustCertificate();
                 when([this] { return m_conn->encrypted(); }, [this] { logIn(); });
             });
    });
}

void ExtraConnection::logIn() {
    ask(QStringLiteral("USER ") + m_settings.user, [this](const Reply& r) {
        if (r.code == 230 || r.code == 202)
            return afterLogin();
        if (r.code != 331 || m_settings.password.isEmpty())
            return end(r.text());
        ask(QStringLiteral("PASS ") + m_settings.password, [this](const Reply& pass) {
            if (pass.code != 230 && pass.code != 202)
                return end(pass.text());
            afterLogin();
        });
    });
}

void ExtraConnection::afterLogin() {
    const auto options = [this] {
        m_conn->utf8 = m_model.utf8;
        m_conn->noEpsv = m_model.noEpsv;
        if (!m_model.utf8)
            return setReady();
        ask(QStringLiteral("OPTS UTF8 ON"), [this](const Reply&) { setReady(); });
    };
    if (!m_model.tls)
        return options();
    ask(QStringLiteral("PBSZ 0"), [this, options](const Reply& r) {
        if (!r.positive())
            return end(r.text());
        ask(QStringLiteral("PROT P"), [this, options](const Reply& prot) {
            if (!prot.positive())
                return end(prot.text());
            m_conn->protectData = true;
            options();
        });
    });
}

void ExtraConnection::setReady() {
    m_wasReady = true;
    m_status = Status::Ready;
    m_conn->setBusy(false);
    emit changed();
}

void ExtraConnection::end(const QString& why) {
    if (m_status == Status::Gone)
        return;
    const bool busy = m_status == Status::Busy;
    m_status = Status::Gone;
    m_ready = nullptr;
    m_then = nullptr;
    if (!m_conn->isClosed()) {
        m_conn->send(QStringLiteral("QUIT"), false);
        m_conn->close(FtpError(kErrConnectionLost, why));
    }
    if (busy) {
        m_source.reset();
        m_target.reset();  // an uncommitted download leaves nothing
        m_result = Result{m_job, Outcome::GiveBack, FtpError(kErrConnectionLost, why)};
    }
    emit changed();
}

void ExtraConnection::quit() {
    end(QStringLiteral("Disconnected."));
    m_result.reset();
}

std::optional<QString> ExtraConnection::folder() const {
    return m_conn->folder;
}

void ExtraConnection::run(const FileJob& job, bool ascii,
                          std::function<const FileJob*()> claimNext) {
    m_job = job;
    m_claimNext = std::move(claimNext);
    m_ascii = ascii;
    m_bytes = 0;
    m_accepted = false;
    m_final.reset();
    m_status = Status::Busy;
    m_conn->setBusy(true);
    enterFolder();
}

void ExtraConnection::enterFolder() {
    if (m_conn->folder == m_job.folder)
        return setType();
    m_conn->folder.reset();
    ask(QStringLiteral("CWD ") + m_job.folder, [this](const Reply& r) {
        if (!r.positive())
            return fail(serverError(r));
        m_conn->folder = m_job.folder;
        setType();
    });
}

void ExtraConnection::setType() {
    const QString want = m_ascii ? QStringLiteral("A") : QStringLiteral("I");
    if (m_conn->type == want)
        return openData(!m_conn->noEpsv);
    m_conn->type.clear();
    ask(QStringLiteral("TYPE ") + want, [this, want](const Reply& r) {
        if (!r.positive())
            return fail(serverError(r));
        m_conn->type = want;
        openData(!m_conn->noEpsv);
    });
}

QString ExtraConnection::command() const {
    return m_job.upload ? QStringLiteral("STOR ") + m_job.temporary
                        : QStringLiteral("RETR ") + m_job.name;
}

void ExtraConnection::openData(bool extended) {
    const auto withPort = [this, extended](const Reply& r) {
        if (extended && r.code / 100 == 5) {
            m_conn->noEpsv = true;
            return openData(false);
        }
        const auto port = r.code == 229   ? parseEpsvPort(r.text())
                          : r.code == 227 ? parsePasvPort(r.text())
                                          : std::nullopt;
        if (!port)
            return giveBack(serverError(r));
        m_conn->epsvWorked = m_conn->epsvWorked || r.code == 229;
        startTransfer(*port);
    };
    if (const std::optional<Connection::Ahead> a = m_conn->takeAhead(command())) {
        const std::optional<quint64> sent = a->commandSeq;
        when([this, a] { return (m_reply = m_conn->takeFinal(a->passive)).has_value(); },
             [this, sent, extended, withPort] {
                 const Reply r = *std::exchange(m_reply, std::nullopt);
                 const auto port = r.code == 229 ? parseEpsvPort(r.text()) : std::nullopt;
                 if (port)
                     return startTransfer(*port, sent);
                 if (!sent)
                     return withPort(r);
                 // Refused without a data port: the command fails too, and leaves nothing.
                 when([this, sent] { return m_conn->takeFinal(*sent).has_value(); },
                      [this, extended] { openData(extended); });
             });
        // Its reply may be here already: no change of the connection would announce it.
        return advance();
    }
    ask(extended ? QStringLiteral("EPSV") : QStringLiteral("PASV"), withPort);
}

void ExtraConnection::startTransfer(quint16 port, std::optional<quint64> sent) {
    DataChannel* d = m_conn->newDataChannel();
    if (m_job.upload) {
        m_source = std::make_unique<QFile>(m_job.localPath);
        if (!m_source->open(QIODevice::ReadOnly))
            return fail(
                FtpError(kErrLocalFile, QStringLiteral("Cannot open the local file '%1': %2")
                                            .arg(m_job.localPath, m_source->errorString())));
        d->upload(m_source.get(), m_ascii, m_job.size);
    } else {
        QDir().mkpath(QFileInfo(m_job.localPath).absolutePath());
        m_target = std::make_unique<QSaveFile>(m_job.localPath);
        if (!m_target->open(QIODevice::WriteOnly))
            return fail(
                FtpError(kErrLocalFile, QStringLiteral("Cannot write the local file '%1': %2")
                                            .arg(m_job.localPath, m_target->errorString())));
        d->download(
            [this](const QByteArray& bytes) { return m_target->write(bytes) == bytes.size(); },
            m_ascii);
    }
    m_conn->setDataActive(true);
    d->connectTo(m_conn->peerAddress(), port);
    // Sent at once: the command's reply and the data connection's opening overlap.
    m_transferSeq = sent ? *sent : m_conn->send(command());
    // The server may have made the target as it took the command.
    m_accepted = sent.has_value();
    when(
        [this] {
            DataChannel* data = m_conn->dataChannel();
            if (!m_final)
                m_final = m_conn->takeFinal(m_transferSeq);
            if (m_conn->takePreliminary(m_transferSeq) || (m_final && m_final->positive())) {
                m_accepted = true;
                data->release();
            }
            m_bytes = data->bytes();
            return data->error() || (m_final && (!m_final->positive() || data->finished()));
        },
        [this] { transferred(); });
}

void ExtraConnection::transferred() {
    DataChannel* d = m_conn->dataChannel();
    const std::optional<QString> dataError = d->error();
    const bool localError = d->localError();
    const qint64 received = d->bytes();
    m_conn->dropDataChannel();
    m_source.reset();
    if (m_final && !m_final->positive()) {
        if ((m_final->code == 425 || m_final->code == 426) && received == 0)
            return giveBack(serverError(*m_final));
        return fail(serverError(*m_final));
    }
    if (dataError) {
        m_conn->send(QStringLiteral("ABOR"), false);
        m_conn->forgetPending();
        if (localError)
            return fail(FtpError(kErrLocalFile, *dataError));
        return giveBack(FtpError(kErrDataConnection, *dataError));
    }
    if (m_job.upload)
        return rename(false);
    if (m_job.sized && !m_ascii && received != m_job.size)
        return fail(FtpError(kErrDataConnection,
                             QStringLiteral("The server sent %1 bytes of '%2' instead of %3.")
                                 .arg(received)
                                 .arg(m_job.shown)
                                 .arg(m_job.size)));
    if (!m_target->flush() || m_target->error() != QFileDevice::NoError || !m_target->commit())
        return fail(FtpError(kErrLocalFile, QStringLiteral("Cannot write the local file '%1': %2")
                                                .arg(m_job.localPath, m_target->errorString())));
    m_target.reset();
    finish(Outcome::Done);
}

void ExtraConnection::rename(bool retry) {
    // Both at once: one round trip. Should RNFR fail, the server refuses the RNTO too.
    const quint64 from = m_conn->send(QStringLiteral("RNFR ") + m_job.temporary);
    const quint64 to = m_conn->send(QStringLiteral("RNTO ") + m_job.name);
    // The next file's EPSV and STOR go in the same round trip.
    if (const FileJob* next = !retry && m_claimNext ? m_claimNext() : nullptr)
        sendAheadFor(*m_conn, *next);
    auto toReply = std::make_shared<std::optional<Reply>>();
    m_reply.reset();
    when(
        [this, from, to, toReply] {
            if (!m_reply)
                m_reply = m_conn->takeFinal(from);
            if (m_reply && m_reply->code != 350)
                return true;
            if (!*toReply)
                *toReply = m_conn->takeFinal(to);
            return toReply->has_value();
        },
        [this, retry, toReply] {
            const Reply r = *std::exchange(m_reply, std::nullopt);
            if (r.code != 350)
                return fail(serverError(r));
            const Reply& to = **toReply;
            if (to.positive())
                return finish(Outcome::Done);
            if (retry || !m_job.replacing)
                return fail(serverError(to));
            // Some servers (IIS) will not rename over an existing file.
            ask(QStringLiteral("DELE ") + m_job.name, [this](const Reply& dele) {
                if (!dele.positive())
                    return fail(serverError(dele));
                m_accepted = false;  // the new version is all there is now: keep it
                rename(true);
            });
        });
}

void ExtraConnection::finish(Outcome outcome, const FtpError& error) {
    if (outcome == Outcome::Failed && m_job.upload && m_accepted)
        m_conn->send(QStringLiteral("DELE ") + m_job.temporary, false);
    m_conn->dropDataChannel();
    m_source.reset();
    m_target.reset();
    m_result = Result{m_job, outcome, error};
    m_status = Status::Ready;
    m_conn->setBusy(false);
    emit changed();
}

void ExtraConnection::giveBack(const FtpError& why) {
    // This connection cannot move files; the others take the file over.
    end(why.description);
}

bool ExtraConnection::settled() const {
    return m_conn->isClosed() || m_conn->idle();
}

void ExtraConnection::abandon() {
    if (m_status != Status::Busy)
        return;
    m_ready = nullptr;
    m_then = nullptr;
    if (m_conn->dataChannel()) {
        m_conn->dropDataChannel();
        m_conn->send(QStringLiteral("ABOR"), false);
    }
    if (m_job.upload)
        m_conn->send(QStringLiteral("DELE ") + m_job.temporary, false);
    m_conn->forgetPending();
    m_conn->folder.reset();
    m_conn->type.clear();
    m_source.reset();
    m_target.reset();
    m_result.reset();
    m_status = Status::Ready;
    m_conn->setBusy(false);
}

}  // namespace ftp
