#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A data folder its group shares (group-writable, as a station's service folder is, mode 2770):
// the service, operators and the monitoring user all write there. A file one of them makes with
// the usual umask (0644) would lock the others out after a single read (SQLite's -wal and -shm
// take the store file's mode), so files made there are given the group's read and write.
namespace storage {

// Whether folder is writable by its group.
bool isGroupShared(const QString& folder);

// A file this process owns in a group-shared folder gets the group's read and write; anything
// else (another's file, a private folder, a missing file) is left alone. Also repairs a file
// made before.
void shareWithGroup(const QString& path);

// Makes an empty file at path, 0660, where the folder is shared and nothing is there yet, for a
// program (SQLite) that would make it with the umask.
void createForGroup(const QString& path);

// The files among paths, in a group-shared folder, that their group cannot write.
QStringList lockedFromGroup(const QStringList& paths);

// The permissions a new file in folder gets whatever the umask: 0660 where the folder is shared;
// nothing elsewhere (the usual 0666 less the umask).
std::optional<unsigned> sharedFileMode(const QString& folder);

} // namespace storage
