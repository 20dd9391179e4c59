#pragma once

#include "storage/FileError.h"

#include <QString>

namespace storage {

// How many backup names setAside tries before it gives up.
inline constexpr int kSetAsideNames = 1000;

// Moves whatever is at path (a damaged working file, typically) out of the way by renaming it,
// whatever its size or permissions, to the first free name of <path>.bak, <path>.bak.1,
// <path>.bak.2, ... <path>.bak.999, and returns that name. Anything already at one of those
// names (a file, a folder, a link, even a dangling one) is left alone and never replaced, even
// when another program sets a file aside under the same names at the same moment: each rename
// happens only if its name is free, in one step. On failure (nothing at path, a folder that
// cannot be written, every name taken) the error says why and nothing was moved.
FileResult<QString> setAside(const QString& path);

enum class RenameOutcome
{
    Renamed,
    NameTaken, // something is at the new name; nothing was moved
    Failed,    // see the error; nothing was moved
};

// Renames from to `to`, in one step, only if nothing at all is at `to`.
RenameOutcome renameWithoutReplacing(const QString& from, const QString& to, FileError& error);

} // namespace storage
