#include "fleet/StoreRows.h"

#include <QHash>

// The deploys as the store lists them: each run with its sites in the order it takes them.
namespace fleet {
namespace {

std::optional<int> intOf(const QVariant& v)
{
    return v.isNull() ? std::nullopt : std::optional<int>(v.toInt());
}

} // namespace

StoreResult<QList<DeployRecord>> Store::deployRecords(std::optional<qint64> id)
{
    StoreResult<QList<DeployRecord>> r;
    if ((r.error = ensure(Access::Read)) || m_schema < 3) {
        return r; // a store from before deploys has none
    }
    const QString where = id ? QStringLiteral(" WHERE id = %1").arg(*id) : QString();
    QSqlQuery q(m_db);
    if ((r.error = exec(q, QStringLiteral("SELECT id, started_at, by_whom, source, note, layout, "
                                          "revert_of, ended_at FROM fleet_deploys%1 ORDER BY id "
                                          "DESC")
                               .arg(where)))) {
        return r;
    }
    QHash<qint64, qsizetype> index;
    while (q.next()) {
        DeployRecord d;
        d.id = q.value(0).toLongLong();
        d.time = *timeOf(q.value(1));
        d.by = q.value(2).toString();
        d.source = q.value(3).toString();
        d.note = q.value(4).toString();
        d.layout = layoutByName(q.value(5).toString()).value_or(lnk::Layout::Day);
        if (!q.value(6).isNull()) {
            d.revertOf = q.value(6).toLongLong();
        }
        d.ended = timeOf(q.value(7));
        index.insert(d.id, r.value.size());
        r.value.append(d);
    }
    if ((r.error = exec(
             q, QStringLiteral("SELECT deploy_id, site, state, before_version, "
                               "after_version, differences, detail FROM "
                               "fleet_deploy_sites%1 ORDER BY deploy_id, position")
                    .arg(id ? QStringLiteral(" WHERE deploy_id = %1").arg(*id) : QString())))) {
        r.value.clear();
        return r;
    }
    while (q.next()) {
        const auto at = index.constFind(q.value(0).toLongLong());
        if (at == index.constEnd()) {
            continue; // a run begun between the two reads
        }
        DeploySiteRecord s;
        s.site = q.value(1).toString();
        s.state = deployStateByName(q.value(2).toString()).value_or(DeployState::Failed);
        s.before = intOf(q.value(3));
        s.after = intOf(q.value(4));
        s.differences = q.value(5).toInt();
        s.detail = q.value(6).toString();
        r.value[*at].sites.append(s);
    }
    return r;
}

StoreResult<QList<DeployRecord>> Store::deploys()
{
    return deployRecords(std::nullopt);
}

StoreResult<DeployRecord> Store::deploy(qint64 id)
{
    StoreResult<DeployRecord> r;
    const StoreResult<QList<DeployRecord>> all = deployRecords(id);
    if ((r.error = all.error)) {
        return r;
    }
    if (all.value.isEmpty()) {
        r.error = unknownDeploy(id);
        return r;
    }
    r.value = all.value.first();
    return r;
}

} // namespace fleet
