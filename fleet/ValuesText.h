#pragma once

#include "fleet/StoreTypes.h"

#include <optional>

// How a version's values are kept: the members the layout's reply carries, in reply order, as
// "name=value" separated by single spaces, e.g. "gate=1 ranges=255 ... Daynight=0". Readable in
// any database tool, and about 300 bytes a day version.
namespace fleet {

QString encodeValues(lnk::Layout layout, const Values& values);

// Nothing when the text is not what encodeValues writes for this layout: a member missing,
// unknown or repeated, or a value out of its range.
std::optional<Values> decodeValues(lnk::Layout layout, const QString& text);

} // namespace fleet
