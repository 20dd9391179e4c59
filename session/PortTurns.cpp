#include "session/PortTurns.h"

namespace session {

PortTurns& PortTurns::instance()
{
    static PortTurns turns;
    return turns;
}

bool PortTurns::take(const QString& port, const void* owner)
{
    const QMutexLocker lock(&m_mutex);
    Turn& turn = m_turns[port];
    if (turn.owner != nullptr && turn.owner != owner) {
        return false;
    }
    turn.owner = owner;
    return true;
}

void PortTurns::give(const QString& port, const void* owner,
                     std::optional<Clock::time_point> quietSince)
{
    {
        const QMutexLocker lock(&m_mutex);
        const auto it = m_turns.find(port);
        if (it == m_turns.end() || it->owner != owner) {
            return;
        }
        it->owner = nullptr;
        if (quietSince && (!it->quietSince || *quietSince > *it->quietSince)) {
            it->quietSince = quietSince;
        }
    }
    Q_EMIT freed(port);
}

std::optional<PortTurns::Clock::time_point> PortTurns::quietSince(const QString& port) const
{
    const QMutexLocker lock(&m_mutex);
    const auto it = m_turns.constFind(port);
    return it == m_turns.constEnd() ? std::nullopt : it->quietSince;
}

} // namespace session
