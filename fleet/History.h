#pragma once

#include "fleet/Store.h"

#include <optional>

// A site's history, and a version written out as a parameter file.
namespace fleet {

struct HistoryEntry
{
    Version version;
    // Members that differ from the previous version of the same layout; nothing for the first
    // version of a layout.
    std::optional<int> differences;
};

// Every version of the site, oldest first.
StoreResult<QList<HistoryEntry>> history(Store& store, const QString& site);

struct ExportResult
{
    std::optional<StoreError> error; // the site or version, or the store
    QString baseError;               // the base file could not be read
    QString writeError;              // the output could not be written

    bool ok() const { return !error && baseError.isEmpty() && writeError.isEmpty(); }
};

// The version as a parameter file's values: the members its layout carries from the version,
// every other one from base.
Values exportValues(const Version& version, const Values& base);

// Writes the version as a parameter file, all at once. basePath empty: the other members take
// the panel's initial values.
ExportResult exportVersion(Store& store, const QString& site, int number, const QString& output,
                           const QString& basePath = {});

} // namespace fleet
