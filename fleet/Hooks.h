#pragma once

#include "fleet/Store.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>

// The on-change command: run through /bin/sh -c once per event, the event in its environment
// (ORVEXDAB_SITE, ORVEXDAB_EVENT, ORVEXDAB_VERSION, ORVEXDAB_DIFFERENCES, and for a deploy's
// events ORVEXDAB_DEPLOY) and never in its
// command line, so no site name is ever read by the shell. A hook that fails or hangs is
// reported and stopped; it never fails what it reports on.
namespace fleet {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kHookLimit = 30s;
// Hooks running at once: a run that fails everywhere must not start a hundred shells together.
inline constexpr int kHooksAtOnce = 4;

struct HookFailure
{
    SiteEvent event;
    QString message; // "exited with status 3", "did not end within 30 s", "could not start: ..."
};

class HookRunner : public QObject
{
    Q_OBJECT

public:
    // limit: each hook's; allLimit: all of them together, from the first one's start.
    HookRunner(QString command, std::chrono::milliseconds limit = kHookLimit,
               std::chrono::milliseconds allLimit = std::chrono::minutes(5),
               QObject* parent = nullptr);

    void run(const SiteEvent& event);
    bool idle() const { return m_running == 0 && m_waiting.empty(); }

Q_SIGNALS:
    void failed(const fleet::HookFailure& failure);
    // What the hooks wrote (standard output and error together), for the program's standard
    // error.
    void output(const QByteArray& bytes);
    // Every hook given so far has ended.
    void allDone();

private:
    void startNext();
    void ended(const SiteEvent& event, const QString& failure);
    void stopAll();
    QString allLimitText() const;

    QString m_command;
    std::chrono::milliseconds m_limit;
    std::chrono::milliseconds m_allLimit;
    QTimer* m_allTimer = nullptr;
    bool m_stopped = false; // the run's hooks went past allLimit
    std::deque<SiteEvent> m_waiting;
    int m_running = 0;
};

} // namespace fleet
