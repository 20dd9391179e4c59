#include "fleet/StoreRows.h"
#include "fleet/ValuesText.h"

#include "link/Printable.h"

namespace fleet {
namespace {

constexpr char kVersionColumns[] = "v.number, v.taken_at, v.layout, v.vals, v.source, v.by_whom, "
                                   "v.note, (SELECT count(*) FROM fleet_references r WHERE "
                                   "r.site_id = v.site_id AND r.number = v.number)";

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
    case EventKind::Deployed:
        return QStringLiteral("deployed");
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

StoreResult<QList<Version>> Store::versions(const QString& name)
{
    StoreResult<QList<Version>> r;
    if ((r.error = ensure(Access::Read))) {
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
    if ((r.error = ensure(Access::Read))) {
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
    if ((r.error = ensure(Access::Read))) {
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
    if ((r.error = ensure(Access::Read))) {
        return r;
    }
    const StoreResult<SiteRow> row = siteRow(name, false);
    if ((r.error = row.error)) {
        return r;
    }
    return referenceOf(row.value.id, layout);
}

} // namespace fleet
