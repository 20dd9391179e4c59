#pragma once

#include <QString>

namespace storage {

// Where the working file, the settings file, the preset files and the ports/ folder live.
// A program folder the user can write (a portable copy, a build folder) keeps them beside
// the executable. An installed program's folder is not writable, so they go to the per-user
// data folder instead, created when missing; otherwise every exit would lose the panel.
QString chooseDataDir(const QString& programDir);

// True when a file can be created in dir. Tried for real, because permission bits alone do
// not tell about read-only mounts or access control lists.
bool isWritableFolder(const QString& dir);

} // namespace storage
