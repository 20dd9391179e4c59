#include "fleet/JobPool.h"

#include <QPointer>
#include <QTimer>

namespace fleet {

QString deadlineText(std::chrono::milliseconds deadline)
{
    return QStringLiteral("did not finish within %1 s")
        .arg(std::chrono::duration<double>(deadline).count());
}

struct JobPool::Job
{
    Attempt attempt;
    Expired expired;
    std::optional<Clock::time_point> notBefore;
    int tries = 0;
    int generation = 0; // ends of earlier tries are ignored
    bool done = false;
    QPointer<QObject> holder;
    QTimer* deadline = nullptr;
    QTimer* pause = nullptr;
};

JobPool::JobPool(PoolSettings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings))
{
    m_settings.parallel = std::max(1, m_settings.parallel);
}

JobPool::~JobPool() = default;

void JobPool::add(Attempt attempt, Expired expired, std::optional<Clock::time_point> notBefore)
{
    auto job = std::make_shared<Job>();
    job->attempt = std::move(attempt);
    job->expired = std::move(expired);
    job->notBefore = notBefore;
    m_waiting.push_back(std::move(job));
    scheduleTurn();
}

void JobPool::scheduleTurn()
{
    if (m_turnQueued || m_waiting.empty() || m_running >= m_settings.parallel) {
        return;
    }
    m_turnQueued = true;
    QMetaObject::invokeMethod(this, &JobPool::turn, Qt::QueuedConnection);
}

void JobPool::turn()
{
    m_turnQueued = false;
    if (m_waiting.empty() || m_running >= m_settings.parallel) {
        return;
    }
    // The first job that is due; the others keep their order.
    const Clock::time_point now = Clock::now();
    auto due = std::find_if(m_waiting.begin(), m_waiting.end(),
                            [now](const auto& j) { return !j->notBefore || *j->notBefore <= now; });
    if (due == m_waiting.end()) {
        Clock::time_point earliest = *m_waiting.front()->notBefore;
        for (const auto& j : m_waiting) {
            earliest = std::min(earliest, *j->notBefore);
        }
        if (m_wake == nullptr) {
            m_wake = new QTimer(this);
            m_wake->setSingleShot(true);
            m_wake->setTimerType(Qt::PreciseTimer);
            connect(m_wake, &QTimer::timeout, this, &JobPool::scheduleTurn);
        }
        m_wake->start(std::chrono::ceil<std::chrono::milliseconds>(earliest - now));
        return;
    }
    const std::shared_ptr<Job> job = *due;
    m_waiting.erase(due);
    m_peak = std::max(m_peak, ++m_running);
    if (m_settings.deadline > 0ms) {
        job->deadline = new QTimer(this);
        job->deadline->setSingleShot(true);
        connect(job->deadline, &QTimer::timeout, this, [this, job] {
            if (job->done) {
                return;
            }
            job->done = true;
            if (job->pause != nullptr) {
                job->pause->stop();
            }
            job->expired(deadlineText(m_settings.deadline));
            release(job);
        });
        job->deadline->start(m_settings.deadline);
    }
    begin(job);
    scheduleTurn();
}

void JobPool::begin(const std::shared_ptr<Job>& job)
{
    ++job->tries;
    const int generation = ++job->generation;
    job->holder = new QObject(this);
    job->attempt(job->holder,
                 [this, job, generation](bool portBusy, std::function<void()> deliver) {
                     onEnd(job, generation, portBusy, deliver);
                 });
}

void JobPool::onEnd(const std::shared_ptr<Job>& job, int generation, bool portBusy,
                    const std::function<void()>& deliver)
{
    if (job->done || generation != job->generation) {
        return;
    }
    if (portBusy && job->tries <= m_settings.retry.retries) {
        // The busy try's objects go now; the slot stays this job's through the pause.
        job->holder->deleteLater();
        if (job->pause == nullptr) {
            job->pause = new QTimer(this);
            job->pause->setSingleShot(true);
            connect(job->pause, &QTimer::timeout, this, [this, job] {
                if (!job->done) {
                    begin(job);
                }
            });
        }
        job->pause->start(m_settings.retry.pause);
        return;
    }
    job->done = true;
    deliver();
    release(job);
}

void JobPool::release(const std::shared_ptr<Job>& job)
{
    if (job->deadline != nullptr) {
        job->deadline->stop();
        job->deadline->deleteLater();
        job->deadline = nullptr;
    }
    if (job->pause != nullptr) {
        job->pause->deleteLater();
        job->pause = nullptr;
    }
    // The slot is free only once the attempt's objects, and so its line, are gone: the lines
    // open never exceed the limit.
    const auto freed = [this] {
        --m_running;
        scheduleTurn();
    };
    if (job->holder.isNull()) {
        freed();
        return;
    }
    connect(job->holder, &QObject::destroyed, this, freed);
    job->holder->deleteLater();
}

} // namespace fleet
