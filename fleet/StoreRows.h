#pragma once

#include "fleet/Store.h"
#include "link/Printable.h"

#include <QSqlQuery>

// What the store's parts share: the columns of a site row and how times are kept.
namespace fleet {

struct Store::SiteRow
{
    qint64 id = 0;
    Site site;
};

// Milliseconds since 1970 in UTC, as the store keeps times.
inline QVariant storedTime(const QDateTime& t)
{
    return QVariant::fromValue<qlonglong>(t.toMSecsSinceEpoch());
}

inline std::optional<QDateTime> timeOf(const QVariant& v)
{
    if (v.isNull()) {
        return std::nullopt;
    }
    return QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
}

// Store::siteColumns() gives them as the store's schema has them.
inline constexpr char kSiteColumns[] = "id, name, port, site_group, removed, last_attempt, "
                                       "last_success, last_change, failures, last_error, drift, "
                                       "owner_host, owner_folder";

inline Store::SiteRow siteRowFrom(const QSqlQuery& q)
{
    Store::SiteRow r;
    r.id = q.value(0).toLongLong();
    r.site.name = q.value(1).toString();
    r.site.port = q.value(2).toString();
    r.site.group = q.value(3).toString();
    r.site.removed = q.value(4).toInt() != 0;
    r.site.status.lastAttempt = timeOf(q.value(5));
    r.site.status.lastSuccess = timeOf(q.value(6));
    r.site.status.lastChange = timeOf(q.value(7));
    r.site.status.failures = q.value(8).toInt();
    r.site.status.lastError = q.value(9).toString();
    if (!q.value(10).isNull()) {
        r.site.status.drift = q.value(10).toInt();
    }
    r.site.owner = {q.value(11).toString(), q.value(12).toString()};
    return r;
}

inline StoreError unknownVersion(const QString& site, int number)
{
    return {StoreErrorKind::UnknownVersion,
            QStringLiteral("site \"%1\" has no version %2").arg(lnk::printable(site)).arg(number)};
}

inline StoreError unknownDeploy(qint64 id)
{
    return {StoreErrorKind::UnknownDeploy, QStringLiteral("no deploy %1").arg(id)};
}

} // namespace fleet
