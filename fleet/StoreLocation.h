#pragma once

#include <QString>

#include <optional>

// Where the fleet store is: fleet.sqlite in the data folder unless --store or fleet.ini names
// another one.
//   sqlite:PATH
//   postgresql://[USER@]HOST[:PORT]/DBNAME
//   postgresql:///DBNAME?host=SOCKETDIR
// No password is ever read from here or kept: the database client finds it where it always
// does (its password file, its environment).
namespace fleet {

enum class StoreKind
{
    Sqlite,
    Postgres,
};

struct StoreLocation
{
    StoreKind kind = StoreKind::Sqlite;
    QString path;     // SQLite: the file
    QString host;     // PostgreSQL: a host name or a socket folder; empty: the client's default
    int port = -1;    // PostgreSQL: -1 for the client's default
    QString user;     // PostgreSQL: empty for the client's default
    QString database; // PostgreSQL

    // For messages: the file, or postgresql://user@host:port/db.
    QString display() const;
};

struct LocationParse
{
    std::optional<StoreLocation> location;
    QString error; // what is wrong with the text, quoting it
};

LocationParse parseStoreUrl(const QString& url);

inline constexpr char kStoreFileName[] = "fleet.sqlite";
inline constexpr char kFleetIniName[] = "fleet.ini";

// The store of a data folder: url when given (--store), else [store] url= of fleet.ini there,
// else fleet.sqlite there. A fleet.ini that cannot be read or names no usable store is an error,
// not a silent fall back to another store.
LocationParse storeLocationFor(const QString& dataDir, const QString& url = {});

} // namespace fleet
