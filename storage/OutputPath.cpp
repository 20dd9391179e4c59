#include "storage/OutputPath.h"

#include "storage/DataFolder.h"
#include "storage/WriteTarget.h"

#include <QFileInfo>

namespace storage {

std::optional<OutputPathProblem> checkOutputPath(const QString& path)
{
    if (QFileInfo(path).isDir()) {
        return OutputPathProblem::Folder;
    }
    const FileResult<QString> target = writeTarget(path);
    if (target.error) {
        return OutputPathProblem::NotRegularFile;
    }
    // Beside the file a link names: that is where the temporary file and the rename go.
    const QFileInfo file(target.value);
    if (!QFileInfo(file.absolutePath()).isDir()) {
        return OutputPathProblem::MissingFolder;
    }
    if (!isWritableFolder(file.absolutePath())) {
        return OutputPathProblem::UnwritableFolder;
    }
    if (file.exists() && !file.isWritable()) {
        return OutputPathProblem::ReadOnlyFile;
    }
    return std::nullopt;
}

QString describeOutputPathProblem(OutputPathProblem problem)
{
    switch (problem) {
    case OutputPathProblem::MissingFolder:
        return QStringLiteral("no such folder");
    case OutputPathProblem::Folder:
        return QStringLiteral("a folder");
    case OutputPathProblem::NotRegularFile:
        return QStringLiteral("not a regular file");
    case OutputPathProblem::UnwritableFolder:
        return QStringLiteral("folder not writable");
    case OutputPathProblem::ReadOnlyFile:
        return QStringLiteral("file not writable");
    }
    return QStringLiteral("not usable");
}

} // namespace storage
