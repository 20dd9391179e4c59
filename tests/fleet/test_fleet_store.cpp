// The fleet store on SQLite, and under a throwaway PostgreSQL cluster on PostgreSQL: sites and
// their rules, versions only on change, status and events, references and drift, a missing, a
// newer and a damaged store, writers at once, a writer killed, a full disk.
#include "StoreRig.h"
#include "fleet/AttemptRule.h"
#include "fleet/History.h"
#include "fleet/Spool.h"
#include "storage/AtomicWrite.h"
#include "storage/GroupShare.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStorageInfo>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace storerig;
using fleet::AttemptOutcome;
using fleet::EventKind;
using fleet::StoreErrorKind;

Q_DECLARE_METATYPE(std::optional<fleet::StoreErrorKind>)

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writerProgram()
{
    return qEnvironmentVariable("ORVEX_BIN_DIR") + QStringLiteral("/fleet_store_writer");
}

QList<int> numbers(fleet::Store& store, const QString& site)
{
    QList<int> n;
    for (const fleet::Version& v : store.versions(site).value) {
        n << v.number;
    }
    return n;
}

QList<int> oneTo(int n)
{
    QList<int> all;
    for (int i = 1; i <= n; ++i) {
        all << i;
    }
    return all;
}

} // namespace

class TestFleetStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void attemptRule_data();
    void attemptRule();
    void sitesFollowTheNameAndPortRules_data();
    void sitesFollowTheNameAndPortRules();
    void removedSitesKeepTheirHistory();
    void versionsOnlyOnChange();
    void statusReferencesAndEvents();
    void historyAndExport();
    void readingAMissingStoreCreatesNothing();
    void newerSchemaRefusedAndNotWritten();
    void schemaOneReadAsItIsMovedOnByAWrite();
    void localPortsBelongToTheirPlace();
    void aSharedFolderKeepsItsGroupWriting();
    void failuresTheStoreCannotKeepAreSpooled();
    void damagedFileKeptByteForByte_data();
    void damagedFileKeptByteForByte();
    void twoProcessesLoseNoVersion();
    void killedWriterLeavesEveryCompletedVersion();
    void fullDiskReportedAndStoreConsistent();
};

void TestFleetStore::sitesFollowTheNameAndPortRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("port");
    QTest::addColumn<std::optional<StoreErrorKind>>("refused");
    const std::optional<StoreErrorKind> ok;
    QTest::newRow("another name and port") << "South-2.a_b c"
                                           << "4" << ok;
    QTest::newRow("a name of 64 characters") << QString(64, 'x') << "4" << ok;
    QTest::newRow("a network port") << "South"
                                    << "tcp://192.0.2.1:4001" << ok;
    QTest::newRow("the name in other case") << "nORTH"
                                            << "4" << std::optional(StoreErrorKind::NameTaken);
    QTest::newRow("the same port") << "South"
                                   << "3" << std::optional(StoreErrorKind::PortTaken);
    QTest::newRow("the same port with blanks") << "South"
                                               << " 3 " << std::optional(StoreErrorKind::PortTaken);
    QTest::newRow("65 characters")
        << QString(65, 'x') << "4" << std::optional(StoreErrorKind::InvalidName);
    QTest::newRow("a slash") << "a/b"
                             << "4" << std::optional(StoreErrorKind::InvalidName);
    QTest::newRow("a non-ASCII letter")
        << QString::fromUtf8("N\xc3\xb6rd") << "4" << std::optional(StoreErrorKind::InvalidName);
    QTest::newRow("a leading space") << " South"
                                     << "4" << std::optional(StoreErrorKind::InvalidName);
    QTest::newRow("empty") << ""
                           << "4" << std::optional(StoreErrorKind::InvalidName);
    QTest::newRow("port number 256") << "South"
                                     << "256" << std::optional(StoreErrorKind::InvalidPort);
    QTest::newRow("a relative device path")
        << "South"
        << "ttyUSB0" << std::optional(StoreErrorKind::InvalidPort);
}

void TestFleetStore::sitesFollowTheNameAndPortRules()
{
    QFETCH(QString, name);
    QFETCH(QString, port);
    QFETCH(std::optional<StoreErrorKind>, refused);
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.open();
    QVERIFY(
        store->addSite(QStringLiteral("North"), QStringLiteral("3"), QStringLiteral("east")).ok());
    const fleet::StoreResult<fleet::Site> added = store->addSite(name, port);
    QCOMPARE(added.error ? std::optional(added.error->kind) : std::nullopt, refused);
    const fleet::StoreResult<QList<fleet::Site>> sites = store->sites();
    QCOMPARE(sites.value.size(), refused ? 1 : 2);
}

void TestFleetStore::removedSitesKeepTheirHistory()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.open();
    QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("3")).ok());
    QVERIFY(store->addSite(QStringLiteral("South"), QStringLiteral("4")).ok());
    QVERIFY(store->record(QStringLiteral("North"), success(dayVersion(1))).ok());
    QVERIFY(store->record(QStringLiteral("North"), success(dayVersion(2))).ok());

    QCOMPARE(store->changeSite(QStringLiteral("north"), {QStringLiteral("4"), {}, {}}).error->kind,
             StoreErrorKind::PortTaken);
    const auto changed = store->changeSite(QStringLiteral("north"),
                                           {QStringLiteral("tcp://192.0.2.1:4001"),
                                            QStringLiteral("hills"), QStringLiteral("Northern")});
    QVERIFY2(changed.ok(), qPrintable(changed.error->message));
    QCOMPARE(changed.value.port, QStringLiteral("tcp://192.0.2.1:4001"));
    QCOMPARE(changed.value.group, QStringLiteral("hills"));
    QCOMPARE(numbers(*store, QStringLiteral("NORTHERN")), QList<int>({1, 2}));

    QVERIFY(!store->removeSite(QStringLiteral("Northern"), false));
    QCOMPARE(store->sites().value.size(), 1);
    QCOMPARE(numbers(*store, QStringLiteral("Northern")), QList<int>({1, 2}));
    // Its port is free again; its name comes back with its history.
    QVERIFY(store->addSite(QStringLiteral("East"), QStringLiteral("tcp://192.0.2.1:4001")).ok());
    QVERIFY(store->addSite(QStringLiteral("northern"), QStringLiteral("5")).ok());
    QCOMPARE(numbers(*store, QStringLiteral("Northern")), QList<int>({1, 2}));

    QVERIFY(!store->removeSite(QStringLiteral("Northern"), true));
    QCOMPARE(store->versions(QStringLiteral("Northern")).error->kind, StoreErrorKind::UnknownSite);
    QCOMPARE(rig.raw(QStringLiteral("SELECT count(*) FROM fleet_versions")).toInt(), 0);
}

void TestFleetStore::versionsOnlyOnChange()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.open();
    QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("3")).ok());
    const QString n = QStringLiteral("North");

    const auto first = store->record(n, success(dayVersion(10)));
    QVERIFY2(first.ok(), qPrintable(first.error->message));
    QCOMPARE(first.value.outcome, AttemptOutcome::New);
    QCOMPARE(first.value.version, 1);
    const QDateTime firstChange = *store->site(n).value.status.lastChange;

    QCOMPARE(store->record(n, success(dayVersion(10))).value.outcome, AttemptOutcome::Unchanged);
    QCOMPARE(*store->site(n).value.status.lastChange, firstChange);

    const auto changed = store->record(n, success(dayVersion(11, 200)));
    QCOMPARE(changed.value.outcome, AttemptOutcome::Changed);
    QCOMPARE(changed.value.version, 2);
    QCOMPARE(changed.value.differences, 2);

    fleet::NewVersion night = dayVersion(11, 200);
    night.layout = lnk::Layout::Night;
    const auto firstNight = store->record(n, success(night));
    QCOMPARE(firstNight.value.outcome, AttemptOutcome::New);
    QCOMPARE(firstNight.value.version, 3);
    // Day values are compared with the latest day version, whatever came in between.
    QCOMPARE(store->record(n, success(dayVersion(11, 200))).value.outcome,
             AttemptOutcome::Unchanged);

    const auto versions = store->versions(n).value;
    QCOMPARE(versions.size(), 3);
    QCOMPARE(versions[1].values[model::index(model::Member::gate)], 11);
    QCOMPARE(versions[1].values[model::index(model::Member::ranges)], 200);
    QCOMPARE(versions[2].layout, lnk::Layout::Night);
    QCOMPARE(versions[0].by, QStringLiteral("tester@desk"));
    QCOMPARE(versions[0].time.timeSpec(), Qt::UTC);
}

void TestFleetStore::statusReferencesAndEvents()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.open();
    const QString n = QStringLiteral("North");
    QVERIFY(store->addSite(n, QStringLiteral("3")).ok());
    const auto kinds = [](const fleet::StoreResult<fleet::Recorded>& r) {
        QList<EventKind> k;
        for (const fleet::SiteEvent& e : r.value.events) {
            k << e.kind;
        }
        return k;
    };

    const auto failed = store->record(n, failure(QStringLiteral("no reply")));
    QCOMPARE(kinds(failed), QList<EventKind>({EventKind::Failed}));
    QCOMPARE(kinds(store->record(n, failure(QStringLiteral("no reply")))), QList<EventKind>());
    QCOMPARE(store->site(n).value.status.failures, 2);
    QCOMPARE(store->site(n).value.status.lastError, QStringLiteral("no reply"));
    QVERIFY(!store->site(n).value.status.lastSuccess);

    QCOMPARE(kinds(store->record(n, success(dayVersion(1)))),
             QList<EventKind>({EventKind::Recovered}));
    QCOMPARE(store->site(n).value.status.failures, 0);
    QVERIFY(!store->site(n).value.status.drift);

    QCOMPARE(store->approve(n).value.number, 1);
    QCOMPARE(store->site(n).value.status.drift, std::optional(0));
    const auto drifted = store->record(n, success(dayVersion(2)));
    QCOMPARE(kinds(drifted), QList<EventKind>({EventKind::Changed, EventKind::Drift}));
    QCOMPARE(drifted.value.events[1].differences, 1);
    QCOMPARE(drifted.value.events[1].version, 2);
    // Still drifting: a change, but no second drift event.
    QCOMPARE(kinds(store->record(n, success(dayVersion(3, 7)))),
             QList<EventKind>({EventKind::Changed}));
    QCOMPARE(store->site(n).value.status.drift, std::optional(2));

    QVERIFY(store->reference(n, lnk::Layout::Day).value->number == 1);
    QCOMPARE(store->approve(n, 9).error->kind, StoreErrorKind::UnknownVersion);
    QCOMPARE(store->approve(n, 3).value.number, 3);
    QCOMPARE(store->site(n).value.status.drift, std::optional(0));
    QCOMPARE(store->versions(n).value[2].reference, true);
    QCOMPARE(store->unapprove(n, lnk::Layout::Night).value, 0);
    QCOMPARE(store->unapprove(n, std::nullopt).value, 1);
    QVERIFY(!store->site(n).value.status.drift);
}

void TestFleetStore::historyAndExport()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.open();
    const QString n = QStringLiteral("North");
    QVERIFY(store->addSite(n, QStringLiteral("3")).ok());
    fleet::NewVersion night = dayVersion(8, 200);
    night.layout = lnk::Layout::Night;
    night.values[model::index(model::Member::Space)] = 1;
    QVERIFY(store->record(n, success(dayVersion(1))).ok());
    QVERIFY(store->record(n, success(night)).ok());
    QVERIFY(store->record(n, success(dayVersion(2, 3))).ok());
    QVERIFY(store->approve(n, 2).ok());

    const auto h = fleet::history(*store, n);
    QVERIFY(h.ok());
    QCOMPARE(h.value.size(), 3);
    QVERIFY(!h.value[0].differences);
    QVERIFY(!h.value[1].differences);                   // the first night version
    QCOMPARE(h.value[2].differences, std::optional(2)); // from version 1, the day one before it
    QCOMPARE(h.value[1].version.reference, true);
    QCOMPARE(fleet::history(*store, QStringLiteral("nowhere")).error->kind,
             StoreErrorKind::UnknownSite);

    // The night version's 25 members, the rest from the base file; one printed number a line.
    const auto dab = [](const QList<int>& lines) {
        QByteArray bytes;
        for (const int v : lines) {
            bytes += ' ' + QByteArray::number(v) + " \r\n";
        }
        return bytes;
    };
    const QString base = rig.dir.filePath(QStringLiteral("base.DAB"));
    QFile baseFile(base);
    QVERIFY(baseFile.open(QIODevice::WriteOnly));
    baseFile.write(dab({3,  4,  5,  6,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                        20, 21, 22, 23, 24, 25, 26, 0,  0,  0,  0,  27, 28, 29, 30, 31}));
    baseFile.close();
    const QString out = rig.dir.filePath(QStringLiteral("out.DAB"));
    const fleet::ExportResult exported = fleet::exportVersion(*store, n, 2, out, base);
    QVERIFY2(exported.ok(), qPrintable(exported.baseError + exported.writeError));
    QCOMPARE(fileBytes(out), dab({8, 200, 255, 255, 1, 1, 1, 1, 1, 255, 255, 255, 255, 1,  1, 1, 1,
                                  1, 1,   1,   255, 1, 0, 1, 0, 0, 0,   27,  28,  29,  30, 31}));
    QVERIFY(!fleet::exportVersion(*store, n, 2, out, rig.dir.filePath(QStringLiteral("none.DAB")))
                 .baseError.isEmpty());
    QCOMPARE(fleet::exportVersion(*store, n, 4, out).error->kind, StoreErrorKind::UnknownVersion);
}

void TestFleetStore::readingAMissingStoreCreatesNothing()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.open();
    QCOMPARE(store->sites().error->kind, StoreErrorKind::Missing);
    QCOMPARE(store->versions(QStringLiteral("North")).error->kind, StoreErrorKind::Missing);
    if (rig.location.kind == fleet::StoreKind::Sqlite) {
        QVERIFY(!QFile::exists(rig.location.path));
    } else {
        QCOMPARE(rig.raw(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                        "table_schema = current_schema()"))
                     .toInt(),
                 0);
    }
}

void TestFleetStore::newerSchemaRefusedAndNotWritten()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    {
        auto store = rig.open();
        QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("3")).ok());
    }
    rig.raw(QStringLiteral("UPDATE fleet_meta SET value = '99' WHERE key = 'schema'"));
    const QByteArray before =
        rig.location.kind == fleet::StoreKind::Sqlite ? fileBytes(rig.location.path) : QByteArray();
    auto store = rig.open();
    const auto read = store->sites();
    QCOMPARE(read.error->kind, StoreErrorKind::Newer);
    QVERIFY2(read.error->message.contains(QStringLiteral("newer program")),
             qPrintable(read.error->message));
    QCOMPARE(store->addSite(QStringLiteral("South"), QStringLiteral("4")).error->kind,
             StoreErrorKind::Newer);
    QCOMPARE(store->record(QStringLiteral("North"), success(dayVersion(1))).error->kind,
             StoreErrorKind::Newer);
    store.reset();
    QCOMPARE(rig.raw(QStringLiteral("SELECT count(*) FROM fleet_sites")).toInt(), 1);
    QCOMPARE(rig.raw(QStringLiteral("SELECT count(*) FROM fleet_versions")).toInt(), 0);
    if (rig.location.kind == fleet::StoreKind::Sqlite) {
        QCOMPARE(fileBytes(rig.location.path), before);
    }
}

void TestFleetStore::schemaOneReadAsItIsMovedOnByAWrite()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const bool pg = onPostgres();
    // A store as the first release made it, with one site on a local port.
    const QString id = pg ? QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")
                          : QStringLiteral("INTEGER PRIMARY KEY");
    const QStringList schemaOne{
        QStringLiteral("CREATE TABLE fleet_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE fleet_sites (id %1, name TEXT NOT NULL, name_key TEXT NOT "
                       "NULL UNIQUE, port TEXT NOT NULL, site_group TEXT NOT NULL DEFAULT '', "
                       "removed INTEGER NOT NULL DEFAULT 0, last_attempt BIGINT, last_success "
                       "BIGINT, last_change BIGINT, failures INTEGER NOT NULL DEFAULT 0, "
                       "last_error TEXT NOT NULL DEFAULT '', drift INTEGER)")
            .arg(id),
        QStringLiteral("CREATE UNIQUE INDEX fleet_sites_port ON fleet_sites (port) WHERE "
                       "removed = 0"),
        QStringLiteral("CREATE TABLE fleet_versions (site_id BIGINT NOT NULL REFERENCES "
                       "fleet_sites (id) ON DELETE CASCADE, number INTEGER NOT NULL, taken_at "
                       "BIGINT NOT NULL, layout TEXT NOT NULL CHECK (layout IN ('day', 'night')), "
                       "vals TEXT NOT NULL, source TEXT NOT NULL CHECK (source IN ('backup', "
                       "'panel', 'cli', 'restore')), by_whom TEXT NOT NULL, note TEXT NOT NULL "
                       "DEFAULT '', PRIMARY KEY (site_id, number))"),
        QStringLiteral("CREATE TABLE fleet_references (site_id BIGINT NOT NULL, layout TEXT NOT "
                       "NULL, number INTEGER NOT NULL, PRIMARY KEY (site_id, layout), FOREIGN KEY "
                       "(site_id, number) REFERENCES fleet_versions (site_id, number) ON DELETE "
                       "CASCADE)"),
        QStringLiteral("INSERT INTO fleet_meta (key, value) VALUES ('schema', '1')"),
        QStringLiteral("INSERT INTO fleet_sites (name, name_key, port) VALUES ('North', 'north', "
                       "'3')"),
    };
    for (const QString& statement : schemaOne) {
        rig.raw(statement);
    }
    const auto schema = [&rig] {
        return rig.raw(QStringLiteral("SELECT value FROM fleet_meta WHERE key = 'schema'"))
            .toString();
    };
    QCOMPARE(schema(), QStringLiteral("1"));
    const QByteArray before = pg ? QByteArray() : fileBytes(rig.location.path);
    const fleet::Place desk{QStringLiteral("desk-a"), QStringLiteral("/data/a")};
    {
        auto store = rig.open();
        store->setPlace(desk);
        QVERIFY(!store->openForReading());
        const auto sites = store->sites();
        QVERIFY2(sites.ok(), qPrintable(sites.error->message));
        QCOMPARE(sites.value.size(), 1);
        QVERIFY(sites.value[0].owner.isEmpty());
        QVERIFY(store->site(QStringLiteral("North")).ok());
        QVERIFY(store->versions(QStringLiteral("North")).ok());
        // A local port from before owners were kept is everybody's, as it was.
        QCOMPARE(store->siteOnPort(QStringLiteral("3")).value->name, QStringLiteral("North"));
    }
    QCOMPARE(schema(), QStringLiteral("1"));
    if (!pg) {
        QCOMPARE(fileBytes(rig.location.path), before);
    }
    auto store = rig.open();
    store->setPlace(desk);
    QVERIFY(store->record(QStringLiteral("North"), success(dayVersion(5))).ok());
    QCOMPARE(schema(), QString::number(fleet::kSchemaVersion));
    QVERIFY(store->site(QStringLiteral("North")).value.owner.isEmpty());
    fleet::SiteChange claim;
    claim.claim = true;
    const auto claimed = store->changeSite(QStringLiteral("North"), claim);
    QVERIFY2(claimed.ok(), qPrintable(claimed.error->message));
    QCOMPARE(claimed.value.owner.text(), QStringLiteral("desk-a:/data/a"));
    QCOMPARE(numbers(*store, QStringLiteral("North")), oneTo(1));
}

void TestFleetStore::localPortsBelongToTheirPlace()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const fleet::Place deskA{QStringLiteral("desk-a"), QStringLiteral("/data/a")};
    const fleet::Place deskB{QStringLiteral("desk-b"), QStringLiteral("/data/b")};
    auto a = rig.open();
    a->setPlace(deskA);
    auto b = rig.open();
    b->setPlace(deskB);
    const auto add = [](fleet::Store& s, const char* name, const char* port) {
        return s.addSite(QString::fromLatin1(name), QString::fromLatin1(port));
    };
    QCOMPARE(add(*a, "North", "3").value.owner.text(), QStringLiteral("desk-a:/data/a"));
    // Port 3 of another desk is another processor; of the same desk, the same one.
    QCOMPARE(add(*b, "South", "3").value.owner.text(), QStringLiteral("desk-b:/data/b"));
    QCOMPARE(add(*a, "East", "3").error->kind, StoreErrorKind::PortTaken);
    QVERIFY(add(*a, "East", "3").error->message.contains(QStringLiteral("\"North\"")));
    // A device path is the machine's, whatever the data folder.
    QCOMPARE(add(*a, "Tower", "/dev/ttyUSB0").value.owner.text(), QStringLiteral("desk-a"));
    QVERIFY(add(*b, "Hill", "/dev/ttyUSB0").ok());
    // A network address is everybody's.
    QVERIFY(add(*a, "Net", "tcp://127.0.0.1:17").value.owner.isEmpty());
    QCOMPARE(add(*b, "Net2", "tcp://localhost:17").error->kind, StoreErrorKind::PortTaken);

    QCOMPARE(a->siteOnPort(QStringLiteral("3")).value->name, QStringLiteral("North"));
    QCOMPARE(b->siteOnPort(QStringLiteral("3")).value->name, QStringLiteral("South"));
    auto c = rig.open();
    c->setPlace({QStringLiteral("desk-c"), QStringLiteral("/data/c")});
    QVERIFY(!c->siteOnPort(QStringLiteral("3")).value);
    QVERIFY(c->siteOnPort(QStringLiteral("tcp://127.0.0.1:17")).value);

    const fleet::Site north = a->site(QStringLiteral("North")).value;
    QVERIFY(!fleet::notLocal(north, deskA));
    QCOMPARE(fleet::notLocal(north, deskB)->message,
             QStringLiteral("North: port 3 is local to desk-a:/data/a"));
    QCOMPARE(
        fleet::notLocal(north, {QStringLiteral("desk-a"), QStringLiteral("/data/other")})->kind,
        StoreErrorKind::NotLocal);
    // Claiming moves the port to the desk that claims it, under the one-processor rule there.
    fleet::SiteChange claim;
    claim.claim = true;
    QCOMPARE(b->changeSite(QStringLiteral("North"), claim).error->kind, StoreErrorKind::PortTaken);
    QVERIFY(b->removeSite(QStringLiteral("South"), false) == std::nullopt);
    QCOMPARE(b->changeSite(QStringLiteral("North"), claim).value.owner.text(),
             QStringLiteral("desk-b:/data/b"));
}

// A station's data folder (2770): files made there stay writable by the group whatever the
// umask, so one member's read never locks the others out.
void TestFleetStore::aSharedFolderKeepsItsGroupWriting()
{
    if (onPostgres()) {
        QSKIP("file modes are a SQLite matter");
    }
    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(shared));
    QVERIFY(::chmod(QFile::encodeName(shared).constData(), 02770) == 0);
    const mode_t oldMask = ::umask(022);
    fleet::StoreLocation location;
    location.path = QDir(shared).filePath(QStringLiteral("fleet.sqlite"));
    const QString metrics = QDir(shared).filePath(QStringLiteral("backup.prom"));
    const QString stray = QDir(shared).filePath(QStringLiteral("stray"));
    {
        fleet::Store store(location);
        QVERIFY(store.addSite(QStringLiteral("North"), QStringLiteral("3")).ok());
        QVERIFY(!storage::writeFileAtomically(metrics, "orvexdab_sites 1\n"));
        QFile f(stray);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    ::umask(oldMask);
    const auto mode = [](const QString& path) {
        struct stat st
        {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    QCOMPARE(mode(location.path), 0660);
    QCOMPARE(mode(metrics), 0660);
    // The file made with the umask is named, and the next writer that owns it repairs it.
    QCOMPARE(storage::lockedFromGroup({location.path, metrics, stray}), QStringList{stray});
    QVERIFY(::chmod(QFile::encodeName(location.path).constData(), 0644) == 0);
    QCOMPARE(storage::lockedFromGroup({location.path}), QStringList{location.path});
    {
        fleet::Store store(location);
        QVERIFY(store.sites().ok());
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const QString file = location.path + QLatin1String(suffix);
            QVERIFY2(!QFile::exists(file) || (mode(file) & 0060) == 0060, qPrintable(file));
        }
    }
}

void TestFleetStore::failuresTheStoreCannotKeepAreSpooled()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QTemporaryDir dataDir;
    auto store = rig.open();
    QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("3")).ok());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    fleet::Attempt ok = success(dayVersion(5));
    ok.at = now.addSecs(-60);
    QVERIFY(store->record(QStringLiteral("North"), ok).ok());

    // The store cannot be reached: the failure goes to the spool, not into thin air.
    fleet::StoreLocation gone;
    gone.path = dataDir.filePath(QStringLiteral("missing/fleet.sqlite"));
    fleet::Store unreachable(gone);
    fleet::Attempt failed = failure(QStringLiteral("device gone"));
    failed.at = now.addSecs(-30);
    const fleet::SpooledRecording lost = fleet::recordThroughSpool(
        unreachable, dataDir.path(), {{QStringLiteral("North"), failed}}, true);
    QVERIFY(!lost.results[0].ok());
    QCOMPARE(lost.spooled, QList<bool>{true});
    QCOMPARE(fleet::readSpool(dataDir.path()).size(), 1);

    // The next run that can write records it at its own time, and empties the spool.
    QVERIFY(fleet::recordThroughSpool(*store, dataDir.path(), {}, true).results.isEmpty());
    fleet::SiteStatus st = store->site(QStringLiteral("North")).value.status;
    QCOMPARE(st.failures, 1);
    QCOMPARE(st.lastError, QStringLiteral("device gone"));
    QCOMPARE(st.lastAttempt->toMSecsSinceEpoch(), failed.at.toMSecsSinceEpoch());
    QVERIFY(!QFile::exists(dataDir.filePath(QLatin1String(fleet::kSpoolName))));

    // A spooled failure older than what the store holds replaces nothing.
    ok.at = now;
    QVERIFY(store->record(QStringLiteral("North"), ok).ok());
    QVERIFY(!fleet::writeSpool(dataDir.path(), {{QStringLiteral("North"), now.addSecs(-10),
                                                 QStringLiteral("late"), std::nullopt}}));
    fleet::recordThroughSpool(*store, dataDir.path(), {}, true);
    st = store->site(QStringLiteral("North")).value.status;
    QCOMPARE(st.failures, 0);
    QCOMPARE(st.lastAttempt->toMSecsSinceEpoch(), now.toMSecsSinceEpoch());

    // A read the panel could not store before it quit becomes a version at its own time.
    const QDateTime read = now.addSecs(5);
    QVERIFY(!fleet::addToSpool(dataDir.path(),
                               {{QStringLiteral("North"), read, QString(), dayVersion(9)}}));
    fleet::recordThroughSpool(*store, dataDir.path(), {}, true);
    const auto latest = store->latest(QStringLiteral("North")).value;
    QVERIFY(latest);
    QCOMPARE(latest->values[model::index(model::Member::gate)], 9);
    QCOMPARE(latest->time.toMSecsSinceEpoch(), read.toMSecsSinceEpoch());

    // The spool keeps the newest 1,000.
    QList<fleet::SpooledAttempt> many;
    for (int i = 0; i < fleet::kSpoolLimit + 5; ++i) {
        many.append(
            {QStringLiteral("North"), now.addSecs(i), QStringLiteral("e%1").arg(i), std::nullopt});
    }
    QVERIFY(!fleet::writeSpool(dataDir.path(), many));
    const QList<fleet::SpooledAttempt> kept = fleet::readSpool(dataDir.path());
    QCOMPARE(kept.size(), fleet::kSpoolLimit);
    QCOMPARE(kept.constFirst().error, QStringLiteral("e5"));
}

void TestFleetStore::damagedFileKeptByteForByte_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("a text file") << QByteArray("north=3\nsouth=4\n").repeated(200);
    QByteArray header("SQLite format 3");
    header.append('\0');
    QTest::newRow("the format's header, then noise") << header + QByteArray(4080, char(0xA5));
}

void TestFleetStore::damagedFileKeptByteForByte()
{
    if (onPostgres()) {
        QSKIP("a damaged file is a SQLite matter");
    }
    QFETCH(QByteArray, content);
    FreshStore rig;
    QVERIFY(rig.ready);
    QFile f(rig.location.path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    f.close();
    auto store = rig.open();
    QCOMPARE(store->sites().error->kind, StoreErrorKind::Damaged);
    QCOMPARE(store->addSite(QStringLiteral("North"), QStringLiteral("3")).error->kind,
             StoreErrorKind::Damaged);
    store.reset();
    QCOMPARE(fileBytes(rig.location.path), content);
    QVERIFY(!QFile::exists(rig.location.path + QStringLiteral("-wal")));
}

void TestFleetStore::twoProcessesLoseNoVersion()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    constexpr int kEach = 40;
    QProcess a;
    QProcess b;
    a.start(writerProgram(), {rig.url(), QStringLiteral("North"), QStringLiteral("3"),
                              QStringLiteral("1"), QString::number(kEach)});
    b.start(writerProgram(), {rig.url(), QStringLiteral("North"), QStringLiteral("3"),
                              QStringLiteral("2"), QString::number(kEach)});
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QVERIFY2(a.exitCode() == 0, a.readAllStandardError().constData());
    QVERIFY2(b.exitCode() == 0, b.readAllStandardError().constData());
    QCOMPARE(a.readAllStandardOutput().count("stored"), kEach);
    QCOMPARE(b.readAllStandardOutput().count("stored"), kEach);
    auto store = rig.open();
    QCOMPARE(numbers(*store, QStringLiteral("North")), oneTo(2 * kEach));
}

void TestFleetStore::killedWriterLeavesEveryCompletedVersion()
{
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QProcess writer;
    writer.start(writerProgram(), {rig.url(), QStringLiteral("North"), QStringLiteral("3"),
                                   QStringLiteral("1"), QStringLiteral("1000000")});
    QVERIFY(writer.waitForStarted());
    QByteArray out;
    QVERIFY(QTest::qWaitFor(
        [&] {
            writer.waitForReadyRead(100);
            out += writer.readAllStandardOutput();
            return out.count("stored") >= 25 || writer.state() == QProcess::NotRunning;
        },
        60000));
    QVERIFY2(writer.state() == QProcess::Running, writer.readAllStandardError().constData());
    ::kill(pid_t(writer.processId()), SIGKILL);
    QVERIFY(writer.waitForFinished(10000));
    out += writer.readAllStandardOutput();
    QSet<int> completed;
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("stored ")) {
            completed.insert(line.mid(7).toInt());
        }
    }
    if (rig.location.kind == fleet::StoreKind::Sqlite) {
        QCOMPARE(rig.raw(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
    }
    auto store = rig.open();
    const QList<int> kept = numbers(*store, QStringLiteral("North"));
    QCOMPARE(kept, oneTo(int(kept.size())));
    for (const int n : completed) {
        QVERIFY2(kept.contains(n), qPrintable(QStringLiteral("version %1 lost").arg(n)));
    }
    // The store takes the next write as if nothing had happened.
    QCOMPARE(store->record(QStringLiteral("North"), success(dayVersion(1, 9))).value.version,
             int(kept.size()) + 1);
}

void TestFleetStore::fullDiskReportedAndStoreConsistent()
{
    if (onPostgres()) {
        QSKIP("the server's disk is not the test's to fill");
    }
    if (::geteuid() != 0) {
        QSKIP("mounting a small tmpfs needs root");
    }
    QTemporaryDir mountPoint;
    QVERIFY(mountPoint.isValid());
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=512k"), QStringLiteral("tmpfs"), mountPoint.path()});
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0) {
        QSKIP("a tmpfs cannot be mounted here");
    }
    const auto unmount =
        qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mountPoint.path()}); });
    fleet::StoreLocation where;
    where.path = mountPoint.filePath(QStringLiteral("fleet.sqlite"));
    QList<int> stored;
    std::optional<fleet::StoreError> error;
    {
        fleet::Store store(where);
        QVERIFY(store.addSite(QStringLiteral("North"), QStringLiteral("3")).ok());
        // Most of the rest taken by another file, so the store's next pages do not fit.
        QFile filler(mountPoint.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const qint64 free = QStorageInfo(mountPoint.path()).bytesAvailable();
        filler.write(QByteArray(free - 48 * 1024, 'x'));
        filler.close();
        for (int i = 0; i < 2000 && !error; ++i) {
            fleet::NewVersion v = dayVersion(i % 256, i / 256);
            v.note = QString(200, QLatin1Char('n'));
            const auto r = store.record(QStringLiteral("North"), success(v));
            error = r.error;
            if (r.ok()) {
                stored << r.value.version;
            }
        }
    }
    QVERIFY(error);
    QCOMPARE(error->kind, StoreErrorKind::DiskFull);
    QFile::remove(mountPoint.filePath(QStringLiteral("filler")));
    fleet::Store store(where);
    QCOMPARE(numbers(store, QStringLiteral("North")), stored);
    FreshStore check;
    check.location = where;
    QCOMPARE(check.raw(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

namespace {

// A stored day version of the given gate; 0: none.
std::optional<fleet::Version> storedDay(int gate, int number = 1)
{
    if (gate == 0) {
        return std::nullopt;
    }
    fleet::Version v;
    v.number = number;
    const fleet::NewVersion n = dayVersion(gate);
    v.values = n.values;
    return v;
}

} // namespace

void TestFleetStore::attemptRule_data()
{
    using fleet::AttemptOutcome;
    using fleet::EventKind;
    QTest::addColumn<int>("previousGate");  // 0: no version yet
    QTest::addColumn<int>("referenceGate"); // 0: no reference
    QTest::addColumn<int>("takenGate");     // 0: the attempt failed
    QTest::addColumn<bool>("onlyWhenChanged");
    QTest::addColumn<int>("failuresBefore");
    QTest::addColumn<int>("driftBefore"); // -1: none
    QTest::addColumn<AttemptOutcome>("outcome");
    QTest::addColumn<int>("driftAfter"); // -1: none
    QTest::addColumn<QList<EventKind>>("events");
    const QList<EventKind> none;
    QTest::newRow("the first version is new, without events")
        << 0 << 0 << 8 << true << 0 << -1 << AttemptOutcome::New << -1 << none;
    QTest::newRow("the same values store nothing and keep the drift")
        << 8 << 9 << 8 << true << 0 << 1 << AttemptOutcome::Unchanged << 1 << none;
    QTest::newRow("other values are a change")
        << 8 << 0 << 9 << true << 0 << -1 << AttemptOutcome::Changed << -1
        << QList<EventKind>{EventKind::Changed};
    QTest::newRow("a change away from the reference enters drift")
        << 8 << 8 << 9 << true << 0 << 0 << AttemptOutcome::Changed << 1
        << QList<EventKind>{EventKind::Changed, EventKind::Drift};
    QTest::newRow("a site already drifting does not enter drift again")
        << 9 << 8 << 10 << true << 0 << 1 << AttemptOutcome::Changed << 1
        << QList<EventKind>{EventKind::Changed};
    QTest::newRow("back to the reference ends the drift")
        << 9 << 8 << 8 << true << 0 << 1 << AttemptOutcome::Changed << 0
        << QList<EventKind>{EventKind::Changed};
    QTest::newRow("a restore's read-back is stored even when unchanged, without a change event")
        << 8 << 0 << 8 << false << 0 << -1 << AttemptOutcome::Changed << -1 << none;
    QTest::newRow("the first failure fires failed")
        << 8 << 0 << 0 << true << 0 << -1 << AttemptOutcome::Failed << -1
        << QList<EventKind>{EventKind::Failed};
    QTest::newRow("later failures fire nothing")
        << 8 << 0 << 0 << true << 2 << -1 << AttemptOutcome::Failed << -1 << none;
    QTest::newRow("a success after failures recovers")
        << 8 << 0 << 8 << true << 3 << -1 << AttemptOutcome::Unchanged << -1
        << QList<EventKind>{EventKind::Recovered};
}

void TestFleetStore::attemptRule()
{
    QFETCH(int, previousGate);
    QFETCH(int, referenceGate);
    QFETCH(int, takenGate);
    QFETCH(bool, onlyWhenChanged);
    QFETCH(int, failuresBefore);
    QFETCH(int, driftBefore);
    QFETCH(fleet::AttemptOutcome, outcome);
    QFETCH(int, driftAfter);
    QFETCH(QList<fleet::EventKind>, events);
    fleet::Attempt attempt;
    if (takenGate != 0) {
        attempt = success(dayVersion(takenGate));
    } else {
        attempt.error = QStringLiteral("no reply");
    }
    attempt.onlyWhenChanged = onlyWhenChanged;
    fleet::SiteStatus status;
    status.failures = failuresBefore;
    if (driftBefore >= 0) {
        status.drift = driftBefore;
    }
    const fleet::AttemptVerdict v =
        fleet::judgeAttempt(storedDay(previousGate), storedDay(referenceGate), attempt, status);
    QCOMPARE(v.outcome, outcome);
    QCOMPARE(v.store,
             outcome == fleet::AttemptOutcome::New || outcome == fleet::AttemptOutcome::Changed);
    QCOMPARE(v.drift.value_or(-1), driftAfter);
    QCOMPARE(v.events, events);
}

QTEST_GUILESS_MAIN(TestFleetStore)
#include "test_fleet_store.moc"
