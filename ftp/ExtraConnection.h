#pragma once

#include <QObject>
#include <QSaveFile>
#include <QSslCertificate>
#include <functional>
#include <memory>
#include <optional>

#include "FileJob.h"
#include "FtpError.h"
#include "Reply.h"
#include "Settings.h"

class QFile;

namespace ftp {

class Connection;

// A connection besides the control connection that moves whole files for SendFiles and
// ReceiveFiles. It is driven by its sockets' events alone, so several of them and the
// operation's own connection all progress in the one event loop. It logs in as the control
// connection did: TLS when that one is encrypted, trusting the same certificate without asking
// again (a different one ends it), the same UTF-8 choice, passive data connections only.
// Anything that goes wrong before it is ready ends it quietly: the server may allow fewer
// connections than asked for.
class ExtraConnection : public QObject {
    Q_OBJECT
public:
    // What the control connection settled on.
    struct Model {
        bool tls = false;
        QSslCertificate certificate;
        bool utf8 = false;
        bool noEpsv = false;
    };
    enum class Status { LoggingIn, Ready, Busy, Gone };
    enum class Outcome { Done, GiveBack, Failed };
    struct Result {
        FileJob job;
        Outcome outcome = Outcome::Done;
        FtpError error;  // Failed: why the operation must stop; GiveBack: what cut the file
    };

    ExtraConnection(std::shared_ptr<Connection> conn, const Settings& settings, const Model& model);
    ~ExtraConnection() override;

    Status status() const { return m_status; }
    // Gone before it was ever ready: the server did not take another connection.
    bool refused() const { return m_status == Status::Gone && !m_wasReady; }
    // Ready: moves `job` in `ascii` or binary mode. Its end is taken with takeResult. A send
    // calls `claimNext` as it renames the file, to learn whether another one follows here.
    void run(const FileJob& job, bool ascii, std::function<const FileJob*()> claimNext = {});
    qint64 bytes() const { return m_bytes; }  // of the running job, for progress
    std::optional<QString> folder() const;    // the current remote folder, when known
    std::optional<Result> takeResult() { return std::exchange(m_result, std::nullopt); }
    // Stops the running job (the operation ends): ABOR and the removal of its temporary go to the
    // server, and the connection stays for the next operation.
    void abandon();
    // Nothing it sent is still unanswered (an abandoned job's ABOR and DELE included).
    bool settled() const;
    void quit();

signals:
    // The status changed or a job ended: the operation should look again.
    void changed();

private:
    void when(std::function<bool()> ready, std::function<void()> then);
    void ask(const QString& command, std::function<void(const Reply&)> then);
    void advance();

    void greet();
    void secure();
    void logIn();
    void afterLogin();
    void setReady();
    void end(const QString& why);

    void enterFolder();
    void setType();
    QString command() const;  // the job's transfer command
    void openData(bool extended);
    // `sent`: the command went ahead with its EPSV.
    void startTransfer(quint16 port, std::optional<quint64> sent = std::nullopt);
    void transferred();
    void rename(bool retry);
    void finish(Outcome outcome, const FtpError& error = FtpError(0, QString()));
    void fail(const FtpError& error) { finish(Outcome::Failed, error); }
    void giveBack(const FtpError& why);

    std::shared_ptr<Connection> m_conn;
    Settings m_settings;
    Model m_model;
    Status m_status = Status::LoggingIn;
    bool m_wasReady = false;
    std::function<bool()> m_ready;
    std::function<void()> m_then;
    bool m_advancing = false;
    std::optional<Reply> m_reply;

    std::function<const FileJob*()> m_claimNext;
    FileJob m_job;
    bool m_ascii = false;
    quint64 m_transferSeq = 0;
    std::optional<Reply> m_final;
    bool m_accepted = false;
    qint64 m_bytes = 0;
    std::unique_ptr<QFile> m_source;
    std::unique_ptr<QSaveFile> m_target;
    std::optional<Result> m_result;
};

}  // namespace ftp
