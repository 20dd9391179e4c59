#include "fleet/BackupRun.h"

#include "fleet/Metrics.h"
#include "fleet/Spool.h"
#include "storage/AtomicWrite.h"

namespace fleet {

bool BackupReport::anyFailed() const
{
    return std::any_of(sites.cbegin(), sites.cend(), [](const SiteBackup& s) {
        return s.outcome == AttemptOutcome::Failed && !s.skipped;
    });
}

std::optional<QString> writeMetricsFile(Store& store, const QString& path,
                                        const std::optional<RunFacts>& run)
{
    const StoreResult<QList<Site>> sites = store.sites();
    if (!sites.ok()) {
        return sites.error->message;
    }
    const QByteArray text = metricsText(sites.value, run).toUtf8();
    if (const std::optional<storage::FileError> e = storage::writeFileAtomically(path, text)) {
        return QStringLiteral("%1: %2").arg(path, e->description());
    }
    return std::nullopt;
}

void BackupOptions::follow(const FleetPolicy& policy, bool metrics)
{
    link.pool = policy.pool;
    hookCommand = policy.onChange;
    hooksDeadline = policy.hooksDeadline;
    if (metrics) {
        metricsPath = policy.metrics;
    }
}

BackupRun::BackupRun(BackupOptions options, StoreWorker& store, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_store(store)
{}

BackupRun::~BackupRun()
{
    if (m_options.link.dataDir.isEmpty() || (m_unrecorded.empty() && m_inFlight.empty())) {
        return;
    }
    QList<SpooledAttempt> pending;
    for (const auto* list : {&m_inFlight, &m_unrecorded}) {
        for (const Unrecorded& u : *list) {
            pending.append({u.site, u.attempt.at, u.attempt.error, u.attempt.taken});
        }
    }
    addToSpool(m_options.link.dataDir, pending);
}

void BackupRun::start()
{
    m_clock.start();
    const Selection selection = m_options.selection;
    m_store.call<Selected>(
        this,
        [selection](Store& s) {
            Selected selected{s.select(selection), {}};
            const std::optional<StoreError>& e = selected.sites.error;
            if (selection.all && e &&
                (e->kind == StoreErrorKind::Missing || e->kind == StoreErrorKind::UnknownSite)) {
                // A scheduled run before the first site: nothing to do, nothing made.
                selected.sites = {};
                return selected;
            }
            if (!selected.sites.ok()) {
                return selected;
            }
            for (const Site& site : selected.sites.value) {
                const auto day = s.latest(site.name, lnk::Layout::Day);
                const auto night = s.latest(site.name, lnk::Layout::Night);
                if (day.error || night.error) {
                    selected.sites.error = day.error ? day.error : night.error;
                    return selected;
                }
                selected.expected[site.name] = ExpectedValues::ofVersions(day.value, night.value);
            }
            return selected;
        },
        [this](const Selected& r) { onSelected(r); });
}

void BackupRun::onSelected(const Selected& selected)
{
    const StoreResult<QList<Site>>& sites = selected.sites;
    if (!sites.ok()) {
        m_report.error = sites.error;
        finish();
        return;
    }
    m_total = int(sites.value.size());
    if (m_total == 0) {
        finish();
        return;
    }
    m_pool = new JobPool(m_options.link.pool, this);
    const Place here = m_options.link.place();
    const Selection& chosen = m_options.selection;
    const bool named = !chosen.all && chosen.group.isEmpty();
    for (const Site& site : sites.value) {
        const QString name = site.name;
        if (const QString why = notLocalHere(site.port, site.owner, here); !why.isEmpty()) {
            SiteBackup b;
            b.site = name;
            b.notReached = named ? why : skippedText(site.owner);
            b.skipped = !named;
            // Told once every site that is reached has been given to the pool.
            QMetaObject::invokeMethod(
                this, [this, b] { siteFinished(b); }, Qt::QueuedConnection);
            continue;
        }
        const auto expected = selected.expected.find(name);
        addConfirmedRead(*m_pool, site.port, m_options.link,
                         expected != selected.expected.end() ? expected->second : ExpectedValues(),
                         [this, name](const LiveValues& live) { onUploaded(name, live); });
    }
}

void BackupRun::onUploaded(const QString& site, const LiveValues& live)
{
    Attempt attempt;
    attempt.at = live.ok ? live.at : QDateTime::currentDateTimeUtc();
    if (live.ok) {
        attempt.taken =
            NewVersion{live.layout, live.values, m_options.source, m_options.by, m_options.note};
    } else {
        attempt.error = live.error;
    }
    m_unrecorded.push_back({site, live, attempt});
    if (!m_recording) {
        recordWaiting();
    }
}

void BackupRun::recordWaiting()
{
    // One transaction for every site that finished while the last one ran: a store on disk
    // pays a sync for each, and the sites answer faster than it syncs.
    std::vector<Unrecorded> batch = std::exchange(m_unrecorded, {});
    m_inFlight = batch;
    m_recording = true;
    QList<std::pair<QString, Attempt>> attempts;
    attempts.reserve(qsizetype(batch.size()));
    for (const Unrecorded& u : batch) {
        attempts.append({u.site, u.attempt});
    }
    // The first batch of a run also records what earlier runs had to spool.
    const bool drain = !std::exchange(m_spoolDrained, true);
    m_store.call<SpooledRecording>(
        this,
        [attempts, dataDir = m_options.link.dataDir, drain](Store& s) {
            return recordThroughSpool(s, dataDir, attempts, drain);
        },
        [this, batch](const SpooledRecording& r) {
            m_recording = false;
            m_inFlight.clear();
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const auto at = qsizetype(i);
                onRecorded(batch[i].site, batch[i].live, r.results.at(at), r.spooled.at(at));
            }
            if (!m_unrecorded.empty()) {
                recordWaiting();
            }
        });
}

void BackupRun::onRecorded(const QString& site, const LiveValues& live,
                           const StoreResult<Recorded>& r, bool spooled)
{
    SiteBackup b;
    b.site = site;
    if (live.ok) {
        b.layout = live.layout;
    }
    if (!r.ok()) {
        m_report.notRecorded.append(site);
        b.outcome = AttemptOutcome::Failed;
        // "disk full" says it all; the spool keeps the failure for the next run that can write.
        const QString why = r.error->kind == StoreErrorKind::DiskFull ? QStringLiteral("disk full")
                                                                      : r.error->message;
        const QString kept = spooled ? QStringLiteral("; kept to record later") : QString();
        b.error = live.ok ? QStringLiteral("not stored: %1%2").arg(why, kept)
                          : QStringLiteral("%1 (not recorded: %2%3)").arg(live.error, why, kept);
    } else {
        b.outcome = r.value.outcome;
        b.version = r.value.version;
        b.differences = r.value.differences;
        b.error = live.error;
        m_report.events.append(r.value.events);
    }
    siteFinished(b);
}

void BackupRun::siteFinished(const SiteBackup& b)
{
    m_done[b.site] = b;
    Q_EMIT siteDone(b, int(m_done.size()), m_total);
    if (int(m_done.size()) == m_total) {
        afterSites();
    }
}

void BackupRun::afterSites()
{
    m_report.seconds = double(m_clock.nsecsElapsed()) / 1e9;
    for (const auto& [name, b] : m_done) {
        m_report.sites.append(b);
    }
    std::sort(m_report.sites.begin(), m_report.sites.end(),
              [](const SiteBackup& a, const SiteBackup& b) {
                  return a.site.toLower() < b.site.toLower();
              });
    std::sort(
        m_report.events.begin(), m_report.events.end(),
        [](const SiteEvent& a, const SiteEvent& b) { return a.site.toLower() < b.site.toLower(); });
    if (m_options.metricsPath.isEmpty()) {
        afterMetrics(std::nullopt);
        return;
    }
    const QString path = m_options.metricsPath;
    const RunFacts run{m_report.seconds, QDateTime::currentDateTimeUtc(), m_report.notRecorded};
    m_store.call<std::optional<QString>>(
        this, [path, run](Store& s) { return writeMetricsFile(s, path, run); },
        [this](const std::optional<QString>& e) { afterMetrics(e); });
}

void BackupRun::afterMetrics(const std::optional<QString>& error)
{
    m_report.metricsError = error;
    if (m_options.hookCommand.isEmpty() || m_report.events.isEmpty()) {
        finish();
        return;
    }
    m_hooks =
        new HookRunner(m_options.hookCommand, m_options.hookLimit, m_options.hooksDeadline, this);
    connect(m_hooks, &HookRunner::failed, this, [this](const HookFailure& f) {
        m_report.hookFailures.append(f);
        Q_EMIT hookFailed(f);
    });
    connect(m_hooks, &HookRunner::output, this, &BackupRun::hookOutput);
    connect(m_hooks, &HookRunner::allDone, this, &BackupRun::finish);
    for (const SiteEvent& e : m_report.events) {
        m_hooks->run(e);
    }
}

void BackupRun::finish()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(m_report); }, Qt::QueuedConnection);
}

} // namespace fleet
