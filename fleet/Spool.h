#pragma once

#include "fleet/Store.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Failed attempts the store could not keep (a full disk, a store gone away), kept in a small
// file in the data folder until a run can record them: a full disk must never turn a failure
// into "ok". Each keeps its own time; the store never lets it replace a newer attempt.
namespace fleet {

inline constexpr int kSpoolLimit = 1000;
inline constexpr char kSpoolName[] = "fleet-spool.jsonl";

struct SpooledAttempt
{
    QString site;
    QDateTime at; // UTC
    QString error;
    // A read the panel could not store before it quit: its values, stored late.
    std::optional<NewVersion> taken;
};

// The spool of a data folder, oldest first; a missing file is an empty spool, a line that does
// not read is skipped (another program may have written the file).
QList<SpooledAttempt> readSpool(const QString& dataDir);

// Replaces the spool with these entries (the newest kSpoolLimit kept); none removes the file.
// The error, if the file could not be written.
std::optional<QString> writeSpool(const QString& dataDir, QList<SpooledAttempt> entries);
// Adds entries to the spool.
std::optional<QString> addToSpool(const QString& dataDir, const QList<SpooledAttempt>& entries);

struct SpooledRecording
{
    QList<StoreResult<Recorded>> results; // one per attempt, as Store::recordAll gives them
    QList<bool> spooled;                  // the store did not keep it; the spool did
    std::optional<QString> spoolError;    // the spool could not be written either
};

// Records attempts in one transaction; a failed attempt the store could not keep goes to the
// spool, and so does a reply it could not store (as a failure: it was never recorded). With
// drain, what earlier runs spooled is recorded first, each at its own time. On the store's
// thread.
SpooledRecording recordThroughSpool(Store& store, const QString& dataDir,
                                    const QList<std::pair<QString, Attempt>>& attempts, bool drain);

} // namespace fleet
