#include "fleet/PanelRecorder.h"

#include "session/PortText.h"

#include <QTimer>

namespace fleet {

PanelRecorder::PanelRecorder(StoreWorker& store, LinkSetup link, QString by, QObject* parent)
    : QObject(parent), m_store(store), m_link(std::move(link)), m_by(std::move(by))
{}

void PanelRecorder::exchangeFinished(const lnk::PortRef& port, const lnk::ExchangeResult& result)
{
    if (!result.ok()) {
        return;
    }
    const bool sent =
        result.kind == lnk::ExchangeKind::SendDay || result.kind == lnk::ExchangeKind::SendNight;
    if (!sent && !result.layout) {
        return;
    }
    // A reply the panel took: it matters only when it differs from the record.
    std::optional<session::CarriedValues> reply;
    if (result.layout) {
        reply = session::CarriedValues::ofReply(*result.layout, result.reply());
    }
    const std::optional<lnk::Layout> layout = result.layout;
    const QString portText = session::portText(port);
    struct Found
    {
        std::optional<StoreError> error;
        QString site;
        bool backUp = false;
    };
    m_store.call<Found>(
        this,
        [portText, reply, layout](Store& s) {
            Found f;
            const StoreResult<std::optional<Site>> site = s.siteOnPort(portText);
            if (!site.ok()) {
                // A panel without a fleet is no failure.
                if (site.error->kind != StoreErrorKind::Missing) {
                    f.error = site.error;
                }
                return f;
            }
            if (!site.value) {
                return f;
            }
            f.site = site.value->name;
            f.backUp = true;
            if (reply) {
                const StoreResult<std::optional<Version>> latest = s.latest(f.site, *layout);
                if ((f.error = latest.error)) {
                    return f;
                }
                f.backUp = !latest.value ||
                           !session::differences(latest.value->carried(), *reply).isEmpty();
            }
            return f;
        },
        [this](const Found& f) {
            if (f.error) {
                reportStoreFailure(f.error->message);
            } else if (f.backUp) {
                // After the frame gap: the panel's frame must have left the line and been taken.
                const QString site = f.site;
                QTimer::singleShot(session::kFrameGap, this, [this, site] { backUp(site); });
            }
        });
}

void PanelRecorder::backUp(const QString& site)
{
    BackupOptions options;
    options.selection.names = {site};
    options.link = m_link;
    // The panel's single recordings fire the fleet's hooks; the metrics stay the runs'.
    options.follow(m_link.policy, false);
    options.source = Source::Panel;
    options.by = m_by;
    auto* run = new BackupRun(options, m_store, this);
    connect(run, &BackupRun::finished, this, [this, run](const BackupReport& report) {
        run->deleteLater();
        if (report.error) {
            if (report.error->kind != StoreErrorKind::UnknownSite) {
                reportStoreFailure(report.error->message);
            }
            return;
        }
        for (const SiteBackup& b : report.sites) {
            if (b.outcome == AttemptOutcome::Failed &&
                b.error.startsWith(QLatin1String("not stored"))) {
                reportStoreFailure(b.error);
            }
            Q_EMIT recorded(b.site, b.version);
        }
    });
    run->start();
}

void PanelRecorder::reportStoreFailure(const QString& message)
{
    if (!m_failureReported) {
        m_failureReported = true;
        Q_EMIT storeFailed(message);
    }
}

} // namespace fleet
