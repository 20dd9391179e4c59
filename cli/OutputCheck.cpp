#include "cli/OutputCheck.h"

#include <QFileInfo>
#include <QTemporaryFile>

namespace cli {

std::optional<storage::FileError> checkOutputPath(const QString& path)
{
    using storage::FileErrorKind;
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists()) {
        return storage::FileError{FileErrorKind::PathNotFound};
    }
    if (!folder.isDir()) {
        return storage::FileError{FileErrorKind::PathFileAccess};
    }
    // QFileInfo follows links: a link to a regular file counts as one, a dangling one as free.
    if (target.exists() && !target.isFile()) {
        return storage::FileError{FileErrorKind::PathFileAccess};
    }
    if (!target.exists() && target.isSymLink()) {
        return storage::FileError{FileErrorKind::PathFileAccess};
    }
    // Tried for real: permission bits alone say nothing of read-only mounts or access lists.
    QTemporaryFile probe(target.absolutePath() + QStringLiteral("/.orvexdab-probe-XXXXXX"));
    if (!probe.open()) {
        return storage::FileError{FileErrorKind::PermissionDenied};
    }
    return std::nullopt;
}

} // namespace cli
