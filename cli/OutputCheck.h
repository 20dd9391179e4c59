#pragma once

#include "storage/FileError.h"

#include <QString>

#include <optional>

// An output path checked before a byte is sent, so that a file that could not be written is a
// usage error rather than a processor's values lost after the exchange.
namespace cli {

// Nothing when a parameter file can replace whatever is at path: its folder exists and takes a
// new file, and the path is free or holds a regular file (a link to one included). A folder, a
// device, a FIFO or a socket at the path is refused, since renaming over it would destroy it.
std::optional<storage::FileError> checkOutputPath(const QString& path);

} // namespace cli
