#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <functional>
#include <optional>

#include "ExtraConnection.h"
#include "FileJob.h"

namespace ftp {

class ProgressMeter;
class Session;

// Opens the extra connections a transfer of `files` files will use, so that they log in while
// the operation still lists folders and asks its questions.
void openExtraConnections(Session& s, qsizetype files);

// Moves the files of one send or receive over up to Settings::connections connections at
// once: the control connection takes them one after the other, extra connections take the
// others as they become free. Everything happens on the operation's stack: each file is
// announced (SendingFile for sends) before its progress, the progress of all of them goes into
// the one meter, and a file that an extra connection could not move goes back to the others.
// An extra connection's failure fails the operation; when the operation ends early, the
// running files of the extra connections are abandoned.
class Dispatcher {
public:
    Dispatcher(Session& s, ProgressMeter& meter, QList<FileJob> jobs);
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // `moveOnMain` moves one file over the control connection, reporting progress to the
    // meter's slot 0.
    void run(const std::function<void(const FileJob&)>& moveOnMain);

private:
    void poll();
    FileJob takeFor(const std::optional<QString>& folder);
    // Sets the next file aside for the connection in `slot` (0: the control connection),
    // which is in `folder`: it will take no other. Null when none is left.
    const FileJob* claimNext(int slot, const std::optional<QString>& folder);
    // The file set aside for `slot`, else the next one from the queue for `folder`.
    std::optional<FileJob> nextFor(int slot, const std::optional<QString>& folder);
    void announce(FileJob& job, int slot);
    bool extrasBusy() const;

    Session& m_s;
    ProgressMeter& m_meter;
    QList<FileJob> m_queue;
    QHash<int, FileJob> m_claimed;  // by slot
    QList<QPointer<ExtraConnection>> m_extras;
    std::optional<FtpError> m_error;
    bool m_polling = false;
};

}  // namespace ftp
