#pragma once

#include "fleet/Store.h"

// What an attempt to read a site means: new, unchanged or changed, whether the site drifts, and
// which events follow. Decided here, over values alone, so the store keeps rows and the drift
// report and the store agree on what drift is.
namespace fleet {

// What values differ in from the reference of their layout; nothing without a reference.
std::optional<QList<session::Difference>>
driftDifferences(const std::optional<Version>& reference, lnk::Layout layout, const Values& values);

struct AttemptVerdict
{
    AttemptOutcome outcome = AttemptOutcome::Failed;
    bool store = false;       // a new version is due
    int differences = 0;      // from the previous version of that layout
    std::optional<int> drift; // the site's drift after the attempt
    QList<EventKind> events;  // in the order they follow
};

// previous: the site's latest version of the attempt's layout; reference: that layout's
// reference; status: the site's status before the attempt.
AttemptVerdict judgeAttempt(const std::optional<Version>& previous,
                            const std::optional<Version>& reference, const Attempt& attempt,
                            const SiteStatus& status);

} // namespace fleet
