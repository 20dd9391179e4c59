#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

// The one way many-site jobs run: a bounded number at once, each within a deadline that covers
// every try, a port another program holds tried again after a pause, and at most one start per
// turn of the event loop so a window on the same thread keeps turning.
namespace fleet {

using namespace std::chrono_literals;

struct RetryPolicy
{
    int retries = 3;                      // tries after the first, for a busy port only
    std::chrono::milliseconds pause = 5s; // between two tries
};

struct PoolSettings
{
    int parallel = 64;                        // sites at once; each holds at most one line
    std::chrono::milliseconds deadline = 30s; // a whole attempt with its retries; 0: none
    RetryPolicy retry;
};

// "did not finish within 30 s"
QString deadlineText(std::chrono::milliseconds deadline);

class JobPool : public QObject
{
    Q_OBJECT

public:
    // An attempt's end: whether it failed on a busy port (it may be tried again), and what hands
    // its result on when it is the last.
    using End = std::function<void(bool portBusy, std::function<void()> deliver)>;
    // Builds one attempt with holder as the parent of everything it makes, starts it, and calls
    // end once. Destroying holder must stop the attempt and close whatever it opened.
    using Attempt = std::function<void(QObject* holder, End end)>;
    // The deadline passed; the attempt is already being destroyed.
    using Expired = std::function<void(const QString& error)>;

    using Clock = std::chrono::steady_clock;

    explicit JobPool(PoolSettings settings, QObject* parent = nullptr);
    ~JobPool() override;

    // notBefore: the job waits, holding no slot, until then (a read that must keep its frame
    // gap after the site's last one).
    void add(Attempt attempt, Expired expired, std::optional<Clock::time_point> notBefore = {});

    // A job whose attempt is a Job object made by make(holder), ending with the signal
    // finished(const Result&); Result has portBusy and error. done gets the last try's result,
    // or on the deadline a Result whose error says so.
    template <typename Job, typename Result, typename Make>
    void add(Make make, void (Job::*finished)(const Result&),
             std::function<void(const Result&)> done,
             std::optional<Clock::time_point> notBefore = {})
    {
        add(
            [make, finished, done](QObject* holder, End end) {
                Job* job = make(holder);
                QObject::connect(job, finished, holder, [end, done](const Result& r) {
                    end(r.portBusy, [done, r] { done(r); });
                });
                job->start();
            },
            [done](const QString& error) {
                Result r;
                r.error = error;
                done(r);
            },
            notBefore);
    }

    const PoolSettings& settings() const { return m_settings; }
    int running() const { return m_running; }
    int peakRunning() const { return m_peak; }

private:
    struct Job;
    void scheduleTurn();
    void turn();
    void begin(const std::shared_ptr<Job>& job);
    void onEnd(const std::shared_ptr<Job>& job, int generation, bool portBusy,
               const std::function<void()>& deliver);
    void release(const std::shared_ptr<Job>& job);

    PoolSettings m_settings;
    std::deque<std::shared_ptr<Job>> m_waiting;
    int m_running = 0; // jobs whose objects are not all destroyed yet
    int m_peak = 0;
    bool m_turnQueued = false;
    QTimer* m_wake = nullptr; // the earliest job not yet due
};

} // namespace fleet
