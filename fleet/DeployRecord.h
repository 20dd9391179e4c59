#pragma once

#include "fleet/StoreTypes.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <chrono>
#include <map>
#include <optional>

// What the store keeps of a deploy: the run (who, when, from what), and for each of its sites the
// version it held before, how far the run got with it and how it ended. A run killed half-way
// leaves its rows where they were, so what it reached can still be reverted.
namespace fleet {

using namespace std::chrono_literals;

// How far a deploy got with one site.
enum class DeployState
{
    Waiting,         // not reached yet
    Sending,         // written before its frame went out: the processor may hold the values
    Verified,        // read back equal to what was sent
    NotVerified,     // read back with other values
    OtherBlock,      // sent; the processor answers with its other block, so no verdict
    Failed,          // the send or the read-back failed
    NotSent,         // never sent: stopped, leased by another run, not reachable from here
    NothingToRevert, // a revert: the site had no version of that layout before the run
};
QString deployStateName(DeployState state); // "waiting", "sending", "verified", "not verified",
                                            // "other block", "failed", "not sent", "nothing"
std::optional<DeployState> deployStateByName(const QString& name);

// Whether the run reached the site: its frame may have gone out.
inline bool reached(DeployState state)
{
    return state != DeployState::Waiting && state != DeployState::NotSent &&
           state != DeployState::NothingToRevert;
}

struct DeploySiteRecord
{
    QString site;
    DeployState state = DeployState::Waiting;
    std::optional<int> before; // the site's latest version of the run's layout when it began
    std::optional<int> after;  // Verified, NotVerified: the version the read-back is
    int differences = 0;       // NotVerified: read back against what was sent
    QString detail;            // Failed: the message; NotSent: why
};

struct DeployRecord
{
    qint64 id = 0;
    QDateTime time; // UTC, when it began
    QString by;     // user@host
    QString source; // as given: "sound.DAB", "north:4", "north:reference", "revert 12"
    QString note;
    lnk::Layout layout = lnk::Layout::Day;
    std::optional<qint64> revertOf; // a revert: the run it reverts
    std::optional<QDateTime> ended; // nothing: running, or killed half-way
    QList<DeploySiteRecord> sites;  // in the order the run takes them
};

// A deploy about to begin: every site with the version it holds now.
struct NewDeploy
{
    QString by;
    QString source;
    QString note;
    lnk::Layout layout = lnk::Layout::Day;
    std::optional<qint64> revertOf;
    QList<std::pair<QString, std::optional<int>>> sites; // name, latest version of the layout
};

// A lease keeps one deploy at a time on a site. Its holder renews it while it runs; one not
// renewed for this long (a holder killed, a desk gone) no longer holds the site.
inline constexpr std::chrono::milliseconds kLeaseLife = 90s;
inline constexpr std::chrono::milliseconds kLeaseRenewal = 20s;

struct DeployStarted
{
    qint64 id = 0;
    // Sites another running deploy holds: that run's id. They are recorded NotSent.
    std::map<QString, qint64> heldBy;
};

} // namespace fleet
