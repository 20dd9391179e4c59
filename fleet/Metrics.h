#pragma once

#include "fleet/StoreTypes.h"

#include <optional>

// The sites as a text file for a metrics collector that reads files (the Prometheus text
// exposition format): a HELP and a TYPE line for each metric, one sample a site, label values
// escaped. A value the store does not have (no success yet, no reference) has no sample.
namespace fleet {

// runSeconds: the backup run's duration, for orvexdab_backup_duration_seconds.
QString metricsText(const QList<Site>& sites, std::optional<double> runSeconds);

// A label value as the format writes it: backslash, double quote and line feed escaped.
QString escapeLabel(const QString& value);

} // namespace fleet
