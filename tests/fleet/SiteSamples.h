#pragma once

// Sites as the store would give them, at a fixed now, for the texts made of them (the check's
// line, the metrics file).
#include "fleet/StoreTypes.h"

namespace sitesamples {

inline const QDateTime kNow = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

// A site last backed up successAgo seconds before kNow (never: nothing), with failures after
// it and a drift.
inline fleet::Site site(const QString& name, std::optional<qint64> successAgo, int failures = 0,
                        std::optional<int> drift = std::nullopt)
{
    fleet::Site s;
    s.name = name;
    s.port = QStringLiteral("3");
    if (successAgo) {
        s.status.lastSuccess = kNow.addSecs(-*successAgo);
        s.status.lastAttempt = s.status.lastSuccess;
    }
    if (failures > 0) {
        s.status.lastAttempt = kNow;
        s.status.failures = failures;
    }
    s.status.drift = drift;
    return s;
}

} // namespace sitesamples
