#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Who made a link to a pseudo-terminal. The simulator marks each link it makes (e.g. a ports/
// COM<n> link to its device) with an owner file beside it, <link>.owner, holding its process id
// as decimal text and a line end, and removes both when it ends. A simulator that was killed
// leaves both behind; its link then points at a device number that the system may since have
// given to another program's terminal, which must never receive the panel's bytes.
namespace lnk {

// <linkPath>.owner
QString ownerFilePath(const QString& linkPath);

// The owner file's content for a process: "1234\n".
QByteArray ownerFileContent(qint64 pid);

// The process id in the link's owner file; nothing when there is no owner file or it does not
// hold a process id.
std::optional<qint64> linkOwner(const QString& linkPath);

// True while a process of that id runs (one of another user included).
bool processRuns(qint64 pid);

// True when the link has an owner file and its process no longer runs: the link is stale and
// reaches nothing. False when there is no owner file (a link someone made by hand) or the
// owner still runs.
bool ownerGone(const QString& linkPath);

} // namespace lnk
