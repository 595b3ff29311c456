#include "Dispatcher.h"

#include "ConnectionPool.h"
#include "ProgressMeter.h"
#include "Session.h"

namespace ftp {

namespace {

QList<QPointer<ExtraConnection>> extraConnections(Session& s, qsizetype files) {
    const int wanted = int(std::min<qsizetype>(s.settings().connections, files));
    if (wanted < 2 || !s.pool())
        return {};
    return s.pool()->extras(wanted, s.settings(), s.conn());
}

}  // namespace

void openExtraConnections(Session& s, qsizetype files) {
    extraConnections(s, files);
}

Dispatcher::Dispatcher(Session& s, ProgressMeter& meter, QList<FileJob> jobs)
    : m_s(s), m_meter(meter), m_queue(std::move(jobs)) {}

Dispatcher::~Dispatcher() {
    m_s.ctx().poll = nullptr;
    m_s.ctx().claimNext = nullptr;
    for (const QPointer<ExtraConnection>& e : std::as_const(m_extras))
        if (e)
            e->abandon();
}

void Dispatcher::run(const std::function<void(const FileJob&)>& moveOnMain) {
    m_extras = extraConnections(m_s, m_queue.size());
    m_s.ctx().poll = [this] { poll(); };
    m_s.ctx().claimNext = [this] { return claimNext(0, m_s.lastFolder()); };
    while (true) {
        poll();
        if (std::optional<FileJob> job = nextFor(0, m_s.lastFolder())) {
            announce(*job, 0);
            moveOnMain(*job);
            m_meter.complete(job->size, 0);
            continue;
        }
        m_s.ctx().wait(
            [this] { return !m_queue.isEmpty() || m_claimed.contains(0) || !extrasBusy(); });
        if (m_queue.isEmpty() && m_claimed.isEmpty())
            return;
    }
}

const FileJob* Dispatcher::claimNext(int slot, const std::optional<QString>& folder) {
    // A file sent again (after a reconnect) claims nothing more.
    if (!m_claimed.contains(slot)) {
        if (m_queue.isEmpty() || m_error)
            return nullptr;
        m_claimed.insert(slot, takeFor(folder));
    }
    return &*m_claimed.constFind(slot);
}

std::optional<FileJob> Dispatcher::nextFor(int slot, const std::optional<QString>& folder) {
    if (m_claimed.contains(slot))
        return m_claimed.take(slot);
    if (m_queue.isEmpty())
        return std::nullopt;
    return takeFor(folder);
}

// The first file in `folder`, else the first file: a connection changes folder no more than
// it must.
FileJob Dispatcher::takeFor(const std::optional<QString>& folder) {
    const auto here = std::find_if(m_queue.cbegin(), m_queue.cend(),
                                   [&](const FileJob& job) { return job.folder == folder; });
    return m_queue.takeAt(here == m_queue.cend() ? 0 : here - m_queue.cbegin());
}

bool Dispatcher::extrasBusy() const {
    return std::any_of(m_extras.cbegin(), m_extras.cend(), [](const auto& e) {
        return e && e->status() == ExtraConnection::Status::Busy;
    });
}

void Dispatcher::announce(FileJob& job, int slot) {
    if (job.upload && !std::exchange(job.announced, true))
        m_s.notify().sending(job.localPath, job.shown, job.size);
    if (job.upload)
        m_meter.start(job.localPath, job.shown, job.size, slot);
    else
        m_meter.start(job.shown, job.localPath, job.size, slot);
}

// Takes what the extra connections finished, counts their progress and hands them the next
// files. Runs whenever the operation waits.
void Dispatcher::poll() {
    if (std::exchange(m_polling, true))
        return;
    const auto done = qScopeGuard([this] { m_polling = false; });
    const bool ascii = m_s.settings().transferMode == 1;
    for (int i = 0; i < m_extras.size(); ++i) {
        ExtraConnection* e = m_extras.at(i);
        const int slot = i + 1;
        // A connection that ended gives back the file it had set aside.
        if ((!e || e->status() == ExtraConnection::Status::Gone) && m_claimed.contains(slot))
            m_queue.prepend(m_claimed.take(slot));
        if (!e)
            continue;
        if (std::optional<ExtraConnection::Result> r = e->takeResult()) {
            switch (r->outcome) {
                case ExtraConnection::Outcome::Done:
                    m_meter.complete(r->job.size, slot);
                    break;
                case ExtraConnection::Outcome::GiveBack:
                    m_meter.drop(slot);
                    m_queue.prepend(r->job);
                    break;
                case ExtraConnection::Outcome::Failed:
                    if (!m_error)
                        m_error = r->error;
                    break;
            }
        }
        if (e->status() == ExtraConnection::Status::Busy)
            m_meter.update(e->bytes(), slot);
        else if (e->status() == ExtraConnection::Status::Ready && !m_error) {
            std::optional<FileJob> job = nextFor(slot, e->folder());
            if (!job)
                continue;
            announce(*job, slot);
            // The notification's handler may have run events that ended the connection.
            if (m_extras.at(i) && e->status() == ExtraConnection::Status::Ready) {
                e->run(*job, ascii, [this, slot, e] { return claimNext(slot, e->folder()); });
            } else {
                m_meter.drop(slot);
                m_queue.prepend(*job);
            }
        }
    }
    if (m_error)
        throw *std::exchange(m_error, std::nullopt);
}

}  // namespace ftp
