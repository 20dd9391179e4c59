#pragma once

#include "fleet/StoreTypes.h"

#include <optional>

// The sites as a text file for a metrics collector that reads files (the Prometheus text
// exposition format): a HELP and a TYPE line for each metric, one sample a site, label values
// escaped. A value the store does not have (a last change, a reference) has no sample; a site
// never backed up has a last success of 0, so an alert on its age fires for it too.
namespace fleet {

// What a backup run adds to the sites' own figures.
struct RunFacts
{
    double seconds = 0;      // how long it took
    QDateTime at;            // when it ended (UTC)
    QStringList notRecorded; // sites whose attempt the store could not keep: shown as down
};

// run: the backup run that writes the file, if any.
QString metricsText(const QList<Site>& sites, const std::optional<RunFacts>& run);

// A label value as the format writes it: backslash, double quote and line feed escaped.
QString escapeLabel(const QString& value);

} // namespace fleet
