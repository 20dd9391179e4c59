#pragma once

#include "fleet/StoreTypes.h"

#include <QColor>
#include <QDateTime>
#include <QString>

#include <chrono>

// How the Sites window and a site's history word and colour what the store holds, so the table,
// its accessible text and the tests read the same.
namespace sitetexts {

// "5 h ago"; "just now" under a minute.
QString ageText(const QDateTime& then, const QDateTime& now);
// "2026-12-09 03:12 (5 h ago)" in local time; empty for nothing.
QString whenText(const std::optional<QDateTime>& utc, const QDateTime& now);
// "ok", "failed: MESSAGE", "never backed up", "backing up...".
QString stateText(const fleet::Site& site, bool running);
// "none", "1 difference", "3 differences", "no reference".
QString driftText(const std::optional<int>& drift);
// "No differences", "1 difference", "3 differences".
QString differencesText(int n);
// "Version 3".
QString versionTitle(int number);
// A member as the panel names it, with its group: "Density (Limiters)".
QString parameterText(model::Member m);
// What a screen reader says for a row: "Brno, ok, last backup 5 h ago, drift none".
QString rowText(const fleet::Site& site, bool running, const QDateTime& now);

// A store that has not answered for this long is shown as unreachable until it does.
inline constexpr std::chrono::seconds kStoreStall{3};
// "store unreachable: MESSAGE"
QString unreachableText(const QString& message);
// "store unreachable: no answer from ADDRESS"
QString noAnswerText(const QString& address);

bool failed(const fleet::Site& site);
bool drifted(const fleet::Site& site);

// Rows that need attention; always with a text that says why, never colour alone.
inline const QColor kFailedBackground(255, 205, 205);
inline const QColor kDriftBackground(255, 232, 170);
inline const QColor kDiffersBackground(255, 210, 210);

} // namespace sitetexts
