#include "fleet/DeploySite.h"

#include <QTimer>

namespace fleet {

struct DeployRun::Private
{
    JobPool* pool = nullptr;
    QTimer* renewal = nullptr;
    HookRunner* hooks = nullptr;
    QElapsedTimer clock;
    QList<int> queue; // the plan's sites to send, in order
    int canaries = 0;
    int next = 0;                   // the next in queue to start
    std::map<int, SiteDeploy> done; // by the plan's index
    QStringList notSentRows;        // sites a stopped run never started: rows to write at its end
    QString stopReason;             // empty while the run may start sites
    bool begun = false;
    bool ending = false;
    bool recordEnded = false;
};

DeployRun::DeployRun(DeployRequest request, StoreWorker& store, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()), m_request(std::move(request)), m_store(store)
{}

DeployRun::~DeployRun() = default;

void DeployRun::plan()
{
    const DeployRequest request = m_request;
    m_store.call<DeployPlan>(
        this, [request](Store& s) { return planDeploy(s, request); },
        [this](const DeployPlan& p) {
            m_plan = p;
            Q_EMIT planned(m_plan);
        });
}

void DeployRun::run()
{
    d->clock.start();
    NewDeploy nd;
    nd.by = m_request.by;
    nd.source = m_plan.source;
    nd.note = m_request.note;
    nd.layout = m_plan.layout;
    nd.revertOf = m_request.revert;
    QList<std::pair<QString, DeployState>> unsent;
    for (const DeployTarget& t : std::as_const(m_plan.sites)) {
        if (t.skipped) {
            continue;
        }
        nd.sites.append({t.site.name, t.before});
        if (t.nothingToRevert) {
            unsent.append({t.site.name, DeployState::NothingToRevert});
        } else if (!t.notSent.isEmpty()) {
            unsent.append({t.site.name, DeployState::NotSent});
        }
    }
    m_store.call<StoreResult<DeployStarted>>(
        this,
        [nd, unsent](Store& s) {
            StoreResult<DeployStarted> r = s.beginDeploy(nd);
            for (const auto& [site, state] : unsent) {
                if (r.ok()) {
                    r.error = s.setDeployState(r.value.id, site, state);
                }
            }
            return r;
        },
        [this](const StoreResult<DeployStarted>& r) { onBegun(r); });
}

void DeployRun::onBegun(const StoreResult<DeployStarted>& started)
{
    if (started.error) {
        m_report.error = started.error;
        return finishNow();
    }
    d->begun = true;
    m_report.id = started.value.id;
    d->renewal = new QTimer(this);
    const qint64 id = m_report.id;
    connect(d->renewal, &QTimer::timeout, this, [this, id] {
        m_store.call<std::optional<StoreError>>(
            this, [id](Store& s) { return s.renewDeploy(id); },
            [](const std::optional<StoreError>&) {});
    });
    d->renewal->start(kLeaseRenewal);
    if (!m_request.hookCommand.isEmpty()) {
        d->hooks = new HookRunner(m_request.hookCommand, m_request.hookLimit,
                                  m_request.hooksDeadline, this);
        connect(d->hooks, &HookRunner::failed, this, [this](const HookFailure& f) {
            m_report.hookFailures.append(f);
            Q_EMIT hookFailed(f);
        });
        connect(d->hooks, &HookRunner::output, this, &DeployRun::hookOutput);
        connect(d->hooks, &HookRunner::allDone, this, &DeployRun::maybeFinish);
    }
    d->pool = new JobPool(m_request.link.pool, this);
    for (int i = 0; i < m_plan.sites.size(); ++i) {
        const DeployTarget& t = m_plan.sites[i];
        SiteDeploy s;
        s.site = t.site.name;
        const auto held = started.value.heldBy.find(t.site.name);
        if (t.skipped) {
            s.outcome = DeployOutcome::Skipped;
            s.error = t.notSent;
        } else if (t.nothingToRevert) {
            s.outcome = DeployOutcome::NothingToRevert;
        } else if (!t.notSent.isEmpty()) {
            s.error = t.notSent;
        } else if (held != started.value.heldBy.end()) {
            s.error = QStringLiteral("deploy %1 running").arg(held->second);
        } else {
            d->queue.append(i);
            continue;
        }
        siteEnded(i, s);
    }
    d->canaries = std::min(int(d->queue.size()), std::max(0, m_request.canaries));
    nextCanary();
}

void DeployRun::nextCanary()
{
    if (d->next < d->canaries && d->stopReason.isEmpty()) {
        startSite(d->queue[d->next++], true);
        return;
    }
    // The rest go through the pool together: each looks, as it starts, whether the run stopped.
    while (d->next < d->queue.size()) {
        startSite(d->queue[d->next++], false);
    }
    maybeFinish();
}

void DeployRun::startSite(int index, bool canary)
{
    const QString name = m_plan.sites[index].site.name;
    d->pool->add(
        [this, index, canary, name](QObject* holder, JobPool::End end) {
            if (!d->stopReason.isEmpty()) {
                SiteDeploy s;
                s.site = name;
                s.canary = canary;
                s.error = d->stopReason;
                d->notSentRows.append(name);
                end(false, [this, index, s] { siteEnded(index, s); });
                return;
            }
            auto* job =
                new DeploySite(m_report.id, m_plan.sites[index], m_request, m_store, holder);
            connect(job, &DeploySite::sending, this, &DeployRun::siteSending);
            connect(job, &DeploySite::finished, holder,
                    [this, index, canary, end](const SiteAttempt& r) {
                        end(r.portBusy, [this, index, canary, r] {
                            SiteDeploy s = r.deploy;
                            s.canary = canary;
                            for (SiteEvent e : r.events) {
                                if (d->hooks != nullptr) {
                                    d->hooks->run(e);
                                }
                            }
                            siteEnded(index, s);
                        });
                    });
            job->start();
        },
        [this, index, canary, name](const QString& error) {
            // The attempt is gone with whatever it had open; its row may still say sending.
            SiteDeploy s;
            s.site = name;
            s.canary = canary;
            s.outcome = DeployOutcome::Failed;
            s.error = error;
            const qint64 id = m_report.id;
            m_store.call<std::optional<StoreError>>(
                this,
                [id, name, error](Store& st) {
                    return st.setDeployState(id, name, DeployState::Failed, error);
                },
                [](const std::optional<StoreError>&) {});
            siteEnded(index, s);
        });
}

void DeployRun::siteEnded(int index, const SiteDeploy& site)
{
    d->done[index] = site;
    Q_EMIT siteDone(site, int(d->done.size()), int(m_plan.sites.size()));
    if (d->stopReason.isEmpty() && stopsTheRun(site)) {
        m_report.stoppedAfter = site.site;
        d->stopReason = QStringLiteral("stopped after %1").arg(site.site);
    }
    if (site.canary) {
        nextCanary();
        return;
    }
    maybeFinish();
}

bool DeployRun::stopsTheRun(const SiteDeploy& site) const
{
    // A canary that is not verified always stops the run.
    if (site.canary) {
        return !site.ok();
    }
    switch (site.outcome) {
    case DeployOutcome::Verified:
        return !site.ok() && !m_request.continueAfterFailure;
    case DeployOutcome::NotSent:
    case DeployOutcome::NothingToRevert:
    case DeployOutcome::Skipped:
        return false;
    case DeployOutcome::OtherBlock:
        // Taken as sent when asked: the next backup in that block confirms it.
        if (m_request.acceptOtherBlock && site.saveError.isEmpty() && site.recordError.isEmpty()) {
            return false;
        }
        return !m_request.continueAfterFailure;
    case DeployOutcome::NotVerified:
    case DeployOutcome::Failed:
        return !m_request.continueAfterFailure;
    }
    return true;
}

void DeployRun::stop()
{
    if (d->stopReason.isEmpty()) {
        d->stopReason = QStringLiteral("stopped");
    }
}

void DeployRun::maybeFinish()
{
    if (!d->begun || qsizetype(d->done.size()) < m_plan.sites.size() || d->next < d->queue.size()) {
        return;
    }
    if (!d->recordEnded) {
        if (d->ending) {
            return;
        }
        d->ending = true;
        d->renewal->stop();
        const qint64 id = m_report.id;
        const QString reason = d->stopReason;
        const QStringList notSent = d->notSentRows;
        m_store.call<std::optional<StoreError>>(
            this,
            [id, reason, notSent](Store& s) -> std::optional<StoreError> {
                for (const QString& site : notSent) {
                    if (auto e = s.setDeployState(id, site, DeployState::NotSent, reason)) {
                        return e;
                    }
                }
                return s.endDeploy(id);
            },
            [this](const std::optional<StoreError>& e) {
                if (e) {
                    m_report.recordError = e->message;
                }
                d->recordEnded = true;
                maybeFinish();
            });
        return;
    }
    if (d->hooks != nullptr && !d->hooks->idle()) {
        return;
    }
    finishNow();
}

void DeployRun::finishNow()
{
    for (const auto& [index, site] : d->done) {
        m_report.sites.append(site);
    }
    m_report.seconds = d->clock.isValid() ? d->clock.elapsed() / 1000.0 : 0;
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(m_report); }, Qt::QueuedConnection);
    d->begun = false; // finished once
}

} // namespace fleet
