#include "fleet/StoreRows.h"
#include "fleet/ValuesText.h"

#include "link/Printable.h"

namespace fleet {
namespace {

constexpr char kVersionColumns[] = "v.number, v.taken_at, v.layout, v.vals, v.source, v.by_whom, "
                                   "v.note, (SELECT count(*) FROM fleet_references r WHERE "
                                   "r.site_id = v.site_id AND r.number = v.number)";

StoreError unknownVersion(const QString& site, int number)
{
    return {StoreErrorKind::UnknownVersion,
            QStringLiteral("site \"%1\" has no version %2").arg(lnk::printable(site)).arg(number)};
}

} // namespace

QString eventName(EventKind kind)
{
    switch (kind) {
    case EventKind::Changed:
        return QStringLiteral("changed");
    case EventKind::Failed:
        return QStringLiteral("failed");
    case EventKind::Drift:
        return QStringLiteral("drift");
    case EventKind::Recovered:
        return QStringLiteral("recovered");
    }
    return {};
}

int Store::storedBytes(const Version& version)
{
    return int(encodeValues(version.layout, version.values).toUtf8().size());
}

StoreResult<Version> Store::versionFrom(QSqlQuery& q, const QString& site)
{
    StoreResult<Version> r;
    Version& v = r.value;
    v.number = q.value(0).toInt();
    v.time = *timeOf(q.value(1));
    const std::optional<lnk::Layout> layout = layoutByName(q.value(2).toString());
    const std::optional<Values> values =
        layout ? decodeValues(*layout, q.value(3).toString()) : std::nullopt;
    const std::optional<Source> source = sourceByName(q.value(4).toString());
    if (!layout || !values || !source) {
        r.error = StoreError{StoreErrorKind::Damaged,
                             QStringLiteral("%1: version %2 of site \"%3\" cannot be read")
                                 .arg(m_location.display())
                                 .arg(v.number)
                                 .arg(site)};
        return r;
    }
    v.layout = *layout;
    v.values = *values;
    v.source = *source;
    v.by = q.value(5).toString();
    v.note = q.value(6).toString();
    v.reference = q.value(7).toInt() > 0;
    return r;
}

StoreResult<std::optional<Version>> Store::versionOf(qint64 siteId, int number)
{
    StoreResult<std::optional<Version>> r;
    QSqlQuery q(m_db);
    if ((r.error = exec(q,
                        QStringLiteral("SELECT %1 FROM fleet_versions v WHERE v.site_id = ? AND "
                                       "v.number = ?")
                            .arg(QLatin1String(kVersionColumns)),
                        {siteId, number}))) {
        return r;
    }
    if (q.next()) {
        StoreResult<Version> v = versionFrom(q, QString::number(siteId));
        r.error = v.error;
        r.value = v.value;
    }
    return r;
}

StoreResult<std::optional<Version>> Store::latestOf(qint64 siteId,
                                                    std::optional<lnk::Layout> layout)
{
    StoreResult<std::optional<Version>> r;
    QSqlQuery q(m_db);
    QVariantList binds{siteId};
    QString where = QStringLiteral("site_id = ?");
    if (layout) {
        where += QStringLiteral(" AND layout = ?");
        binds << layoutName(*layout);
    }
    if ((r.error =
             exec(q, QStringLiteral("SELECT max(number) FROM fleet_versions WHERE %1").arg(where),
                  binds))) {
        return r;
    }
    if (!q.next() || q.value(0).isNull()) {
        return r;
    }
    return versionOf(siteId, q.value(0).toInt());
}

StoreResult<std::optional<Version>> Store::referenceOf(qint64 siteId, lnk::Layout layout)
{
    StoreResult<std::optional<Version>> r;
    QSqlQuery q(m_db);
    if ((r.error = exec(q,
                        QStringLiteral("SELECT number FROM fleet_references WHERE site_id = ? AND "
                                       "layout = ?"),
                        {siteId, layoutName(layout)}))) {
        return r;
    }
    if (!q.next()) {
        return r;
    }
    return versionOf(siteId, q.value(0).toInt());
}

StoreResult<QList<Version>> Store::versions(const QString& name)
{
    StoreResult<QList<Version>> r;
    if ((r.error = ensure(false))) {
        return r;
    }
    const StoreResult<SiteRow> row = siteRow(name, false);
    if ((r.error = row.error)) {
        return r;
    }
    QSqlQuery q(m_db);
    if ((r.error = exec(q,
                        QStringLiteral("SELECT %1 FROM fleet_versions v WHERE v.site_id = ? ORDER "
                                       "BY v.number")
                            .arg(QLatin1String(kVersionColumns)),
                        {row.value.id}))) {
        return r;
    }
    while (q.next()) {
        StoreResult<Version> v = versionFrom(q, row.value.site.name);
        if ((r.error = v.error)) {
            return r;
        }
        r.value.append(v.value);
    }
    return r;
}

StoreResult<Version> Store::version(const QString& name, int number)
{
    StoreResult<Version> r;
    if ((r.error = ensure(false))) {
        return r;
    }
    const StoreResult<SiteRow> row = siteRow(name, false);
    if ((r.error = row.error)) {
        return r;
    }
    const StoreResult<std::optional<Version>> v = versionOf(row.value.id, number);
    if ((r.error = v.error)) {
        return r;
    }
    if (!v.value) {
        r.error = unknownVersion(row.value.site.name, number);
        return r;
    }
    r.value = *v.value;
    return r;
}

StoreResult<std::optional<Version>> Store::latest(const QString& name,
                                                  std::optional<lnk::Layout> layout)
{
    StoreResult<std::optional<Version>> r;
    if ((r.error = ensure(false))) {
        return r;
    }
    const StoreResult<SiteRow> row = siteRow(name, false);
    if ((r.error = row.error)) {
        return r;
    }
    return latestOf(row.value.id, layout);
}

StoreResult<std::optional<Version>> Store::reference(const QString& name, lnk::Layout layout)
{
    StoreResult<std::optional<Version>> r;
    if ((r.error = ensure(false))) {
        return r;
    }
    const StoreResult<SiteRow> row = siteRow(name, false);
    if ((r.error = row.error)) {
        return r;
    }
    return referenceOf(row.value.id, layout);
}

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
            r.value.second =
                int(session::differences(ref.value->carried(), latest.value->carried()).size());
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
    if ((r.error = ensure(true))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        r.value = {};
        const StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
        }
        const qint64 id = row.value.id;
        const QString site = row.value.site.name;
        const int failuresBefore = row.value.site.status.failures;
        QSqlQuery q(m_db);
        if (!attempt.taken) {
            r.value.outcome = AttemptOutcome::Failed;
            if (failuresBefore == 0) {
                r.value.events.append({site, EventKind::Failed, 0, 0});
            }
            return exec(q,
                        QStringLiteral("UPDATE fleet_sites SET last_attempt = ?, failures = "
                                       "failures + 1, last_error = ? WHERE id = ?"),
                        {storedTime(attempt.at), attempt.error, id});
        }
        const NewVersion& taken = *attempt.taken;
        const StoreResult<std::optional<Version>> previous = latestOf(id, taken.layout);
        if (!previous.ok()) {
            return previous.error;
        }
        const session::CarriedValues now =
            session::CarriedValues::ofLayout(taken.layout, taken.values);
        if (previous.value) {
            r.value.differences = int(session::differences(previous.value->carried(), now).size());
        }
        const bool store = !previous.value || r.value.differences > 0 || !attempt.onlyWhenChanged;
        if (store) {
            if (auto e = exec(q,
                              QStringLiteral("SELECT coalesce(max(number), 0) + 1 FROM "
                                             "fleet_versions WHERE site_id = ?"),
                              {id})) {
                return e;
            }
            r.value.version = q.next() ? q.value(0).toInt() : 1;
            if (auto e = exec(q,
                              QStringLiteral("INSERT INTO fleet_versions (site_id, number, "
                                             "taken_at, layout, vals, source, by_whom, note) "
                                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                              {id, r.value.version, storedTime(attempt.at),
                               layoutName(taken.layout), encodeValues(taken.layout, taken.values),
                               sourceName(taken.source), taken.by, taken.note})) {
                return e;
            }
            r.value.outcome = previous.value ? AttemptOutcome::Changed : AttemptOutcome::New;
            if (previous.value && r.value.differences > 0) {
                r.value.events.append(
                    {site, EventKind::Changed, r.value.version, r.value.differences});
            }
        } else {
            r.value.outcome = AttemptOutcome::Unchanged;
        }
        if (failuresBefore > 0) {
            r.value.events.append({site, EventKind::Recovered, r.value.version, 0});
        }
        if (auto e =
                exec(q,
                     QStringLiteral("UPDATE fleet_sites SET last_attempt = ?, last_success = "
                                    "?, last_change = %1, failures = 0, last_error = '' "
                                    "WHERE id = ?")
                         .arg(store ? QStringLiteral("?") : QStringLiteral("last_change")),
                     store ? QVariantList{storedTime(attempt.at), storedTime(attempt.at),
                                          storedTime(attempt.at), id}
                           : QVariantList{storedTime(attempt.at), storedTime(attempt.at), id})) {
            return e;
        }
        const auto drift = refreshDrift(id);
        if (!drift.ok()) {
            return drift.error;
        }
        const auto& [before, after] = drift.value;
        if (after.value_or(0) > 0 && before.value_or(0) == 0) {
            const StoreResult<std::optional<Version>> latest = latestOf(id, std::nullopt);
            r.value.events.append(
                {site, EventKind::Drift, latest.value ? latest.value->number : 0, *after});
        }
        return std::nullopt;
    });
    return r;
}

StoreResult<Version> Store::approve(const QString& name, std::optional<int> number)
{
    StoreResult<Version> r;
    if ((r.error = ensure(true))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        const StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
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
    if ((r.error = ensure(true))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        const StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
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
