#pragma once

#include "storage/FileError.h"

#include <QString>

namespace storage {

// Links followed before a path counts as a loop.
inline constexpr int kLinkHops = 40;

// The file a writer replaces for path: path itself when nothing is there yet, otherwise the
// regular file at the end of its symbolic links. Anything else at the path (a folder, a FIFO,
// a device, a socket, a link to one of those, a dangling link, a loop of links) is refused as
// PathFileAccess: replacing it would destroy a node that is not ours, or create a file where a
// link happens to point.
FileResult<QString> writeTarget(const QString& path);

} // namespace storage
