#pragma once

#include "fleet/ConfirmedRead.h"
#include "fleet/Hooks.h"
#include "fleet/JobPool.h"
#include "fleet/Metrics.h"
#include "fleet/StoreWorker.h"

#include <QElapsedTimer>
#include <QObject>

#include <map>
#include <vector>

// A backup run: the chosen sites read through the job pool, each confirmed reply stored as a new
// version when it differs from the site's latest version of that layout, every attempt recorded
// in the site's status. Then, when asked, the metrics file and the on-change hooks.
namespace fleet {

struct BackupOptions
{
    Selection selection;
    LinkSetup link;
    Source source = Source::Backup;
    QString note;                // kept with every version the run stores
    QString by = currentActor(); // user@host
    QString metricsPath;         // empty: no metrics file
    QString hookCommand;         // empty: no hooks
    std::chrono::milliseconds hookLimit = kHookLimit;
    std::chrono::milliseconds hooksDeadline = kHooksDeadline; // all of the run's hooks

    // The fleet's policy for this run: its pace, its hooks and, with metrics, its metrics file.
    void follow(const FleetPolicy& policy, bool metrics);
};

struct SiteBackup
{
    QString site;
    AttemptOutcome outcome = AttemptOutcome::Failed;
    int version = 0;                   // New, Changed
    int differences = 0;               // Changed
    std::optional<lnk::Layout> layout; // what the processor answered with
    QString error;                     // Failed: the exchange's or the store's message
    // Another desk's local port, not reached and nothing recorded: named, the site fails with
    // "port 3 is local to HOST:DATADIR"; in a group or all it is skipped ("skipped (local to
    // HOST)") and leaves the run's outcome alone.
    QString notReached;
    bool skipped = false;
};

struct BackupReport
{
    // The run did not start: no store, an unknown site, an empty group. No processor was asked.
    std::optional<StoreError> error;
    QList<SiteBackup> sites; // in site-name order
    QList<SiteEvent> events;
    QList<HookFailure> hookFailures;
    QStringList notRecorded; // sites whose attempt the store could not keep
    std::optional<QString> metricsError;
    double seconds = 0; // from the start to the last site recorded

    bool anyFailed() const;
};

class BackupRun : public QObject
{
    Q_OBJECT

public:
    BackupRun(BackupOptions options, StoreWorker& store, QObject* parent = nullptr);
    // Attempts the store has not confirmed yet (a program quitting under a store that does not
    // answer) go to the data folder's spool, to be recorded by the next run or start.
    ~BackupRun() override;

    void start();
    const BackupReport& report() const { return m_report; }

Q_SIGNALS:
    // As each site is recorded, for progress.
    void siteDone(const fleet::SiteBackup& site, int done, int total);
    void hookFailed(const fleet::HookFailure& failure);
    void hookOutput(const QByteArray& bytes);
    void finished(const fleet::BackupReport& report);

private:
    // The chosen sites and, with them, the latest versions a read is confirmed against.
    struct Selected
    {
        StoreResult<QList<Site>> sites;
        std::map<QString, ExpectedValues> expected;
    };
    void onSelected(const Selected& selected);
    void onUploaded(const QString& site, const LiveValues& live);
    void recordWaiting();
    void onRecorded(const QString& site, const LiveValues& live, const StoreResult<Recorded>& r,
                    bool spooled);
    void siteFinished(const SiteBackup& site);
    void afterSites();
    void afterMetrics(const std::optional<QString>& error);
    void finish();

    BackupOptions m_options;
    StoreWorker& m_store;
    QElapsedTimer m_clock;
    JobPool* m_pool = nullptr;
    // Sites read and not yet given to the store; one store call at a time records them.
    struct Unrecorded
    {
        QString site;
        LiveValues live;
        Attempt attempt;
    };
    std::vector<Unrecorded> m_unrecorded;
    std::vector<Unrecorded> m_inFlight; // given to the store, no answer yet
    bool m_recording = false;
    bool m_spoolDrained = false;
    std::map<QString, SiteBackup> m_done;
    int m_total = 0;
    BackupReport m_report;
    HookRunner* m_hooks = nullptr;
};

// Writes the metrics of every site in the store, all at once; the error, if any.
std::optional<QString> writeMetricsFile(Store& store, const QString& path,
                                        const std::optional<RunFacts>& run);

} // namespace fleet
