#include "fleet/AttemptRule.h"

namespace fleet {

std::optional<QList<session::Difference>> driftDifferences(const std::optional<Version>& reference,
                                                           lnk::Layout layout, const Values& values)
{
    if (!reference) {
        return std::nullopt;
    }
    return session::differences(reference->carried(),
                                session::CarriedValues::ofLayout(layout, values));
}

AttemptVerdict judgeAttempt(const std::optional<Version>& previous,
                            const std::optional<Version>& reference, const Attempt& attempt,
                            const SiteStatus& status)
{
    AttemptVerdict v;
    v.drift = status.drift;
    if (!attempt.taken) {
        v.outcome = AttemptOutcome::Failed;
        if (status.failures == 0) {
            v.events.append(EventKind::Failed);
        }
        return v;
    }
    const NewVersion& taken = *attempt.taken;
    if (previous) {
        v.differences =
            int(session::differences(previous->carried(),
                                     session::CarriedValues::ofLayout(taken.layout, taken.values))
                    .size());
    }
    v.store = !previous || v.differences > 0 || !attempt.onlyWhenChanged;
    if (!v.store) {
        // Nothing new: the latest version, and with it the drift, stay as they were.
        v.outcome = AttemptOutcome::Unchanged;
    } else {
        v.outcome = previous ? AttemptOutcome::Changed : AttemptOutcome::New;
        if (previous && v.differences > 0) {
            v.events.append(EventKind::Changed);
        }
        const auto drift = driftDifferences(reference, taken.layout, taken.values);
        v.drift = drift ? std::optional<int>(int(drift->size())) : std::nullopt;
    }
    if (status.failures > 0) {
        v.events.append(EventKind::Recovered);
    }
    if (v.drift.value_or(0) > 0 && status.drift.value_or(0) == 0) {
        v.events.append(EventKind::Drift);
    }
    return v;
}

} // namespace fleet
