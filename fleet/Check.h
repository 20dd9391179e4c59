#pragma once

#include "fleet/Store.h"

// The monitoring check: one line after the Monitoring Plugins conventions, from the store alone
// (no processor is asked, so it is fast), and a state that is the plugin's exit status.
//   ORVEXDAB OK - 32 sites, all backed up within 26 h, 0 failed, 0 drifted | sites=32;;;0 ...
namespace fleet {

// The ages a check warns and goes critical at unless told otherwise: a daily backup missed once,
// and twice.
inline constexpr double kDefaultWarningHours = 26;
inline constexpr double kDefaultCriticalHours = 50;

enum class CheckState
{
    Ok = 0,
    Warning = 1,  // a last success older than the warning age, a failed last attempt, a drift
    Critical = 2, // a last success older than the critical age, or none at all
    Unknown = 3,  // no store, an unreadable one, no sites, a usage error
};

// The most an age may be: ten years, in hours. Beyond it (and for infinity) the seconds of
// the performance data would overflow.
inline constexpr double kMostCheckHours = 10 * 365.25 * 24;

// The time the check answers within, whatever the store does, and how many sites its text
// names at most (the performance data carries the counts): monitoring systems keep a few
// kilobytes of a plugin's output.
inline constexpr int kCheckAnswerSeconds = 8;
inline constexpr int kCheckNamedSites = 5;
inline constexpr int kCheckNameLength = 24;

struct CheckOptions
{
    double warningHours = kDefaultWarningHours;
    double criticalHours = kDefaultCriticalHours;
    QDateTime now = QDateTime::currentDateTimeUtc();
    // Files of the store its group cannot write (a shared folder): the next group member's
    // write would fail. check() fills it in.
    QStringList lockedOut;
};

struct CheckResult
{
    CheckState state = CheckState::Unknown;
    QString line; // without a line end
};

// The ages given make no sense: not a number, zero or less, more than ten years, or a critical
// age below the warning one. Empty when they do.
QString checkOptionsProblem(const CheckOptions& options);

// The check over these sites.
CheckResult checkSites(const QList<Site>& sites, const CheckOptions& options);
// The check over the store's sites; UNKNOWN when the store cannot be read.
CheckResult check(Store& store, const CheckOptions& options);
// UNKNOWN with a reason (a usage error, a driver's message), put on one line.
CheckResult unknownCheck(const QString& why);
// UNKNOWN because the store did not answer within kCheckAnswerSeconds.
CheckResult unansweredCheck();

} // namespace fleet
