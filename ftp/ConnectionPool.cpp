#include "ConnectionPool.h"

#include <algorithm>

#include "Connection.h"
#include "Settings.h"

namespace ftp {

QList<QPointer<ExtraConnection>> ConnectionPool::extras(int wanted, const Settings& settings,
                                                        const Connection& main) {
    const auto gone = [](const std::unique_ptr<ExtraConnection>& e) {
        return e->status() == ExtraConnection::Status::Gone;
    };
    const int alive = int(
        std::count_if(m_extras.cbegin(), m_extras.cend(), [&](const auto& e) { return !gone(e); }));
    if (std::any_of(m_extras.cbegin(), m_extras.cend(), [](const auto& e) { return e->refused(); }))
        m_limit = std::min(m_limit, alive);
    std::erase_if(m_extras, gone);

    const bool passive = main.dataMode == Connection::DataMode::Passive ||
                         (main.dataMode == Connection::DataMode::Unknown && settings.passive);
    QList<QPointer<ExtraConnection>> taken;
    if (!passive)
        return taken;
    const int count = std::min(wanted - 1, m_limit);
    ExtraConnection::Model model{main.protectData, main.peerCertificate(), main.utf8, main.noEpsv};
    while (int(m_extras.size()) < count) {
        auto extra = std::make_unique<ExtraConnection>(m_factory(), settings, model);
        QObject::connect(extra.get(), &ExtraConnection::changed, extra.get(), m_wake);
        m_extras.push_back(std::move(extra));
    }
    for (int i = 0; i < count; ++i)
        taken.append(m_extras[size_t(i)].get());
    return taken;
}

void ConnectionPool::abandonAll() {
    for (const auto& e : m_extras)
        e->abandon();
}

bool ConnectionPool::settled() const {
    return std::all_of(m_extras.begin(), m_extras.end(),
                       [](const auto& e) { return e->settled(); });
}

void ConnectionPool::closeAll() {
    m_extras.clear();
    m_limit = 9;
}

}  // namespace ftp
