#pragma once

#include "storage/FileError.h"

#include <QByteArray>
#include <QString>

namespace storage {

// The largest parameter or settings file that is read. Real ones hold a few hundred bytes;
// anything bigger is not one of ours and must not cost memory or time to find out.
inline constexpr qint64 kSmallFileLimit = 64 * 1024;

// The whole content of a regular file of at most maxBytes bytes (a buffer of maxBytes + 1 is
// set aside for it, so keep the limit small).
//
// Whatever else is at the path is refused before a byte of it is read, as "Path/File access
// error" (PathFileAccess): a directory, a FIFO (opening one never waits for a writer), a
// device or a link to one, a socket, a file larger than maxBytes, and a file that grows past
// maxBytes while it is read. A missing file is FileNotFound, a missing folder PathNotFound,
// a refused permission PermissionDenied, a failing read DeviceIO.
FileResult<QByteArray> readSmallFile(const QString& path, qint64 maxBytes = kSmallFileLimit);

} // namespace storage
