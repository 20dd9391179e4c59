#include "fleet/StoreRows.h"
#include "fleet/StoreTables.h"
#include "storage/GroupShare.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

// The schema: made by the first write, checked by every connection, brought up to date in one
// transaction.
namespace fleet {
namespace {

// Serializes schema creation between PostgreSQL clients: any constant will do.
constexpr qint64 kSchemaLockKey = 0x4f52564558;

} // namespace

StoreResult<int> Store::schemaVersion(bool* present)
{
    StoreResult<int> r;
    QSqlQuery q(m_db);
    const QString tables =
        postgres() ? QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                    "table_schema = current_schema()")
                   : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'");
    if ((r.error = exec(q, tables))) {
        return r;
    }
    bool meta = false;
    bool others = false;
    while (q.next()) {
        const QString t = q.value(0).toString();
        meta = meta || t == QLatin1String("fleet_meta");
        others = others || !t.startsWith(QLatin1String("fleet_"));
    }
    *present = meta;
    if (!meta) {
        // A database of somebody else's in a file of ours is not written over; a shared
        // PostgreSQL database may well hold other tables.
        if (others && !postgres()) {
            r.error = StoreError{StoreErrorKind::Damaged,
                                 QStringLiteral("%1: not a fleet store (it holds other tables); "
                                                "left untouched")
                                     .arg(m_location.display())};
        }
        return r;
    }
    if ((r.error = exec(q, QStringLiteral("SELECT value FROM fleet_meta WHERE key = 'schema'")))) {
        return r;
    }
    bool ok = false;
    r.value = q.next() ? q.value(0).toString().toInt(&ok) : 0;
    if (!ok || r.value < 1) {
        r.error = StoreError{StoreErrorKind::Damaged,
                             QStringLiteral("%1: the store has no schema version; left untouched")
                                 .arg(m_location.display())};
    }
    return r;
}

std::optional<StoreError> Store::openForReading()
{
    return ensure(Access::Read);
}

QString Store::siteColumns() const
{
    // A store of schema 1 is read as it is: it moves on only when something is written.
    return m_schema >= 2 ? QString::fromLatin1(kSiteColumns)
                         : QString::fromLatin1(kSiteColumns)
                               .replace(QLatin1String("owner_host, owner_folder"),
                                        QLatin1String("'' AS owner_host, '' AS owner_folder"));
}

std::optional<StoreError> Store::ensure(Access access)
{
    if (m_ready && (access == Access::Read || m_schema == kSchemaVersion)) {
        return std::nullopt;
    }
    if (m_ready) {
        if (auto e = migrate(m_schema)) {
            return e;
        }
        m_schema = kSchemaVersion;
        return std::nullopt;
    }
    const bool write = access == Access::Create;
    if (m_location.kind == StoreKind::Sqlite) {
        const QFileInfo file(m_location.path);
        if (!write && !file.exists()) {
            return StoreError{StoreErrorKind::Missing,
                              QStringLiteral("%1: no fleet store yet").arg(m_location.path)};
        }
        if (file.exists() && !file.isFile()) {
            return StoreError{StoreErrorKind::Unreachable,
                              QStringLiteral("%1: not a regular file").arg(m_location.path)};
        }
        if (!file.dir().exists()) {
            return StoreError{StoreErrorKind::Unreachable,
                              QStringLiteral("%1: the folder does not exist").arg(m_location.path)};
        }
        if (write && !file.exists()) {
            storage::createForGroup(m_location.path); // an empty file is an empty database
        }
    }
    if (auto e = connect(access != Access::Read)) {
        return e;
    }
    bool present = false;
    StoreResult<int> v = schemaVersion(&present);
    if (!v.ok()) {
        return v.error;
    }
    if (!present) {
        if (!write) {
            return StoreError{StoreErrorKind::Missing,
                              QStringLiteral("%1: no fleet store yet").arg(m_location.display())};
        }
        if (auto e = createSchema()) {
            return e;
        }
        v = schemaVersion(&present);
        if (!v.ok()) {
            return v.error;
        }
    }
    if (v.value > kSchemaVersion) {
        return StoreError{StoreErrorKind::Newer,
                          QStringLiteral("%1: written by a newer program (store schema %2, this "
                                         "program knows %3); refused, nothing written")
                              .arg(m_location.display())
                              .arg(v.value)
                              .arg(kSchemaVersion)};
    }
    if (v.value < kSchemaVersion && access != Access::Read) {
        if (auto e = migrate(v.value)) {
            return e;
        }
        v.value = kSchemaVersion;
    }
    m_schema = v.value;
    m_ready = true;
    if (m_location.kind == StoreKind::Sqlite) {
        // SQLite gives -wal and -shm the store file's mode: in a folder the group shares, that
        // mode keeps every member able to write after any member's read.
        for (const char* suffix : {"", "-wal", "-shm"}) {
            storage::shareWithGroup(m_location.path + QLatin1String(suffix));
        }
    }
    return std::nullopt;
}

std::optional<StoreError> Store::createSchema()
{
    if (!postgres()) {
        // Write-ahead logging lets readers go on while one process writes; it stays set in the
        // file. Set outside a transaction, as SQLite requires.
        QSqlQuery q(m_db);
        if (auto e = exec(q, QStringLiteral("PRAGMA journal_mode = WAL"))) {
            return e;
        }
    }
    return write([this]() -> std::optional<StoreError> {
        QSqlQuery q(m_db);
        if (postgres()) {
            if (auto e =
                    exec(q, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLockKey})) {
                return e;
            }
        }
        for (const QString& statement : schemaStatements(postgres())) {
            if (auto e = exec(q, statement)) {
                return e;
            }
        }
        return exec(q,
                    QStringLiteral("INSERT INTO fleet_meta (key, value) VALUES ('schema', ?) "
                                   "ON CONFLICT (key) DO NOTHING"),
                    {QString::number(kSchemaVersion)});
    });
}

std::optional<StoreError> Store::migrate(int from)
{
    // Every step of a migration runs in one transaction, so a store is either migrated or left
    // as it was; another writer may have migrated it meanwhile.
    const QList<QStringList> steps = migrationSteps(postgres());
    return write([this, from, &steps]() -> std::optional<StoreError> {
        QSqlQuery q(m_db);
        if (postgres()) {
            if (auto e =
                    exec(q, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLockKey})) {
                return e;
            }
        }
        if (auto e = exec(q, QStringLiteral("SELECT value FROM fleet_meta WHERE key = 'schema'"))) {
            return e;
        }
        const int now = q.next() ? q.value(0).toString().toInt() : from;
        for (int v = now; v < kSchemaVersion; ++v) {
            if (v - 1 >= steps.size()) {
                return StoreError{StoreErrorKind::Damaged,
                                  QStringLiteral("%1: no way from store schema %2 to %3")
                                      .arg(m_location.display())
                                      .arg(v)
                                      .arg(kSchemaVersion)};
            }
            for (const QString& statement : steps[v - 1]) {
                if (auto e = exec(q, statement)) {
                    return e;
                }
            }
        }
        return exec(q, QStringLiteral("UPDATE fleet_meta SET value = ? WHERE key = 'schema'"),
                    {QString::number(kSchemaVersion)});
    });
}

} // namespace fleet
