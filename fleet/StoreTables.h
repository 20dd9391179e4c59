#pragma once

#include <QList>
#include <QStringList>

// The store's tables: the statements a new store is made with, and the steps that bring an older
// one up to date. A table a step rebuilds is defined once and named by the caller, so a new store
// and a migrated one hold the same definition.
namespace fleet {

QStringList schemaStatements(bool postgres);

// Each step brings the schema from its index + 1 to the next version.
QList<QStringList> migrationSteps(bool postgres);

} // namespace fleet
