#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Who made a link to a pseudo-terminal. The simulator marks each link it makes (e.g. a ports/
// COM<n> link to its device) with an owner file beside it, <link>.owner, holding its process id
// as decimal text and a line end, and holds a lock on that file for as long as it runs; it
// removes both when it ends. A simulator that was killed leaves both behind, unlocked (the
// system lifts the lock); its link then points at a device number that the system may since
// have given to another program's terminal, which must never receive the panel's bytes. The
// process id is for people and messages only: ids are reused, so only the lock says whether
// the owner still runs.
namespace lnk {

// <linkPath>.owner
QString ownerFilePath(const QString& linkPath);

// The owner file's content for a process: "1234\n".
QByteArray ownerFileContent(qint64 pid);

// The process id in the link's owner file; nothing when there is no owner file or it does not
// hold a process id.
std::optional<qint64> linkOwner(const QString& linkPath);

enum class OwnerLock
{
    NoOwnerFile, // a link someone made by hand
    Held,        // a running simulator holds the lock
    Free,        // nobody holds it, or the owner file is not one a simulator made
};

// Asks for the owner file's lock without waiting and gives it back at once. The file is opened
// without following a link and without blocking, so nothing at the path can hold the caller.
OwnerLock probeOwnerLock(const QString& linkPath);

// True when the link has an owner file that no running simulator holds: the link is stale and
// reaches nothing, whatever process id the file names. False when there is no owner file or
// the owner still runs.
bool ownerGone(const QString& linkPath);

} // namespace lnk
