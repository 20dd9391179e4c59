#pragma once

#include "fleet/Store.h"

// The monitoring check: one line after the Monitoring Plugins conventions, from the store alone
// (no processor is asked, so it is fast), and a state that is the plugin's exit status.
//   ORVEXDAB OK - 32 sites, all backed up within 26 h, 0 failed, 0 drifted | sites=32;;;0 ...
namespace fleet {

enum class CheckState
{
    Ok = 0,
    Warning = 1,  // a last success older than the warning age, a failed last attempt, a drift
    Critical = 2, // a last success older than the critical age, or none at all
    Unknown = 3,  // no store, an unreadable one, no sites, a usage error
};

struct CheckOptions
{
    double warningHours = 26;
    double criticalHours = 50;
    QDateTime now = QDateTime::currentDateTimeUtc();
};

struct CheckResult
{
    CheckState state = CheckState::Unknown;
    QString line; // without a line end
};

// The ages given make no sense: a negative or zero age, or a critical age below the warning one.
QString checkOptionsProblem(const CheckOptions& options);

// The check over these sites.
CheckResult checkSites(const QList<Site>& sites, const CheckOptions& options);
// The check over the store's sites; UNKNOWN when the store cannot be read.
CheckResult check(Store& store, const CheckOptions& options);
// UNKNOWN with a reason (a usage error, say).
CheckResult unknownCheck(const QString& why);

} // namespace fleet
