#pragma once

#include "fleet/SitePlace.h"
#include "link/Frames.h"
#include "model/ParameterSet.h"
#include "session/Comparison.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the fleet store keeps, as the callers see it.
namespace fleet {

enum class StoreErrorKind
{
    Missing,        // no store there yet (a read creates none)
    Newer,          // written by a newer program: refused, never written
    Damaged,        // not a store, or a damaged one: left untouched
    NoDriver,       // Qt SQL has no driver for it
    Unreachable,    // the database server or the file could not be opened
    DiskFull,       // the write did not fit: nothing of it was kept
    Busy,           // other writers held the store past every retry
    NotLocal,       // the site's port is another machine's (or data folder's): not reached
    InvalidName,    // a site or group name that is not allowed
    InvalidPort,    // a port that does not parse
    NameTaken,      // another site has that name (regardless of case)
    PortTaken,      // another site uses that port
    UnknownSite,    // no site of that name
    UnknownVersion, // the site has no such version (or no reference)
    UnknownDeploy,  // no deploy of that id (or it has no such site)
    SiteRemoved,    // a removed site named where a processor would be contacted or changed
};

struct StoreError
{
    StoreErrorKind kind = StoreErrorKind::Unreachable;
    QString message; // says what happened, naming the store, site or version

    // Wrong input from whoever asked, rather than a store that failed.
    bool isUsage() const { return kind >= StoreErrorKind::InvalidName; }
};

// "NAME: site removed": a removed site keeps its history for reading but takes no part in what
// reaches or changes processors.
StoreError siteRemoved(const QString& site);

template <typename T> struct StoreResult
{
    T value{};
    std::optional<StoreError> error;

    bool ok() const { return !error; }
};

using Values = model::ParameterSet::Values;

// Every member's initial value: what a member no version carries stands for.
Values initialValues();

QString layoutName(lnk::Layout layout); // "day", "night"
std::optional<lnk::Layout> layoutByName(const QString& name);

enum class Source
{
    Backup,
    Panel,
    Cli,
    Restore,
    Deploy,
};
QString sourceName(Source source); // "backup", "panel", "cli", "restore", "deploy"
std::optional<Source> sourceByName(const QString& name);

struct SiteStatus
{
    std::optional<QDateTime> lastAttempt; // UTC
    std::optional<QDateTime> lastSuccess;
    std::optional<QDateTime> lastChange; // when the latest new version was stored
    int failures = 0;                    // consecutive failed attempts
    QString lastError;                   // of the last failed attempt
    // Members the latest version differs in from the reference of its layout; nothing when that
    // layout has no reference (or there is no version yet).
    std::optional<int> drift;
};

// A site's state as every front end words it: "ok", "failed", "never backed up".
enum class SiteState
{
    Ok,
    Failed, // its last attempt failed
    Never,  // never backed up
};
SiteState siteState(const SiteStatus& status);
QString stateWord(SiteState state);

struct Site
{
    QString name;
    QString port; // as session::portText writes it
    QString group;
    bool removed = false;
    Owner owner; // who its local port belongs to; empty for a network address
    SiteStatus status;
};

struct Version
{
    int number = 0;
    QDateTime time; // UTC
    lnk::Layout layout = lnk::Layout::Day;
    // The members the layout's reply carries; every other member holds its initial value.
    Values values = initialValues();
    Source source = Source::Backup;
    QString by; // user@host
    QString note;
    bool reference = false; // the approved reference of its layout
    // A reference that holds its own values (a group's sound, approved with --sound) rather than
    // being one of the site's versions: number 0, and where its values came from ("sound.DAB",
    // "north:4", "north:reference").
    QString origin;

    session::CarriedValues carried() const
    {
        return session::CarriedValues::ofLayout(layout, values);
    }
};

// A version to be stored.
struct NewVersion
{
    lnk::Layout layout = lnk::Layout::Day;
    Values values = initialValues();
    Source source = Source::Backup;
    QString by;
    QString note;
};

// "user@host" of this process.
QString currentActor();

// The site and group name rule: ASCII letters, digits, space, '.', '_', '-', at most 64,
// neither starting nor ending with a space. The reason it is refused, or empty.
QString nameProblem(const QString& name, const QString& what = QStringLiteral("site name"));

// "north: port 3 is local to HOST:DATADIR" when place may not reach the site's processor.
std::optional<StoreError> notLocal(const Site& site, const Place& place);

} // namespace fleet
