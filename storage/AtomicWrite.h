#pragma once

#include "storage/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace storage {

// Replaces the file at path with bytes, or leaves the old file byte-for-byte as it was:
// the bytes go to a temporary file beside it, which is renamed over the old one only after
// everything was written and flushed. Nothing is returned on success.
std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes);

// Classifies a file that cannot be opened for reading.
FileError openFailure(const QString& path);

} // namespace storage
