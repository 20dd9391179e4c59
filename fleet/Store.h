#pragma once

#include "fleet/DeployRecord.h"
#include "fleet/StoreLocation.h"
#include "fleet/StoreTypes.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

#include <functional>

class QSqlQuery;
class QSqlError;

// The fleet store through Qt SQL, on SQLite or PostgreSQL with the same code. A Store is one
// connection and belongs to the thread that made it (Qt SQL's rule): use one per thread, or
// StoreWorker to call one from the panel's thread.
//
// Nothing is created by reading: a read of a missing store reports Missing. The first write
// creates the schema. Writes run in one transaction each (BEGIN IMMEDIATE on SQLite, the site's
// row locked on PostgreSQL) and are tried again, within a bound, while other writers hold the
// store, so several processes may write at once without losing a version.
namespace fleet {

inline constexpr int kSchemaVersion = 3;

// The sites a command names: some by name, a group, or all of them.
struct Selection
{
    QStringList names;
    QString group;
    bool all = false;
    // Removed sites named are taken only by reads of the history; otherwise they refuse the
    // whole selection.
    bool withRemoved = false;
};

struct SiteChange
{
    std::optional<QString> port;
    std::optional<QString> group;
    std::optional<QString> name;
    // The site's local port becomes this place's (a site from before owners were kept, or a
    // machine renamed).
    bool claim = false;
};

// One attempt to read a site's values: what was taken, or why nothing was.
struct Attempt
{
    QDateTime at = QDateTime::currentDateTimeUtc();
    std::optional<NewVersion> taken; // nothing: the attempt failed
    QString error;                   // failed attempts: the message
    bool onlyWhenChanged = true;     // backups: a new version only when the values differ
    // Recorded after the fact (from the spool): never replaces a newer attempt of the site.
    bool late = false;
};

enum class EventKind
{
    Changed,   // a new version that differs from the one before it of the same layout
    Failed,    // the site entered failure
    Drift,     // the site entered drift from its reference
    Recovered, // the first success after failures
    Deployed,  // a deploy verified the site (in place of changed)
};
QString eventName(EventKind kind); // "changed", "failed", "drift", "recovered", "deployed"

struct SiteEvent
{
    QString site;
    EventKind kind = EventKind::Changed;
    int version = 0;     // the site's latest version (0: none)
    int differences = 0; // changed: from the previous version; drift: from the reference
    qint64 deploy = 0;   // deployed: the run
};

enum class AttemptOutcome
{
    New,       // the first version of that layout
    Unchanged, // the same values as the latest version of that layout: nothing stored
    Changed,   // a new version
    Failed,
};

struct Recorded
{
    AttemptOutcome outcome = AttemptOutcome::Failed;
    int version = 0;     // New, Changed: the stored version
    int differences = 0; // Changed: from the previous version of that layout
    QList<SiteEvent> events;
};

// How one site of a run ended, written in one transaction with what came of it.
struct DeploySiteEnd
{
    DeployState state = DeployState::Failed;
    // Verified, NotVerified: the read-back, recorded as an attempt of the site (a new version
    // with source deploy when it differs from the latest of its layout).
    std::optional<Attempt> readBack;
    int differences = 0;
    QString detail;
    bool approve = false; // Verified: the version becomes the reference of its layout
};

// A reference holding its own values: a group's sound, approved without touching the processors.
struct SoundReference
{
    lnk::Layout layout = lnk::Layout::Day;
    Values values = initialValues(); // the members the layout's reply carries count
    QString origin;                  // as given: "sound.DAB", "north:4", "north:reference"
    QString by = currentActor();
    QDateTime at = QDateTime::currentDateTimeUtc();
};

class Store
{
public:
    explicit Store(StoreLocation location);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const StoreLocation& location() const { return m_location; }

    // Opens the store for reading: Missing, Newer, Damaged and so on, or nothing when it can be
    // read. An older schema is brought up to date first.
    std::optional<StoreError> openForReading();

    // The sites, in name order (regardless of case), removed ones only when asked for.
    StoreResult<QList<Site>> sites(bool withRemoved = false);
    StoreResult<Site> site(const QString& name);
    // The site on a port (the panel asks on every exchange); nothing when no site uses it.
    StoreResult<std::optional<Site>> siteOnPort(const QString& port);
    // The sites named, in name order; an unknown name or an empty group is UnknownSite, a
    // removed site named SiteRemoved (unless the selection takes removed sites).
    StoreResult<QList<Site>> select(const Selection& selection);

    // Where the caller runs. Sites added or changed here own their local ports; two sites whose
    // ports reach one processor (session::portIdentity over place's data folder) are refused;
    // siteOnPort finds only sites this place may reach. Without a place, ports compare as text
    // and sites get no owner.
    void setPlace(Place place) { m_place = std::move(place); }
    const Place& place() const { return m_place; }
    StoreResult<Site> addSite(const QString& name, const QString& port, const QString& group = {});
    StoreResult<Site> changeSite(const QString& name, const SiteChange& change);
    // The history stays unless purge; a removed site comes back with it when added again.
    std::optional<StoreError> removeSite(const QString& name, bool purge);

    // Every version of a site, oldest first, each with its reference flag.
    StoreResult<QList<Version>> versions(const QString& name);
    StoreResult<Version> version(const QString& name, int number);
    // The latest version, of one layout or of any; nothing when there is none.
    StoreResult<std::optional<Version>> latest(const QString& name,
                                               std::optional<lnk::Layout> layout = std::nullopt);
    StoreResult<std::optional<Version>> reference(const QString& name, lnk::Layout layout);

    // Records an attempt: the status, a new version when one is due, the site's drift, and the
    // events that came of it. All in one transaction.
    StoreResult<Recorded> record(const QString& name, const Attempt& attempt);
    // Records several attempts in one transaction (a store on disk pays one sync for them), each
    // with its own result; a store failure fails them all, and nothing of them is kept.
    QList<StoreResult<Recorded>> recordAll(const QList<std::pair<QString, Attempt>>& attempts);

    // The version (default: the latest) becomes the reference of its layout.
    StoreResult<Version> approve(const QString& name, std::optional<int> number = std::nullopt);
    // Removes the reference of one layout, or of both; how many were removed.
    StoreResult<int> unapprove(const QString& name, std::optional<lnk::Layout> layout);

    // The reference of its layout becomes sound for every site chosen (not removed), in one
    // transaction; the sites, in name order. Their drift follows.
    StoreResult<QList<Site>> approveSound(const Selection& selection, const SoundReference& sound);
    // Both references of a site (day first), as reference() gives them.
    StoreResult<QList<Version>> references(const QString& name);

    // Deploys. begin takes a lease on each site free of another running deploy (see kLeaseLife),
    // and writes the run with every site Waiting (those held elsewhere NotSent). holder: this
    // run's process ("host:pid"), so a holder on this host that died frees its sites at once.
    StoreResult<DeployStarted> beginDeploy(const NewDeploy& deploy);
    // A site's row: Sending is written before its frame goes out.
    std::optional<StoreError> setDeployState(qint64 id, const QString& site, DeployState state,
                                             const QString& detail = {});
    // A site's end, with its read-back recorded and, when asked, approved; one transaction.
    StoreResult<Recorded> endDeploySite(qint64 id, const QString& site, const DeploySiteEnd& end);
    // Keeps the run's leases alive; every kLeaseRenewal while it runs.
    std::optional<StoreError> renewDeploy(qint64 id);
    // The run ended: its end time, its leases released.
    std::optional<StoreError> endDeploy(qint64 id);
    // Every run, newest first; one run.
    StoreResult<QList<DeployRecord>> deploys();
    StoreResult<DeployRecord> deploy(qint64 id);

    // For tests and benchmarks: the bytes the values of one version take.
    static int storedBytes(const Version& version);

    // A site's row as the store's own parts read it.
    struct SiteRow;

private:
    enum class Access
    {
        Read,   // an older schema is read as it is
        Write,  // an older schema is brought up to date; a missing store is Missing
        Create, // as Write, and a missing store is made
    };
    // forWriting: a SQLite store in a folder this user may not write is opened read-only
    // unless it is.
    std::optional<StoreError> connect(bool forWriting);
    std::optional<StoreError> ensure(Access access);
    QString siteColumns() const;
    std::optional<StoreError> createSchema();
    std::optional<StoreError> migrate(int from);
    StoreResult<int> schemaVersion(bool* present);

    // Runs body in one write transaction, again while other writers hold the store.
    std::optional<StoreError> write(const std::function<std::optional<StoreError>()>& body);
    std::optional<StoreError> exec(QSqlQuery& q, const QString& sql,
                                   const QVariantList& binds = {});
    StoreError errorOf(const QSqlError& error, const QString& doing);

    StoreResult<SiteRow> siteRow(const QString& name, bool lock);
    // The site's row, locked for a write that changes it: a removed site is SiteRemoved.
    StoreResult<SiteRow> liveSiteRow(const QString& name);
    StoreResult<Recorded> recordIn(const QString& name, const Attempt& attempt);
    StoreResult<std::optional<Version>> latestOf(qint64 siteId, std::optional<lnk::Layout> layout);
    StoreResult<std::optional<Version>> versionOf(qint64 siteId, int number);
    // A sound reference as a Version of number 0 with its origin; on schema 2 only versions.
    StoreResult<std::optional<Version>> referenceOf(qint64 siteId, lnk::Layout layout);
    // The version becomes its layout's reference, replacing whichever kind was there.
    std::optional<StoreError> setVersionReference(qint64 siteId, lnk::Layout layout, int number);
    // The run's lease on a site, unless another run's live lease holds it: that run's id.
    StoreResult<std::optional<qint64>> takeLease(qint64 siteId, qint64 deploy,
                                                 const QString& holder, const QDateTime& now);
    // Every run (newest first), or the one asked for.
    StoreResult<QList<DeployRecord>> deployRecords(std::optional<qint64> id);
    // A site's row of a run; UnknownDeploy when the run has no such site.
    std::optional<StoreError> updateDeploySite(qint64 id, const QString& site, const QString& sets,
                                               const QVariantList& values);
    // Recomputes the stored drift of a site; the drift before and after.
    StoreResult<std::pair<std::optional<int>, std::optional<int>>> refreshDrift(qint64 siteId);
    StoreResult<Version> versionFrom(QSqlQuery& q, const QString& site);
    StoreResult<Site> addSiteIn(const QString& name, const QString& port, const QString& group);
    QString identityOf(const QString& port) const;
    // PortTaken naming the site whose port reaches what port reaches, other than except; local
    // ports are compared only among sites of one owner.
    std::optional<StoreError> portFree(const QString& port, const Owner& owner,
                                       const QString& except);

    bool postgres() const { return m_location.kind == StoreKind::Postgres; }

    StoreLocation m_location;
    QString m_connectionName;
    QSqlDatabase m_db;
    bool m_connected = false;
    bool m_ready = false; // the schema is there, readable
    int m_schema = 0;     // its version, once ready
    bool m_retryable = false;
    Place m_place;
};

} // namespace fleet
