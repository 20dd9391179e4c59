#include "fleet/AttemptRule.h"
#include "fleet/Compare.h"
#include "fleet/ConfirmedRead.h"
#include "fleet/JobPool.h"

namespace fleet {

bool DriftReport::anyTrouble() const
{
    return std::any_of(sites.cbegin(), sites.cend(), [](const SiteDrift& s) {
        return s.state != SiteDrift::State::NoDrift && s.state != SiteDrift::State::Skipped;
    });
}

SiteDrift driftOf(const QString& site, lnk::Layout layout, const Values& values, int version,
                  const std::optional<Version>& dayReference,
                  const std::optional<Version>& nightReference)
{
    SiteDrift d;
    d.site = site;
    d.layout = layout;
    d.version = version;
    const std::optional<Version>& ref = layout == lnk::Layout::Day ? dayReference : nightReference;
    if (!ref) {
        d.state = SiteDrift::State::NoReference;
        return d;
    }
    d.reference = ref->number;
    d.referenceOrigin = ref->origin;
    d.differences = *driftDifferences(ref, layout, values);
    d.state = d.differences.isEmpty() ? SiteDrift::State::NoDrift : SiteDrift::State::Drift;
    return d;
}

DriftRun::DriftRun(Selection selection, bool live, LinkSetup link, StoreWorker& store,
                   QObject* parent)
    : QObject(parent), m_selection(std::move(selection)), m_live(live), m_link(std::move(link)),
      m_store(store)
{}

void DriftRun::start()
{
    const Selection selection = m_selection;
    m_store.call<Stored>(
        this,
        [selection](Store& s) {
            Stored st;
            const StoreResult<QList<Site>> sites = s.select(selection);
            if ((st.error = sites.error)) {
                return st;
            }
            for (const Site& site : sites.value) {
                SiteState state{site, {}, {}, {}};
                const auto latest = s.latest(site.name);
                const auto day = s.reference(site.name, lnk::Layout::Day);
                const auto night = s.reference(site.name, lnk::Layout::Night);
                for (const auto* e : {&latest.error, &day.error, &night.error}) {
                    if (*e) {
                        st.error = *e;
                        return st;
                    }
                }
                state.latest = latest.value;
                state.day = day.value;
                state.night = night.value;
                st.sites.append(state);
            }
            return st;
        },
        [this](const Stored& st) { onStored(st); });
}

void DriftRun::onStored(const Stored& stored)
{
    m_stored = stored;
    if (stored.error || stored.sites.isEmpty()) {
        finish();
        return;
    }
    m_results.resize(stored.sites.size());
    for (qsizetype i = 0; i < stored.sites.size(); ++i) {
        const SiteState& s = stored.sites[i];
        if (!m_live) {
            if (s.latest) {
                m_results[i] = driftOf(s.site.name, s.latest->layout, s.latest->values,
                                       s.latest->number, s.day, s.night);
            } else {
                m_results[i].site = s.site.name;
            }
            continue;
        }
        if (const auto e = notLocal(s.site, m_link.place())) {
            m_results[i].site = s.site.name;
            const bool named = !m_selection.all && m_selection.group.isEmpty();
            m_results[i].state = named ? SiteDrift::State::NotLocal : SiteDrift::State::Skipped;
            m_results[i].error = named ? notLocalHere(s.site.port, s.site.owner, m_link.place())
                                       : skippedText(s.site.owner);
            continue;
        }
        if (m_pool == nullptr) {
            m_pool = new JobPool(m_link.pool, this);
        }
        ++m_waiting;
        // A site that seems to drift is read again: only a confirmed reply drifts.
        addConfirmedRead(*m_pool, s.site.port, m_link, ExpectedValues::ofVersions(s.day, s.night),
                         [this, i](const LiveValues& live) { onLive(int(i), live); });
    }
    if (m_waiting == 0) {
        finish();
    }
}

void DriftRun::onLive(int index, const LiveValues& live)
{
    const SiteState& s = m_stored.sites[index];
    if (!live.ok) {
        m_results[index].site = s.site.name;
        m_results[index].state = SiteDrift::State::Failed;
        m_results[index].error = live.error;
    } else {
        m_results[index] = driftOf(s.site.name, live.layout, live.values, 0, s.day, s.night);
    }
    if (--m_waiting == 0) {
        finish();
    }
}

void DriftRun::finish()
{
    DriftReport report;
    report.error = m_stored.error;
    report.sites = m_results;
    QMetaObject::invokeMethod(
        this, [this, report] { Q_EMIT finished(report); }, Qt::QueuedConnection);
}

} // namespace fleet
