#pragma once

#include "fleet/Check.h"

#include <QObject>
#include <QTimer>

#include <chrono>

// The check as a monitoring system runs it: the store is read on a thread of its own, with the
// check's shorter waits, while a timer on the event loop keeps the check's promise to answer
// within kCheckAnswerSeconds. A store that has not answered by then is reported UNKNOWN and its
// thread is left to end on its own (a driver blocked in the network cannot be interrupted).
namespace fleet {

class CheckRun : public QObject
{
    Q_OBJECT

public:
    CheckRun(StoreLocation location, CheckOptions options, QObject* parent = nullptr);
    ~CheckRun() override;

    // finished() follows once, from the event loop.
    void start();

    // For tests: a shorter promise.
    void setAnswerTime(std::chrono::milliseconds limit) { m_limit = limit; }

    // Threads of checks that answered without them and still run: a process that ends with
    // some must end without running its static destructors under them.
    static int threadsLeftRunning();

Q_SIGNALS:
    void finished(const fleet::CheckResult& result);

private:
    void answer(const CheckResult& result);

    StoreLocation m_location;
    CheckOptions m_options;
    std::chrono::milliseconds m_limit{std::chrono::seconds(kCheckAnswerSeconds)};
    QTimer m_watchdog;
    bool m_answered = false;
};

} // namespace fleet
