#pragma once

#include <QString>

#include <optional>

namespace storage {

// Why a path cannot take a file that writeFileAtomically would write.
enum class OutputPathProblem
{
    MissingFolder,    // the folder it would go in does not exist
    Folder,           // a folder is at the path
    NotRegularFile,   // a FIFO, a device, a socket, a link to one of those, a dangling link
    UnwritableFolder, // no new file can be made in its folder
    ReadOnlyFile,     // a regular file is there but may not be replaced
};

// Looks at an output path before anything is done that the file is meant to record, so that
// a run fails before it has sent a byte rather than after. Only a hint: the writer checks
// again when it writes. Nothing is created or changed at the path.
std::optional<OutputPathProblem> checkOutputPath(const QString& path);

// "no such folder", "a folder", ...: for a message that names the path before it.
QString describeOutputPathProblem(OutputPathProblem problem);

} // namespace storage
