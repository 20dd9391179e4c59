#pragma once

#include "fleet/Deploy.h"

#include <QJsonObject>
#include <QString>

// How deploys read on the command line: the preview, one line a site as it ends, the summary,
// and the list of past runs. Every line begins with the site's name (or the run's id).
namespace cli {

// "north: 3 differences", "west: no version yet", "studio: same values"
QString previewText(const fleet::DeployTarget& target);
QJsonObject previewJson(const fleet::DeployTarget& target);

// "north: verified, version 5"
QString deployText(const fleet::SiteDeploy& site);
QJsonObject deployJson(const fleet::SiteDeploy& site);

// "deploy 4: 3 verified, 1 failed, 2 not sent (stopped after west)"
QString deploySummaryText(const fleet::DeployReport& report);
QJsonObject deploySummaryJson(const fleet::DeployReport& report);

// "4  2026-12-10T15:00:00Z  ann@desk  sound.DAB  day  3 sites: 2 verified, 1 failed  NOTE"
QString deploysText(const fleet::DeployRecord& run);
QJsonObject deploysJson(const fleet::DeployRecord& run);

} // namespace cli
