#include "fleet/StoreRows.h"

#include "link/Printable.h"
#include "session/PortIdentity.h"
#include "session/PortText.h"

#include <QSqlError>

namespace fleet {
namespace {

// Serializes the one-processor-one-site rule between PostgreSQL clients: any constant will do.
constexpr qint64 kSitePortsLockKey = 0x4f52564559;

QString keyOf(const QString& name)
{
    return name.toLower();
}

StoreError unknownSite(const QString& name)
{
    return {StoreErrorKind::UnknownSite,
            QStringLiteral("no site \"%1\"").arg(lnk::printable(name))};
}

// The port as the store keeps it; the error when it does not parse.
StoreResult<QString> storedPort(const QString& text)
{
    const session::PortParse parsed = session::parsePort(text);
    if (!parsed.error.isEmpty()) {
        return {{}, StoreError{StoreErrorKind::InvalidPort, parsed.error}};
    }
    return {session::portText(parsed.port), std::nullopt};
}

} // namespace

StoreResult<Store::SiteRow> Store::siteRow(const QString& name, bool lock)
{
    StoreResult<SiteRow> r;
    QSqlQuery q(m_db);
    const QString sql =
        QStringLiteral("SELECT %1 FROM fleet_sites WHERE name_key = ?%2")
            .arg(siteColumns(), lock && postgres() ? QStringLiteral(" FOR UPDATE") : QString());
    if ((r.error = exec(q, sql, {keyOf(name)}))) {
        return r;
    }
    if (!q.next()) {
        r.error = unknownSite(name);
        return r;
    }
    r.value = siteRowFrom(q);
    return r;
}

StoreResult<Store::SiteRow> Store::liveSiteRow(const QString& name)
{
    StoreResult<SiteRow> r = siteRow(name, true);
    if (r.ok() && r.value.site.removed) {
        r.error = siteRemoved(r.value.site.name);
    }
    return r;
}

StoreResult<QList<Site>> Store::sites(bool withRemoved)
{
    StoreResult<QList<Site>> r;
    if ((r.error = ensure(Access::Read))) {
        return r;
    }
    QSqlQuery q(m_db);
    const QString sql =
        QStringLiteral("SELECT %1 FROM fleet_sites%2 ORDER BY name_key")
            .arg(siteColumns(), withRemoved ? QString() : QStringLiteral(" WHERE removed = 0"));
    if ((r.error = exec(q, sql))) {
        return r;
    }
    while (q.next()) {
        r.value.append(siteRowFrom(q).site);
    }
    return r;
}

StoreResult<Site> Store::site(const QString& name)
{
    StoreResult<Site> r;
    if ((r.error = ensure(Access::Read))) {
        return r;
    }
    StoreResult<SiteRow> row = siteRow(name, false);
    r.error = row.error;
    r.value = row.value.site;
    return r;
}

StoreResult<std::optional<Site>> Store::siteOnPort(const QString& port)
{
    StoreResult<std::optional<Site>> r;
    const StoreResult<QString> key = storedPort(port);
    if ((r.error = key.error) || (r.error = ensure(Access::Read))) {
        return r;
    }
    QSqlQuery q(m_db);
    if ((r.error = exec(q,
                        QStringLiteral("SELECT %1 FROM fleet_sites WHERE port = ? AND removed = 0")
                            .arg(siteColumns()),
                        {key.value}))) {
        return r;
    }
    // Port 3 of another desk is another processor.
    while (q.next()) {
        const Site site = siteRowFrom(q).site;
        if (notLocalHere(site.port, site.owner, m_place).isEmpty()) {
            r.value = site;
            break;
        }
    }
    return r;
}

StoreResult<QList<Site>> Store::select(const Selection& selection)
{
    StoreResult<QList<Site>> r;
    StoreResult<QList<Site>> all = sites(!selection.all && selection.group.isEmpty());
    if ((r.error = all.error)) {
        return r;
    }
    if (selection.all) {
        r.value = all.value;
        if (r.value.isEmpty()) {
            r.error = StoreError{StoreErrorKind::UnknownSite, QStringLiteral("no sites")};
        }
        return r;
    }
    if (!selection.group.isEmpty()) {
        for (const Site& s : all.value) {
            if (keyOf(s.group) == keyOf(selection.group)) {
                r.value.append(s);
            }
        }
        if (r.value.isEmpty()) {
            r.error = StoreError{
                StoreErrorKind::UnknownSite,
                QStringLiteral("no site in group \"%1\"").arg(lnk::printable(selection.group))};
        }
        return r;
    }
    for (const Site& s : all.value) {
        for (const QString& name : selection.names) {
            if (keyOf(name) == keyOf(s.name)) {
                if (s.removed && !selection.withRemoved) {
                    r.value.clear();
                    r.error = siteRemoved(s.name);
                    return r;
                }
                r.value.append(s);
                break;
            }
        }
    }
    for (const QString& name : selection.names) {
        const bool found = std::any_of(r.value.cbegin(), r.value.cend(),
                                       [&](const Site& s) { return keyOf(s.name) == keyOf(name); });
        if (!found) {
            r.error = unknownSite(name);
            return r;
        }
    }
    return r;
}

StoreResult<Site> Store::addSite(const QString& name, const QString& port, const QString& group)
{
    StoreResult<Site> r;
    const QString nameError = nameProblem(name);
    const QString groupError =
        group.isEmpty() ? QString() : nameProblem(group, QStringLiteral("group name"));
    if (!nameError.isEmpty() || !groupError.isEmpty()) {
        r.error =
            StoreError{StoreErrorKind::InvalidName, nameError.isEmpty() ? groupError : nameError};
        return r;
    }
    const StoreResult<QString> key = storedPort(port);
    if ((r.error = key.error) || (r.error = ensure(Access::Create))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        r = addSiteIn(name, key.value, group);
        return r.error;
    });
    return r;
}

QString Store::identityOf(const QString& port) const
{
    return m_place.host.isEmpty() ? port : session::portIdentity(port, m_place.dataDir);
}

std::optional<StoreError> Store::portFree(const QString& port, const Owner& owner,
                                          const QString& except)
{
    QSqlQuery q(m_db);
    if (postgres()) {
        // The rule compares identities, which no index holds: writers that add or move sites
        // take turns, as SQLite's writers always do.
        if (auto e =
                exec(q, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSitePortsLockKey})) {
            return e;
        }
    }
    if (auto e = exec(q, QStringLiteral("SELECT name, port, owner_host, owner_folder FROM "
                                        "fleet_sites WHERE removed = 0"))) {
        return e;
    }
    const QString wanted = identityOf(port);
    while (q.next()) {
        const QString other = q.value(0).toString();
        if (keyOf(other) == keyOf(except)) {
            continue;
        }
        const Owner theirOwner{q.value(2).toString(), q.value(3).toString()};
        if (!owner.isEmpty() && !theirOwner.isEmpty() && !mayShareProcessor(owner, theirOwner)) {
            continue; // another desk's local port: another processor
        }
        const QString theirs = q.value(1).toString();
        if (theirs == port || identityOf(theirs) == wanted) {
            return StoreError{
                StoreErrorKind::PortTaken,
                QStringLiteral("port %1 is already the port of site \"%2\"").arg(port, other)};
        }
    }
    return std::nullopt;
}

StoreResult<Site> Store::addSiteIn(const QString& name, const QString& port, const QString& group)
{
    StoreResult<Site> r;
    QSqlQuery q(m_db);
    const Owner owner = ownerOf(port, m_place);
    if ((r.error = portFree(port, owner, {}))) {
        return r;
    }
    StoreResult<SiteRow> existing = siteRow(name, true);
    if (existing.ok() && !existing.value.site.removed) {
        r.error = StoreError{
            StoreErrorKind::NameTaken,
            QStringLiteral("there is a site \"%1\" already").arg(existing.value.site.name)};
        return r;
    }
    if (existing.ok()) {
        // A removed site comes back with its history.
        r.error = exec(q,
                       QStringLiteral("UPDATE fleet_sites SET name = ?, port = ?, site_group = ?, "
                                      "removed = 0, owner_host = ?, owner_folder = ? WHERE id = ?"),
                       {name, port, group, owner.host, owner.folder, existing.value.id});
    } else if (existing.error->kind == StoreErrorKind::UnknownSite) {
        r.error = exec(q,
                       QStringLiteral("INSERT INTO fleet_sites (name, name_key, port, site_group, "
                                      "owner_host, owner_folder) VALUES (?, ?, ?, ?, ?, ?)"),
                       {name, keyOf(name), port, group, owner.host, owner.folder});
    } else {
        r.error = existing.error;
    }
    if (!r.error) {
        StoreResult<SiteRow> added = siteRow(name, false);
        r.error = added.error;
        r.value = added.value.site;
    }
    return r;
}

StoreResult<Site> Store::changeSite(const QString& name, const SiteChange& change)
{
    StoreResult<Site> r;
    std::optional<QString> port;
    if (change.port) {
        const StoreResult<QString> key = storedPort(*change.port);
        if ((r.error = key.error)) {
            return r;
        }
        port = key.value;
    }
    QString problem;
    if (change.name) {
        problem = nameProblem(*change.name);
    }
    if (problem.isEmpty() && change.group && !change.group->isEmpty()) {
        problem = nameProblem(*change.group, QStringLiteral("group name"));
    }
    if (!problem.isEmpty()) {
        r.error = StoreError{StoreErrorKind::InvalidName, problem};
        return r;
    }
    if ((r.error = ensure(Access::Write))) {
        return r;
    }
    r.error = write([&]() -> std::optional<StoreError> {
        StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok() || row.value.site.removed) {
            return row.ok() ? unknownSite(name) : *row.error;
        }
        const Site& site = row.value.site;
        QSqlQuery q(m_db);
        // A new port is this place's; so is the old one when claimed. Otherwise the owner stays:
        // a group or a name changes anywhere.
        const bool placed = (port && *port != site.port) || change.claim;
        const Owner owner = placed ? ownerOf(port.value_or(site.port), m_place) : site.owner;
        if (placed) {
            if (auto e = portFree(port.value_or(site.port), owner, site.name)) {
                return e;
            }
        }
        QString newName = row.value.site.name;
        if (change.name && keyOf(*change.name) != keyOf(name)) {
            StoreResult<SiteRow> other = siteRow(*change.name, false);
            if (other.ok()) {
                return StoreError{StoreErrorKind::NameTaken,
                                  other.value.site.removed
                                      ? QStringLiteral("the removed site \"%1\" keeps that name "
                                                       "for its history (remove it with --purge "
                                                       "first)")
                                            .arg(other.value.site.name)
                                      : QStringLiteral("there is a site \"%1\" already")
                                            .arg(other.value.site.name)};
            }
            if (other.error->kind != StoreErrorKind::UnknownSite) {
                return other.error;
            }
        }
        if (change.name) {
            newName = *change.name;
        }
        if (auto e =
                exec(q,
                     QStringLiteral("UPDATE fleet_sites SET name = ?, name_key = ?, port = ?, "
                                    "site_group = ?, owner_host = ?, owner_folder = ? "
                                    "WHERE id = ?"),
                     {newName, keyOf(newName), port.value_or(site.port),
                      change.group.value_or(site.group), owner.host, owner.folder, row.value.id})) {
            return e;
        }
        StoreResult<SiteRow> changed = siteRow(newName, false);
        r.value = changed.value.site;
        return changed.error;
    });
    return r;
}

std::optional<StoreError> Store::removeSite(const QString& name, bool purge)
{
    if (auto e = ensure(Access::Write)) {
        return e;
    }
    return write([&]() -> std::optional<StoreError> {
        StoreResult<SiteRow> row = siteRow(name, true);
        if (!row.ok()) {
            return row.error;
        }
        if (row.value.site.removed && !purge) {
            return unknownSite(name);
        }
        QSqlQuery q(m_db);
        if (purge) {
            // References go with their versions, versions with their site.
            return exec(q, QStringLiteral("DELETE FROM fleet_sites WHERE id = ?"), {row.value.id});
        }
        return exec(q, QStringLiteral("UPDATE fleet_sites SET removed = 1 WHERE id = ?"),
                    {row.value.id});
    });
}

} // namespace fleet
