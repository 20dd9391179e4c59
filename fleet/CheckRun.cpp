#include "fleet/CheckRun.h"

#include <QAtomicInt>
#include <QThread>

#include <memory>

namespace fleet {
namespace {

QAtomicInt g_running;

} // namespace

CheckRun::CheckRun(StoreLocation location, CheckOptions options, QObject* parent)
    : QObject(parent), m_location(std::move(location)), m_options(std::move(options))
{
    m_location.bounds = StoreBounds::forCheck();
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { answer(unansweredCheck()); });
}

CheckRun::~CheckRun() = default;

int CheckRun::threadsLeftRunning()
{
    return g_running.loadAcquire();
}

void CheckRun::start()
{
    if (const QString problem = checkOptionsProblem(m_options); !problem.isEmpty()) {
        QTimer::singleShot(0, this, [this, problem] { answer(unknownCheck(problem)); });
        return;
    }
    // The result lives beside the thread, not in this object: the thread may outlive it.
    auto result = std::make_shared<CheckResult>();
    QThread* thread = QThread::create([result, location = m_location, options = m_options] {
        Store store(location);
        *result = check(store, options);
    });
    g_running.ref();
    // The thread has no parent: it is deleted when it ends, never while it runs, whoever waits.
    connect(thread, &QThread::finished, thread, [thread] {
        g_running.deref();
        thread->deleteLater();
    });
    connect(thread, &QThread::finished, this, [this, result] { answer(*result); });
    m_watchdog.start(m_limit);
    thread->start();
}

void CheckRun::answer(const CheckResult& result)
{
    if (m_answered) {
        return;
    }
    m_answered = true;
    m_watchdog.stop();
    Q_EMIT finished(result);
}

} // namespace fleet
