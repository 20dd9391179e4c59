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
        const StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
        }
        if (row.value.site.removed) {
            return siteRemoved(row.value.site.name);
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

StoreResult<Version> Store::approve(const QString& name, std::optional<int> number)
{
    StoreResult<Version> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        const StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
        }
        if (row.value.site.removed) {
            return siteRemoved(row.value.site.name);
        }
        const StoreResult<std::optional<Version>> v =
            number ? versionOf(row.value.id, *number) : latestOf(row.value.id, std::nullopt);
        if (!v.ok()) {
            return v.error;
        }
        if (!v.value) {
            return number ? unknownVersion(row.value.site.name, *number)
                          : StoreError{StoreErrorKind::UnknownVersion,
                                       QStringLiteral("site \"%1\" has no version yet")
                                           .arg(row.value.site.name)};
        }
        r.value = *v.value;
        r.value.reference = true;
        QSqlQuery q(m_db);
        if (auto e = exec(q,
                          QStringLiteral("INSERT INTO fleet_references (site_id, layout, number) "
                                         "VALUES (?, ?, ?) ON CONFLICT (site_id, layout) DO "
                                         "UPDATE SET number = excluded.number"),
                          {row.value.id, layoutName(r.value.layout), r.value.number})) {
            return e;
        }
        return refreshDrift(row.value.id).error;
    });
    return r;
}

StoreResult<int> Store::unapprove(const QString& name, std::optional<lnk::Layout> layout)
{
    StoreResult<int> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        const StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
        }
        if (row.value.site.removed) {
            return siteRemoved(row.value.site.name);
        }
        QSqlQuery q(m_db);
        QVariantList binds{row.value.id};
        QString sql = QStringLiteral("DELETE FROM fleet_references WHERE site_id = ?");
        if (layout) {
            sql += QStringLiteral(" AND layout = ?");
            binds << layoutName(*layout);
        }
        if (auto e = exec(q, sql, binds)) {
            return e;
        }
        r.value = q.numRowsAffected();
        return refreshDrift(row.value.id).error;
    });
    return r;
}

} // namespace fleet
