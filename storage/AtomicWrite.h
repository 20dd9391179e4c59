#pragma once

#include "storage/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace storage {

// Replaces the file at path with bytes, or leaves the old file byte-for-byte as it was:
// the bytes go to a temporary file beside it, which is renamed over the old one only after
// everything was written and flushed. Nothing is returned on success.
//
// Only a regular file is ever replaced (through a symbolic link to one, the file it names).
// A folder, a FIFO, a device, a socket, a link to any of those or a dangling link at the path
// is refused as "Path/File access error" and left exactly as it was; the path is looked at
// again right before the rename, so that one put there meanwhile is refused too.
std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes);

// Classifies a file that cannot be opened for reading.
FileError openFailure(const QString& path);

} // namespace storage
