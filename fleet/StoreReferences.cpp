#include "fleet/StoreRows.h"
#include "fleet/ValuesText.h"

#include "link/Printable.h"

// References: one of a site's versions, or values of their own (a group's sound) with where they
// came from. Either kind is what drift is measured against.
namespace fleet {

StoreResult<std::optional<Version>> Store::referenceOf(qint64 siteId, lnk::Layout layout)
{
    StoreResult<std::optional<Version>> r;
    QSqlQuery q(m_db);
    // A store of schema 2 is read as it is: its references are all versions.
    const QString columns = m_schema >= 3 ? QStringLiteral("number, vals, origin, set_at, by_whom")
                                          : QStringLiteral("number, NULL, '', NULL, ''");
    if ((r.error = exec(q,
                        QStringLiteral("SELECT %1 FROM fleet_references WHERE site_id = ? AND "
                                       "layout = ?")
                            .arg(columns),
                        {siteId, layoutName(layout)}))) {
        return r;
    }
    if (!q.next()) {
        return r;
    }
    if (!q.value(0).isNull()) {
        return versionOf(siteId, q.value(0).toInt());
    }
    const std::optional<Values> values = decodeValues(layout, q.value(1).toString());
    if (!values) {
        r.error = StoreError{StoreErrorKind::Damaged,
                             QStringLiteral("%1: the %2 reference of site %3 cannot be read")
                                 .arg(m_location.display(), layoutName(layout))
                                 .arg(siteId)};
        return r;
    }
    Version v;
    v.layout = layout;
    v.values = *values;
    v.origin = q.value(2).toString();
    v.time = timeOf(q.value(3)).value_or(QDateTime());
    v.by = q.value(4).toString();
    v.reference = true;
    r.value = v;
    return r;
}

std::optional<StoreError> Store::setVersionReference(qint64 siteId, lnk::Layout layout, int number)
{
    QSqlQuery q(m_db);
    return exec(q,
                QStringLiteral("INSERT INTO fleet_references (site_id, layout, number, vals, "
                               "origin, set_at, by_whom) VALUES (?, ?, ?, NULL, '', ?, ?) ON "
                               "CONFLICT (site_id, layout) DO UPDATE SET number = "
                               "excluded.number, vals = NULL, origin = '', set_at = "
                               "excluded.set_at, by_whom = excluded.by_whom"),
                {siteId, layoutName(layout), number, storedTime(QDateTime::currentDateTimeUtc()),
                 currentActor()});
}

StoreResult<Version> Store::approve(const QString& name, std::optional<int> number)
{
    StoreResult<Version> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        const StoreResult<SiteRow> row = liveSiteRow(name);
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
        if (auto e = setVersionReference(row.value.id, r.value.layout, r.value.number)) {
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
        const StoreResult<SiteRow> row = liveSiteRow(name);
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

StoreResult<QList<Site>> Store::approveSound(const Selection& selection,
                                             const SoundReference& sound)
{
    StoreResult<QList<Site>> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    Selection chosen = selection;
    chosen.withRemoved = false; // a reference is a change: removed sites take no part
    const StoreResult<QList<Site>> sites = select(chosen);
    if ((r.error = sites.error)) {
        return r;
    }
    const QString vals = encodeValues(sound.layout, sound.values);
    r.error = write([&]() -> std::optional<StoreError> {
        r.value.clear();
        QSqlQuery q(m_db);
        for (const Site& site : sites.value) {
            const StoreResult<SiteRow> row = liveSiteRow(site.name);
            if (!row.ok()) {
                return row.error;
            }
            if (auto e = exec(q,
                              QStringLiteral("INSERT INTO fleet_references (site_id, layout, "
                                             "number, vals, origin, set_at, by_whom) VALUES (?, "
                                             "?, NULL, ?, ?, ?, ?) ON CONFLICT (site_id, layout) "
                                             "DO UPDATE SET number = NULL, vals = excluded.vals, "
                                             "origin = excluded.origin, set_at = "
                                             "excluded.set_at, by_whom = excluded.by_whom"),
                              {row.value.id, layoutName(sound.layout), vals, sound.origin,
                               storedTime(sound.at), sound.by})) {
                return e;
            }
            if (auto e = refreshDrift(row.value.id).error) {
                return e;
            }
            const StoreResult<SiteRow> after = siteRow(site.name, false);
            if (!after.ok()) {
                return after.error;
            }
            r.value.append(after.value.site);
        }
        return std::nullopt;
    });
    if (r.error) {
        r.value.clear();
    }
    return r;
}

StoreResult<QList<Version>> Store::references(const QString& name)
{
    StoreResult<QList<Version>> r;
    if ((r.error = ensure(Access::Read))) {
        return r;
    }
    const StoreResult<SiteRow> row = siteRow(name, false);
    if ((r.error = row.error)) {
        return r;
    }
    for (const lnk::Layout layout : {lnk::Layout::Day, lnk::Layout::Night}) {
        const StoreResult<std::optional<Version>> ref = referenceOf(row.value.id, layout);
        if ((r.error = ref.error)) {
            r.value.clear();
            return r;
        }
        if (ref.value) {
            r.value.append(*ref.value);
        }
    }
    return r;
}

} // namespace fleet
