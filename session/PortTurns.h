#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

// One exchange at a time on a port among all the sessions of this program: the panel's own and
// those of a backup running beside it. A session that finds its port in use by another waits
// for it instead of failing with "port busy", and it keeps the frame gap after the other's last
// byte as it does after its own.
namespace session {

class PortTurns : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    static PortTurns& instance();

    // True when the port is free or already owner's; the port is then owner's until given back.
    bool take(const QString& port, const void* owner);
    // quietSince: when the owner's last byte left the line, if it sent any.
    void give(const QString& port, const void* owner, std::optional<Clock::time_point> quietSince);
    // When the last user of the port stopped sending, as far as this program knows.
    std::optional<Clock::time_point> quietSince(const QString& port) const;

Q_SIGNALS:
    // The port may be taken now; every waiting session tries again, in no fixed order.
    void freed(const QString& port);

private:
    struct Turn
    {
        const void* owner = nullptr;
        std::optional<Clock::time_point> quietSince;
    };

    mutable QMutex m_mutex;
    QHash<QString, Turn> m_turns;
};

} // namespace session
