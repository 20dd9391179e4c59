#include "fleet/Store.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QThread>

namespace fleet {
namespace {

// Each connection has a name of its own: Qt SQL keeps connections by name, per process.
QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("orvexfleet-%1").arg(counter.fetchAndAddRelaxed(1));
}

// How often a whole write is tried again after the store reported busy (SQLite, past the
// location's busy bound) or a conflict (PostgreSQL).
constexpr int kWriteAttempts = 12;
constexpr unsigned long kRetryPauseMs = 50;

// SQLite result codes (the low byte of an extended code).
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqlitePerm = 3;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADb = 26;

// Below this a failed write is the disk's room: SQLite says only "disk I/O error" when a file
// it grows (the -wal, the -shm) cannot.
constexpr qint64 kNearlyFullBytes = 1024 * 1024;

bool nearlyFull(const QString& path)
{
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    return volume.isValid() && volume.bytesAvailable() >= 0 &&
           volume.bytesAvailable() < kNearlyFullBytes;
}

// What this user may not do with a SQLite store: read it, or write where SQLite has to.
std::optional<QString> sqliteAccessProblem(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.exists() && !file.isReadable()) {
        return QStringLiteral("%1: permission denied (this user may not read it)").arg(path);
    }
    if (!folder.isWritable()) {
        return QStringLiteral("%1: permission denied (this user may not write in %2; a reader "
                              "there needs %3-wal and %3-shm to exist, as they do while a writer "
                              "has the store open, or write access to the folder)")
            .arg(path, folder.filePath(), file.fileName());
    }
    if (file.exists() && !file.isWritable()) {
        return QStringLiteral("%1: permission denied (this user may not write it)").arg(path);
    }
    return std::nullopt;
}

// A driver's message may span lines ("...refused\n\tIs the server running..."): every message
// of the store is one line, for logs and monitoring that read one.
QString oneLine(const QString& text)
{
    QStringList parts;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (const QString part = line.trimmed(); !part.isEmpty()) {
            parts << part;
        }
    }
    return parts.join(QStringLiteral("; "));
}

// A setting's value in the client's own connection words: quoted, its quotes and backslashes
// escaped.
QString quoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    v.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

// What PostgreSQL is told besides the address: how long to wait, and the TLS settings.
QString postgresOptions(const StoreLocation& l)
{
    QStringList words{QStringLiteral("connect_timeout=%1").arg(l.bounds.connectSeconds)};
    QString server = QStringLiteral("-c lock_timeout=%1").arg(l.bounds.lockMs);
    if (l.bounds.statementMs > 0) {
        server += QStringLiteral(" -c statement_timeout=%1").arg(l.bounds.statementMs);
    }
    words << QStringLiteral("options=") + quoted(server);
    const std::pair<const char*, const QString*> tls[] = {{"sslmode", &l.tls.mode},
                                                          {"sslrootcert", &l.tls.rootCert},
                                                          {"sslcert", &l.tls.cert},
                                                          {"sslkey", &l.tls.key},
                                                          {"sslcrl", &l.tls.crl}};
    for (const auto& [key, value] : tls) {
        if (!value->isEmpty()) {
            words << QLatin1String(key) + QLatin1Char('=') + quoted(*value);
        }
    }
    return words.join(QLatin1Char(' '));
}

// Why a connection failed, in the store's words where the client's are obscure.
QString openFailure(const StoreLocation& l, const QString& driverText)
{
    if (driverText.contains(QLatin1String("certificate verify failed"))) {
        return QStringLiteral("TLS: server certificate not trusted (%1)")
            .arg(l.tls.rootCert.isEmpty() ? QStringLiteral("the client's default root "
                                                           "certificates")
                                          : l.tls.rootCert);
    }
    return oneLine(driverText);
}

QString driverName(StoreKind kind)
{
    return kind == StoreKind::Sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

} // namespace

Store::Store(StoreLocation location)
    : m_location(std::move(location)), m_connectionName(newConnectionName())
{}

Store::~Store()
{
    if (m_connected) {
        m_db.close();
    }
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

std::optional<StoreError> Store::connect(bool forWriting)
{
    if (m_connected) {
        return std::nullopt;
    }
    const QString driver = driverName(m_location.kind);
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        return StoreError{StoreErrorKind::NoDriver,
                          m_location.kind == StoreKind::Sqlite
                              ? QStringLiteral("Qt SQL has no SQLite driver (Debian package "
                                               "libqt6sql6-sqlite)")
                              : QStringLiteral("Qt SQL has no PostgreSQL driver (Debian package "
                                               "libqt6sql6-psql)")};
    }
    m_db = QSqlDatabase::addDatabase(driver, m_connectionName);
    if (m_location.kind == StoreKind::Sqlite) {
        const QFileInfo file(m_location.path);
        if (file.exists() && !file.isReadable()) {
            return StoreError{StoreErrorKind::Unreachable, *sqliteAccessProblem(m_location.path)};
        }
        m_db.setDatabaseName(m_location.path);
        // A reader in a folder it may not write opens the store read-only, as SQLite then must.
        const bool readOnly =
            !forWriting && file.exists() && !QFileInfo(file.absolutePath()).isWritable();
        m_db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
                .arg(m_location.bounds.busyMs)
                .arg(readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    } else {
        m_db.setDatabaseName(m_location.database);
        if (!m_location.host.isEmpty()) {
            m_db.setHostName(m_location.host);
        }
        if (m_location.port >= 0) {
            m_db.setPort(m_location.port);
        }
        if (!m_location.user.isEmpty()) {
            m_db.setUserName(m_location.user);
        }
        m_db.setConnectOptions(postgresOptions(m_location));
    }
    if (!m_db.open()) {
        const StoreError e{
            StoreErrorKind::Unreachable,
            QStringLiteral("%1: cannot open the store: %2")
                .arg(m_location.display(), openFailure(m_location, m_db.lastError().text()))};
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
        return e;
    }
    m_connected = true;
    QSqlQuery q(m_db);
    if (m_location.kind == StoreKind::Sqlite) {
        // Read before anything else touches the file: a file that is no database is reported
        // here, before any setting could write to it.
        if (auto e = exec(q, QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            return e;
        }
        for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL"}) {
            if (auto e = exec(q, QLatin1String(pragma))) {
                return e;
            }
        }
    } else {
        if (auto e = exec(q, QStringLiteral("SET client_min_messages = WARNING"))) {
            return e;
        }
    }
    return std::nullopt;
}

std::optional<StoreError> Store::write(const std::function<std::optional<StoreError>()>& body)
{
    std::optional<StoreError> error;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        QSqlQuery q(m_db);
        error = exec(q, postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
        if (!error) {
            error = body();
            if (!error) {
                error = exec(q, QStringLiteral("COMMIT"));
                if (!error) {
                    return std::nullopt;
                }
            }
            const bool retry = m_retryable;
            QSqlQuery rollback(m_db);
            rollback.exec(QStringLiteral("ROLLBACK"));
            m_retryable = retry;
        }
        if (!m_retryable) {
            return error;
        }
        QThread::msleep(kRetryPauseMs * (attempt + 1));
    }
    error->kind = StoreErrorKind::Busy;
    error->message = QStringLiteral("%1: other writers held the store too long (%2)")
                         .arg(m_location.display(), error->message);
    return error;
}

std::optional<StoreError> Store::exec(QSqlQuery& q, const QString& sql, const QVariantList& binds)
{
    q.setForwardOnly(true);
    bool ok = false;
    if (binds.isEmpty()) {
        ok = q.exec(sql);
    } else {
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant& b : binds) {
                // Every text column is NOT NULL: a null text (no group, no note) is an empty one.
                const bool nullText = b.typeId() == QMetaType::QString && b.toString().isNull();
                q.addBindValue(nullText ? QVariant(QStringLiteral("")) : b);
            }
            ok = q.exec();
        }
    }
    if (ok) {
        m_retryable = false;
        return std::nullopt;
    }
    return errorOf(q.lastError(), sql.section(QLatin1Char(' '), 0, 0));
}

StoreError Store::errorOf(const QSqlError& error, const QString& doing)
{
    const QString text = QStringLiteral("%1: %2 failed: %3")
                             .arg(m_location.display(), doing.toLower(), oneLine(error.text()));
    const QString code = error.nativeErrorCode();
    m_retryable = false;
    if (!postgres()) {
        const int primary = code.toInt() & 0xff;
        switch (primary) {
        case kSqliteBusy:
        case kSqliteLocked:
            m_retryable = true;
            return {StoreErrorKind::Busy, text};
        case kSqliteCorrupt:
        case kSqliteNotADb:
            return {StoreErrorKind::Damaged,
                    QStringLiteral("%1: damaged or not a database; left untouched (%2)")
                        .arg(m_location.display(), oneLine(error.text()))};
        case kSqliteFull:
            return {StoreErrorKind::DiskFull, QStringLiteral("%1: disk full (%2 failed)")
                                                  .arg(m_location.display(), doing.toLower())};
        case kSqliteIoErr:
            if (nearlyFull(m_location.path)) {
                return {StoreErrorKind::DiskFull,
                        QStringLiteral("%1: disk full (%2 failed: %3)")
                            .arg(m_location.display(), doing.toLower(), oneLine(error.text()))};
            }
            return {StoreErrorKind::Unreachable, text};
        case kSqlitePerm:
        case kSqliteReadOnly:
        case kSqliteCantOpen:
            if (const std::optional<QString> problem = sqliteAccessProblem(m_location.path)) {
                return {StoreErrorKind::Unreachable, *problem};
            }
            return {StoreErrorKind::Unreachable, text};
        default:
            return {StoreErrorKind::Unreachable, text};
        }
    }
    // SQLSTATEs: serialization failure, deadlock, a unique key taken by a concurrent writer.
    if (code == QLatin1String("40001") || code == QLatin1String("40P01") ||
        code == QLatin1String("23505") || code == QLatin1String("55P03")) {
        m_retryable = true;
        return {StoreErrorKind::Busy, text};
    }
    if (code == QLatin1String("53100")) {
        return {StoreErrorKind::DiskFull, text};
    }
    return {StoreErrorKind::Unreachable, text};
}

} // namespace fleet
