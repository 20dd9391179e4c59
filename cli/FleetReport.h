#pragma once

#include "fleet/BackupRun.h"
#include "fleet/Compare.h"
#include "fleet/History.h"
#include "fleet/Restore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// What the fleet verbs print: a text line a site or version (indented lines for differences),
// or one JSON object a line. Site names, notes and messages are shown printable.
namespace cli {

QString jsonLine(const QJsonObject& object);

//   North: new, version 1 | unchanged | changed, version 4 (3 differences) | failed: MESSAGE
QString backupText(const fleet::SiteBackup& site);
QJsonObject backupJson(const fleet::SiteBackup& site);

//   3  2026-12-09T03:00:00Z  day  backup  op@desk  2 differences  reference  note
QString historyText(const fleet::HistoryEntry& entry);
QJsonObject historyJson(const fleet::HistoryEntry& entry);
// A reference holding its own values: "reference  TIME  day  approved from B.DAB  BY"
QString soundReferenceText(const fleet::Version& reference);
QJsonObject soundReferenceJson(const fleet::Version& reference);

//   North: 2 differences, version 1 -> version 2 (day layout)
//     gate: 8 -> 9
QString diffText(const fleet::DiffResult& diff);
QJsonObject diffJson(const fleet::DiffResult& diff);

//   North: drift: 2 differences (day layout) | no drift | no reference | failed: MESSAGE
QString driftText(const fleet::SiteDrift& drift);
QJsonObject driftJson(const fleet::SiteDrift& drift);

//   North: version 1 restored and verified (read back as version 3)
//   North: not taken: 2 differences after sending version 1 (day layout)
//   North: sent, not verified: the processor answers with its night block
// then whether the read-back was stored and the preset saved.
QString restoreText(const fleet::RestoreResult& restore);
QJsonObject restoreJson(const fleet::RestoreResult& restore);

// A table with a heading: name, port, group, last backup, state, drift.
QString siteTableText(const QList<fleet::Site>& sites);
QJsonObject siteJson(const fleet::Site& site);

// [{"name":..,"a":..,"b":..}]
QJsonArray differencesJson(const QList<session::Difference>& differences);

// "  gate: 8 -> 9" a line.
QString differenceLines(const QList<session::Difference>& differences);

} // namespace cli
