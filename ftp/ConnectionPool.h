#pragma once

#include <QList>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "ExtraConnection.h"

namespace ftp {

class Connection;
struct Settings;

// The extra connections of a session: opened when a transfer first wants them and kept until
// the session ends. Once the server refused one, the session keeps to as many as it took.
class ConnectionPool {
public:
    using Factory = std::function<std::shared_ptr<Connection>()>;
    ConnectionPool(Factory factory, std::function<void()> wake)
        : m_factory(std::move(factory)), m_wake(std::move(wake)) {}

    // Extra connections for a transfer over `wanted` connections in all, the missing ones
    // opened now and logging in while the transfer starts on `main`. None where `main` moves
    // data in active mode: extra connections are passive only.
    QList<QPointer<ExtraConnection>> extras(int wanted, const Settings& settings,
                                            const Connection& main);
    // Stops every running job (the operation was aborted).
    void abandonAll();
    bool settled() const;
    void closeAll();

private:
    Factory m_factory;
    std::function<void()> m_wake;
    std::vector<std::unique_ptr<ExtraConnection>> m_extras;
    int m_limit = 9;
};

}  // namespace ftp
