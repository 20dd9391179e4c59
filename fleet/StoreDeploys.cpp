#include "fleet/StoreRows.h"

#include <QCoreApplication>
#include <QSysInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#endif

// Deploys as the store keeps them: the run, its sites' rows, and the leases that keep one run
// at a time on a site.
namespace fleet {
namespace {

const std::pair<DeployState, const char*> kStateNames[] = {
    {DeployState::Waiting, "waiting"},        {DeployState::Sending, "sending"},
    {DeployState::Verified, "verified"},      {DeployState::NotVerified, "not verified"},
    {DeployState::OtherBlock, "other block"}, {DeployState::Failed, "failed"},
    {DeployState::NotSent, "not sent"},       {DeployState::NothingToRevert, "nothing"},
};

QString thisHolder()
{
    return QSysInfo::machineHostName() + QLatin1Char(':') +
           QString::number(QCoreApplication::applicationPid());
}

// A holder on this host that no longer runs frees its sites at once; elsewhere (and where a
// process cannot be asked after) only the renewal time counts.
bool leaseLive(const QString& holder, qint64 renewedMs, qint64 nowMs)
{
    if (nowMs - renewedMs >= qint64(kLeaseLife.count())) {
        return false;
    }
#ifndef Q_OS_WIN
    const qsizetype colon = holder.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const qint64 pid = holder.mid(colon + 1).toLongLong(&ok);
    if (colon > 0 && ok && pid > 0 && holder.left(colon) == QSysInfo::machineHostName()) {
        return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
    }
#endif
    return true;
}

QVariant nullable(const std::optional<int>& v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<int>());
}

} // namespace

QString deployStateName(DeployState state)
{
    for (const auto& [s, name] : kStateNames) {
        if (s == state) {
            return QLatin1String(name);
        }
    }
    return {};
}

std::optional<DeployState> deployStateByName(const QString& name)
{
    for (const auto& [s, text] : kStateNames) {
        if (name == QLatin1String(text)) {
            return s;
        }
    }
    return std::nullopt;
}

StoreResult<std::optional<qint64>> Store::takeLease(qint64 siteId, qint64 deploy,
                                                    const QString& holder, const QDateTime& now)
{
    StoreResult<std::optional<qint64>> r;
    QSqlQuery q(m_db);
    // The site's row is locked already (PostgreSQL; SQLite has one writer), so two desks
    // beginning at once take turns here; the conditions below hold even without it.
    if ((r.error = exec(q,
                        QStringLiteral("SELECT deploy_id, holder, renewed_at FROM fleet_leases "
                                       "WHERE site_id = ?%1")
                            .arg(postgres() ? QStringLiteral(" FOR UPDATE") : QString()),
                        {siteId}))) {
        return r;
    }
    const qint64 nowMs = now.toMSecsSinceEpoch();
    if (!q.next()) {
        // A desk inserting the same site meanwhile makes this a conflict, tried again.
        r.error = exec(q,
                       QStringLiteral("INSERT INTO fleet_leases (site_id, deploy_id, holder, "
                                      "renewed_at) VALUES (?, ?, ?, ?)"),
                       {siteId, deploy, holder, nowMs});
        return r;
    }
    const qint64 other = q.value(0).toLongLong();
    const qint64 renewed = q.value(2).toLongLong();
    if (leaseLive(q.value(1).toString(), renewed, nowMs)) {
        r.value = other;
        return r;
    }
    if ((r.error = exec(q,
                        QStringLiteral("UPDATE fleet_leases SET deploy_id = ?, holder = ?, "
                                       "renewed_at = ? WHERE site_id = ? AND deploy_id = ? AND "
                                       "renewed_at = ?"),
                        {deploy, holder, nowMs, siteId, other, renewed}))) {
        return r;
    }
    if (q.numRowsAffected() != 1) {
        // Renewed or taken over by another desk between the read and the write.
        m_retryable = true;
        r.error = StoreError{StoreErrorKind::Busy,
                             QStringLiteral("%1: a deploy's lease changed while it was taken over")
                                 .arg(m_location.display())};
    }
    return r;
}

StoreResult<DeployStarted> Store::beginDeploy(const NewDeploy& deploy)
{
    StoreResult<DeployStarted> r;
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    const QString holder = thisHolder();
    r.error = write([&]() -> std::optional<StoreError> {
        r.value = {};
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QSqlQuery q(m_db);
        if (auto e = exec(q,
                          QStringLiteral("INSERT INTO fleet_deploys (started_at, by_whom, source, "
                                         "note, layout, revert_of, holder) VALUES (?, ?, ?, ?, ?, "
                                         "?, ?) RETURNING id"),
                          {storedTime(now), deploy.by, deploy.source, deploy.note,
                           layoutName(deploy.layout),
                           deploy.revertOf ? QVariant::fromValue<qlonglong>(*deploy.revertOf)
                                           : QVariant(QMetaType::fromType<qlonglong>()),
                           holder})) {
            return e;
        }
        if (!q.next()) {
            return StoreError{
                StoreErrorKind::Unreachable,
                QStringLiteral("%1: a new deploy got no id").arg(m_location.display())};
        }
        r.value.id = q.value(0).toLongLong();
        int position = 0;
        for (const auto& [name, before] : deploy.sites) {
            const StoreResult<SiteRow> row = liveSiteRow(name);
            if (!row.ok()) {
                return row.error;
            }
            const auto held = takeLease(row.value.id, r.value.id, holder, now);
            if (!held.ok()) {
                return held.error;
            }
            DeployState state = DeployState::Waiting;
            QString detail;
            if (held.value) {
                r.value.heldBy[row.value.site.name] = *held.value;
                state = DeployState::NotSent;
                detail = QStringLiteral("deploy %1 running").arg(*held.value);
            }
            if (auto e = exec(q,
                              QStringLiteral("INSERT INTO fleet_deploy_sites (deploy_id, "
                                             "position, site, site_id, state, before_version, "
                                             "detail) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                              {r.value.id, position++, row.value.site.name, row.value.id,
                               deployStateName(state), nullable(before), detail})) {
                return e;
            }
        }
        return std::nullopt;
    });
    if (r.error) {
        r.value = {};
    }
    return r;
}

std::optional<StoreError> Store::updateDeploySite(qint64 id, const QString& site,
                                                  const QString& sets, const QVariantList& values)
{
    QSqlQuery q(m_db);
    if (auto e = exec(q,
                      QStringLiteral("UPDATE fleet_deploy_sites SET %1 WHERE deploy_id = ? AND "
                                     "lower(site) = ?")
                          .arg(sets),
                      values + QVariantList{id, site.toLower()})) {
        return e;
    }
    if (q.numRowsAffected() > 0) {
        return std::nullopt;
    }
    if (auto e = exec(q, QStringLiteral("SELECT count(*) FROM fleet_deploys WHERE id = ?"), {id})) {
        return e;
    }
    if (!q.next() || q.value(0).toInt() == 0) {
        return unknownDeploy(id);
    }
    return StoreError{StoreErrorKind::UnknownDeploy,
                      QStringLiteral("deploy %1 has no site \"%2\"").arg(id).arg(site)};
}

std::optional<StoreError> Store::setDeployState(qint64 id, const QString& site, DeployState state,
                                                const QString& detail)
{
    if (auto e = ensure(Access::Write)) {
        return e;
    }
    return write([&]() -> std::optional<StoreError> {
        return updateDeploySite(id, site, QStringLiteral("state = ?, detail = ?"),
                                {deployStateName(state), detail});
    });
}

std::optional<StoreError> Store::renewDeploy(qint64 id)
{
    if (auto e = ensure(Access::Write)) {
        return e;
    }
    return write([&]() -> std::optional<StoreError> {
        QSqlQuery q(m_db);
        return exec(q, QStringLiteral("UPDATE fleet_leases SET renewed_at = ? WHERE deploy_id = ?"),
                    {storedTime(QDateTime::currentDateTimeUtc()), id});
    });
}

std::optional<StoreError> Store::endDeploy(qint64 id)
{
    if (auto e = ensure(Access::Write)) {
        return e;
    }
    return write([&]() -> std::optional<StoreError> {
        QSqlQuery q(m_db);
        if (auto e = exec(q, QStringLiteral("UPDATE fleet_deploys SET ended_at = ? WHERE id = ?"),
                          {storedTime(QDateTime::currentDateTimeUtc()), id})) {
            return e;
        }
        if (q.numRowsAffected() == 0) {
            return unknownDeploy(id);
        }
        return exec(q, QStringLiteral("DELETE FROM fleet_leases WHERE deploy_id = ?"), {id});
    });
}

} // namespace fleet
