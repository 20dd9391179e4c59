#pragma once

// A fresh fleet store for each test: a SQLite file in a temporary folder, or, when
// ORVEX_TEST_STORE names a PostgreSQL database (a throwaway cluster), a new database in it.
#include "fleet/Store.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

namespace storerig {

inline bool onPostgres()
{
    return qEnvironmentVariable("ORVEX_TEST_STORE").startsWith(QLatin1String("postgresql:"));
}

class FreshStore
{
public:
    FreshStore()
    {
        if (!onPostgres()) {
            location.path = dir.filePath(QStringLiteral("fleet.sqlite"));
            ready = dir.isValid();
            return;
        }
        const fleet::LocationParse admin =
            fleet::parseStoreUrl(qEnvironmentVariable("ORVEX_TEST_STORE"));
        if (!admin.location) {
            error = admin.error;
            return;
        }
        static QAtomicInteger<int> counter;
        location = *admin.location;
        location.database = QStringLiteral("orvex_%1_%2")
                                .arg(QCoreApplication::applicationPid())
                                .arg(counter.fetchAndAddRelaxed(1));
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("rig"));
            db.setDatabaseName(admin.location->database);
            if (!admin.location->host.isEmpty()) {
                db.setHostName(admin.location->host);
            }
            if (admin.location->port >= 0) {
                db.setPort(admin.location->port);
            }
            if (!db.open()) {
                error = db.lastError().text();
            } else {
                QSqlQuery q(db);
                ready = q.exec(QStringLiteral("CREATE DATABASE %1").arg(location.database));
                error = q.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("rig"));
    }

    // The address a child process is given.
    QString url() const
    {
        return location.kind == fleet::StoreKind::Sqlite ? QStringLiteral("sqlite:") + location.path
                                                         : location.display();
    }

    std::unique_ptr<fleet::Store> open() const { return std::make_unique<fleet::Store>(location); }

    // A statement run on a connection of the test's own, outside the store's code; the first
    // column of the first row.
    QVariant raw(const QString& sql) const
    {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(location.kind == fleet::StoreKind::Sqlite
                                                            ? QStringLiteral("QSQLITE")
                                                            : QStringLiteral("QPSQL"),
                                                        QStringLiteral("raw"));
            db.setDatabaseName(location.kind == fleet::StoreKind::Sqlite ? location.path
                                                                         : location.database);
            if (!location.host.isEmpty()) {
                db.setHostName(location.host);
            }
            if (location.port >= 0) {
                db.setPort(location.port);
            }
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(sql) && q.next()) {
                    value = q.value(0);
                }
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        return value;
    }

    QTemporaryDir dir;
    fleet::StoreLocation location;
    bool ready = false;
    QString error;
};

// One day version whose gate and ranges are given; every other member its initial value.
inline fleet::NewVersion dayVersion(int gate, int ranges = 255)
{
    fleet::NewVersion v;
    v.layout = lnk::Layout::Day;
    v.values[model::index(model::Member::gate)] = gate;
    v.values[model::index(model::Member::ranges)] = ranges;
    v.by = QStringLiteral("tester@desk");
    return v;
}

inline fleet::Attempt success(const fleet::NewVersion& v)
{
    fleet::Attempt a;
    a.taken = v;
    return a;
}

inline fleet::Attempt failure(const QString& why)
{
    fleet::Attempt a;
    a.error = why;
    return a;
}

} // namespace storerig
