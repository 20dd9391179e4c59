#pragma once

#include "link/PortListing.h"

#include <QString>

// The ports command's output of the core's port listing.
namespace cli {

// "ports.ini: unusable (REASON)" first when the map cannot be used, then one line a row:
// "COM1  link    /dev/pts/4  ports/COM1"
QString textListing(const lnk::PortListing& listing);
// The same as one JSON object a line: {"file":…,"error":…} for an unusable map, then number,
// port, kind, reaches, description for each row.
QString jsonListing(const lnk::PortListing& listing);

} // namespace cli
