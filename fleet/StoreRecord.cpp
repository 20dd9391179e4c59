#include "fleet/AttemptRule.h"
#include "fleet/StoreRows.h"
#include "fleet/ValuesText.h"

#include "link/Printable.h"

// The writes of versions: attempts with their status and events, references and drift.
namespace fleet {

StoreResult<std::pair<std::optional<int>, std::optional<int>>> Store::refreshDrift(qint64 siteId)
{
    StoreResult<std::pair<std::optional<int>, std::optional<int>>> r;
    QSqlQuery q(m_db);
    if ((r.error =
             exec(q, QStringLiteral("SELECT drift FROM fleet_sites WHERE id = ?"), {siteId}))) {
        return r;
    }
    if (q.next() && !q.value(0).isNull()) {
        r.value.first = q.value(0).toInt();
    }
    const StoreResult<std::optional<Version>> latest = latestOf(siteId, std::nullopt);
    if ((r.error = latest.error)) {
        return r;
    }
    if (latest.value) {
        const StoreResult<std::optional<Version>> ref = referenceOf(siteId, latest.value->layout);
        if ((r.error = ref.error)) {
            return r;
        }
        if (ref.value) {
            const auto drift =
                driftDifferences(ref.value, latest.value->layout, latest.value->values);
            r.value.second = int(drift->size());
        }
    }
    r.error =
        exec(q, QStringLiteral("UPDATE fleet_sites SET drift = ? WHERE id = ?"),
             {r.value.second ? QVariant(*r.value.second) : QVariant(QMetaType::fromType<int>()),
              siteId});
    return r;
}

StoreResult<Recorded> Store::record(const QString& name, const Attempt& attempt)
{
    StoreResult<Recorded> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        r = recordIn(name, attempt);
        return r.error;
    });
    return r;
}

QList<StoreResult<Recorded>> Store::recordAll(const QList<std::pair<QString, Attempt>>& attempts)
{
    QList<StoreResult<Recorded>> results;
    const std::optional<StoreError> ready = ensure(Access::Write);
    const std::optional<StoreError> error =
        ready ? ready : write([&]() -> std::optional<StoreError> {
            results.clear();
            for (const auto& [name, attempt] : attempts) {
                results.append(recordIn(name, attempt));
                // A site removed or renamed meanwhile is that site's own failure; anything else
                // is the store's, and none of the batch is kept.
                const std::optional<StoreError>& e = results.constLast().error;
                if (e && !e->isUsage()) {
                    return e;
                }
            }
            return std::nullopt;
        });
    if (error) {
        results = QList<StoreResult<Recorded>>(attempts.size(), StoreResult<Recorded>{{}, error});
    }
    return results;
}

StoreResult<Recorded> Store::recordIn(const QString& name, const Attempt& attempt)
{
    StoreResult<Recorded> r;
    r.error = [&]() -> std::optional<StoreError> {
        r.value = {};
        const StoreResult<SiteRow> row = liveSiteRow(name);
        if (!row.ok()) {
            return row.error;
        }
        // An attempt recorded late (from the spool) never replaces what came after it.
        const std::optional<QDateTime>& last = row.value.site.status.lastAttempt;
        if (attempt.late && last && *last > attempt.at) {
            r.value.outcome = attempt.taken ? AttemptOutcome::Unchanged : AttemptOutcome::Failed;
            return std::nullopt;
        }
        const qint64 id = row.value.id;
        const QString site = row.value.site.name;
        QSqlQuery q(m_db);
        std::optional<Version> previous;
        std::optional<Version> reference;
        if (attempt.taken) {
            const auto p = latestOf(id, attempt.taken->layout);
            const auto ref = referenceOf(id, attempt.taken->layout);
            for (const auto* e : {&p.error, &ref.error}) {
                if (*e) {
                    return *e;
                }
            }
            previous = p.value;
            reference = ref.value;
        }
        const AttemptVerdict verdict =
            judgeAttempt(previous, reference, attempt, row.value.site.status);
        r.value.outcome = verdict.outcome;
        r.value.differences = verdict.differences;
        if (!attempt.taken) {
            if (auto e = exec(q,
                              QStringLiteral("UPDATE fleet_sites SET last_attempt = ?, failures = "
                                             "failures + 1, last_error = ? WHERE id = ?"),
                              {storedTime(attempt.at), attempt.error, id})) {
                return e;
            }
        } else {
            const NewVersion& taken = *attempt.taken;
            if (verdict.store) {
                if (auto e = exec(q,
                                  QStringLiteral("SELECT coalesce(max(number), 0) + 1 FROM "
                                                 "fleet_versions WHERE site_id = ?"),
                                  {id})) {
                    return e;
                }
                r.value.version = q.next() ? q.value(0).toInt() : 1;
                if (auto e =
                        exec(q,
                             QStringLiteral("INSERT INTO fleet_versions (site_id, number, "
                                            "taken_at, layout, vals, source, by_whom, note) "
                                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                             {id, r.value.version, storedTime(attempt.at), layoutName(taken.layout),
                              encodeValues(taken.layout, taken.values), sourceName(taken.source),
                              taken.by, taken.note})) {
                    return e;
                }
            }
            const QVariant at = storedTime(attempt.at);
            const QVariant drift =
                verdict.drift ? QVariant(*verdict.drift) : QVariant(QMetaType::fromType<int>());
            if (auto e = exec(
                    q,
                    QStringLiteral("UPDATE fleet_sites SET last_attempt = ?, "
                                   "last_success = ?, last_change = %1, failures = 0, "
                                   "last_error = '', drift = ? WHERE id = ?")
                        .arg(verdict.store ? QStringLiteral("?") : QStringLiteral("last_change")),
                    verdict.store ? QVariantList{at, at, at, drift, id}
                                  : QVariantList{at, at, drift, id})) {
                return e;
            }
        }
        for (const EventKind kind : verdict.events) {
            const int count = kind == EventKind::Changed ? verdict.differences
                              : kind == EventKind::Drift ? verdict.drift.value_or(0)
                                                         : 0;
            r.value.events.append(
                {site, kind, kind == EventKind::Failed ? 0 : r.value.version, count});
        }
        return std::nullopt;
    }();
    return r;
}

StoreResult<Recorded> Store::endDeploySite(qint64 id, const QString& site, const DeploySiteEnd& end)
{
    StoreResult<Recorded> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        r.value = {};
        const StoreResult<SiteRow> row = siteRow(site, true);
        if (!row.ok()) {
            return row.error;
        }
        std::optional<int> after;
        const bool verified = end.state == DeployState::Verified;
        if (end.readBack) {
            const StoreResult<Recorded> rec = recordIn(site, *end.readBack);
            if (!rec.ok()) {
                return rec.error;
            }
            r.value = rec.value;
            if (end.readBack->taken && r.value.version == 0) {
                // Nothing new stored: the read-back is the latest version of its layout.
                const auto latest = latestOf(row.value.id, end.readBack->taken->layout);
                if (!latest.ok()) {
                    return latest.error;
                }
                r.value.version = latest.value ? latest.value->number : 0;
            }
            if (end.readBack->taken) {
                after = r.value.version;
            }
            // A deploy's own change is reported as deployed (when verified), never as changed.
            r.value.events.removeIf(
                [](const SiteEvent& e) { return e.kind == EventKind::Changed; });
            if (verified && r.value.version > 0) {
                r.value.events.prepend({row.value.site.name, EventKind::Deployed, r.value.version,
                                        r.value.differences, id});
            }
        }
        if (auto e = updateDeploySite(
                id, site,
                QStringLiteral("state = ?, after_version = ?, differences = ?, detail = ?"),
                {deployStateName(end.state),
                 after ? QVariant(*after) : QVariant(QMetaType::fromType<int>()), end.differences,
                 end.detail})) {
            return e;
        }
        if (!end.approve || !verified || !end.readBack || !end.readBack->taken || !after ||
            *after == 0) {
            return std::nullopt;
        }
        if (auto e = setVersionReference(row.value.id, end.readBack->taken->layout, *after)) {
            return e;
        }
        const auto drift = refreshDrift(row.value.id);
        if (drift.value.second.value_or(0) == 0) {
            // Approved as it was read: whatever drift the read-back showed is gone.
            r.value.events.removeIf([](const SiteEvent& e) { return e.kind == EventKind::Drift; });
        }
        return drift.error;
    });
    return r;
}

} // namespace fleet
