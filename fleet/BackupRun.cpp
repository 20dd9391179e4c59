#include "fleet/BackupRun.h"

#include "fleet/Metrics.h"
#include "storage/AtomicWrite.h"

namespace fleet {

bool BackupReport::anyFailed() const
{
    return std::any_of(sites.cbegin(), sites.cend(),
                       [](const SiteBackup& s) { return s.outcome == AttemptOutcome::Failed; });
}

std::optional<QString> writeMetricsFile(Store& store, const QString& path,
                                        std::optional<double> runSeconds)
{
    const StoreResult<QList<Site>> sites = store.sites();
    if (!sites.ok()) {
        return sites.error->message;
    }
    const QByteArray text = metricsText(sites.value, runSeconds).toUtf8();
    if (const std::optional<storage::FileError> e = storage::writeFileAtomically(path, text)) {
        return QStringLiteral("%1: %2").arg(path, e->description());
    }
    return std::nullopt;
}

BackupRun::BackupRun(BackupOptions options, StoreWorker& store, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_store(store)
{}

void BackupRun::start()
{
    m_clock.start();
    const Selection selection = m_options.selection;
    m_store.call<Chosen>(
        this,
        [selection](Store& s) {
            Chosen c;
            const StoreResult<QList<Site>> sites = s.select(selection);
            if ((c.error = sites.error)) {
                return c;
            }
            c.sites = sites.value;
            for (const Site& site : c.sites) {
                for (const lnk::Layout layout : {lnk::Layout::Day, lnk::Layout::Night}) {
                    const StoreResult<std::optional<Version>> v = s.latest(site.name, layout);
                    if ((c.error = v.error)) {
                        return c;
                    }
                    auto& latest = layout == lnk::Layout::Day ? c.latestDay : c.latestNight;
                    latest.insert(site.name,
                                  v.value ? std::optional<Values>(v.value->values) : std::nullopt);
                }
            }
            return c;
        },
        [this](const Chosen& c) { onSelected(c); });
}

void BackupRun::onSelected(const Chosen& chosen)
{
    if (chosen.error) {
        m_report.error = chosen.error;
        finish();
        return;
    }
    m_chosen = chosen;
    m_total = int(chosen.sites.size());
    if (m_total == 0) {
        afterSites();
        return;
    }
    m_waiting = chosen.sites;
    startNext();
}

void BackupRun::startNext()
{
    if (m_waiting.isEmpty()) {
        return;
    }
    const Site site = m_waiting.takeFirst();
    auto* upload = new SiteUpload(site.port, m_options.link, this);
    const QString name = site.name;
    const std::optional<Values> day = m_chosen.latestDay.value(name);
    const std::optional<Values> night = m_chosen.latestNight.value(name);
    upload->setExpected(
        [day, night](lnk::Layout layout) { return layout == lnk::Layout::Day ? day : night; });
    connect(upload, &SiteUpload::finished, this, [this, upload, name](const LiveValues& live) {
        upload->deleteLater();
        onUploaded(name, live);
    });
    upload->start();
    // One site a turn of the event loop: a session and its port take a few milliseconds each to
    // open, and a window on this thread must keep turning between them.
    QMetaObject::invokeMethod(this, &BackupRun::startNext, Qt::QueuedConnection);
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
    m_store.call<StoreResult<Recorded>>(
        this, [site, attempt](Store& s) { return s.record(site, attempt); },
        [this, site, live](const StoreResult<Recorded>& r) { onRecorded(site, live, r); });
}

void BackupRun::onRecorded(const QString& site, const LiveValues& live,
                           const StoreResult<Recorded>& r)
{
    SiteBackup b;
    b.site = site;
    if (live.ok) {
        b.layout = live.layout;
    }
    if (!r.ok()) {
        b.outcome = AttemptOutcome::Failed;
        b.error = live.ok
                      ? QStringLiteral("not stored: %1").arg(r.error->message)
                      : QStringLiteral("%1 (not recorded: %2)").arg(live.error, r.error->message);
    } else {
        b.outcome = r.value.outcome;
        b.version = r.value.version;
        b.differences = r.value.differences;
        b.error = live.error;
        m_report.events.append(r.value.events);
    }
    m_done[site] = b;
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
    const double seconds = m_report.seconds;
    m_store.call<std::optional<QString>>(
        this, [path, seconds](Store& s) { return writeMetricsFile(s, path, seconds); },
        [this](const std::optional<QString>& e) { afterMetrics(e); });
}

void BackupRun::afterMetrics(const std::optional<QString>& error)
{
    m_report.metricsError = error;
    if (m_options.hookCommand.isEmpty() || m_report.events.isEmpty()) {
        finish();
        return;
    }
    m_hooks = new HookRunner(m_options.hookCommand, m_options.hookLimit, this);
    connect(m_hooks, &HookRunner::failed, this, [this](const HookFailure& f) {
        m_report.hookFailures.append(f);
        Q_EMIT hookFailed(f);
    });
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
