#pragma once

#include <QString>
#include <QStringList>

namespace storage {

// The folders the programs are installed to, as this build was configured: the install bin
// folder, and the one the package puts them in.
QStringList installedProgramDirs();

// Where the working file, the settings file, the preset files and the ports/ folder live.
// A portable copy or a build folder the user can write keeps them beside the executable.
// An installed program uses the per-user data folder, created when missing: its folder is
// shared by every user and belongs to the system, even where this user can write it (root
// can write /usr/bin). A program folder that cannot be written goes there too; otherwise
// every exit would lose the panel. Folders are compared by their canonical paths, so a link
// to the install folder counts as the install folder.
QString chooseDataDir(const QString& programDir,
                      const QStringList& installDirs = installedProgramDirs());

// True when a file can be created in dir. Tried for real, because permission bits alone do
// not tell about read-only mounts or access control lists.
bool isWritableFolder(const QString& dir);

} // namespace storage
