#pragma once

#include <QString>

#include <optional>

// Where the fleet store is: fleet.sqlite in the data folder unless --store or fleet.ini names
// another one.
//   sqlite:PATH
//   postgresql://[USER@]HOST[:PORT]/DBNAME[?sslmode=..&sslrootcert=FILE&sslcert=..&sslkey=..&sslcrl=..]
//   postgresql:///DBNAME?host=SOCKETDIR
// No password is ever read from here or kept: the database client finds it where it always
// does (its password file, its environment). The TLS settings name files only; a key's pass
// phrase is a secret too and is refused like a password.
namespace fleet {

enum class StoreKind
{
    Sqlite,
    Postgres,
};

// How long a store is waited for. A command that waits longer than its caller does is as bad
// as one that never answers: a monitoring check must answer within its own time, so it waits
// less than a scheduled backup that may share the store with an operator.
struct StoreBounds
{
    int connectSeconds = 10; // PostgreSQL: the connection and its start-up
    int lockMs = 30000;      // PostgreSQL: a lock held by another session
    int statementMs = 0;     // PostgreSQL: any one statement; 0 for no bound
    int busyMs = 30000;      // SQLite: another writer holding the file
    static StoreBounds forCheck();
};

// The TLS settings of a PostgreSQL address, as the client takes them; empty ones are the
// client's defaults.
struct StoreTls
{
    QString mode;     // disable, allow, prefer, require, verify-ca, verify-full
    QString rootCert; // the certificates the server's must chain to
    QString cert;     // the client's certificate
    QString key;      // its key, which must not need a pass phrase
    QString crl;      // revoked certificates
};

struct StoreLocation
{
    StoreKind kind = StoreKind::Sqlite;
    QString path;     // SQLite: the file
    QString host;     // PostgreSQL: a host name or a socket folder; empty: the client's default
    int port = -1;    // PostgreSQL: -1 for the client's default
    QString user;     // PostgreSQL: empty for the client's default
    QString database; // PostgreSQL
    StoreTls tls;     // PostgreSQL
    StoreBounds bounds;

    // For messages: the file, or postgresql://user@host:port/db with its settings.
    QString display() const;
};

// A store address as it may be shown anywhere (messages, JSON, logs, windows): a password in
// it, given after the user name or as a password= setting, is replaced by ***. Every text that
// shows an address goes through this, the ones that were refused included.
QString shownAddress(const QString& url);

struct LocationParse
{
    std::optional<StoreLocation> location;
    QString error; // what is wrong with the text, quoting it without its password
};

LocationParse parseStoreUrl(const QString& url);

inline constexpr char kStoreFileName[] = "fleet.sqlite";
inline constexpr char kFleetIniName[] = "fleet.ini";

// The store of a data folder: url when given (--store), else [store] url= of fleet.ini there,
// else fleet.sqlite there. A fleet.ini that cannot be read or names no usable store is an error,
// not a silent fall back to another store.
LocationParse storeLocationFor(const QString& dataDir, const QString& url = {});

} // namespace fleet
