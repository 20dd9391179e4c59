#pragma once

#include "fleet/JobPool.h"

#include <QString>

#include <chrono>

// The fleet's policy, the same for every front end: the [fleet] section of fleet.ini in the data
// folder, beside the store's address. A scheduled backup, "Back up all" in the Sites window and
// the panel's own recordings all run the same hooks; command-line flags override it for one run.
//   [fleet]
//   on_change=/usr/local/bin/tell-the-desk
//   metrics=/var/lib/orvexdab/metrics/orvexdab.prom
//   parallel=64
//   deadline=30
//   hooks_deadline=300
namespace fleet {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kHooksDeadline = 300s;

struct FleetPolicy
{
    QString onChange;  // on_change=: the hook command; empty: none
    QString metrics;   // metrics=: the metrics file a backup run rewrites; empty: none
    PoolSettings pool; // parallel=, deadline= (seconds, a site's whole attempt)
    // hooks_deadline= (seconds): all of a run's hooks together; each keeps its own limit.
    std::chrono::milliseconds hooksDeadline = kHooksDeadline;
};

struct PolicyParse
{
    FleetPolicy policy;
    QString error; // "FILE: parallel=abc is not ..."; empty when usable
};

// The policy of a fleet.ini text; a relative metrics path is taken from dataDir.
PolicyParse parseFleetPolicy(const QByteArray& ini, const QString& dataDir,
                             const QString& fileName = QStringLiteral("fleet.ini"));
// The data folder's policy: the defaults when it has no fleet.ini or no [fleet].
PolicyParse fleetPolicy(const QString& dataDir);

} // namespace fleet
