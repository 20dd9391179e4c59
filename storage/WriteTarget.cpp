#include "storage/WriteTarget.h"

#include <QFileInfo>

namespace storage {

FileResult<QString> writeTarget(const QString& path)
{
    QString current = path;
    for (int hop = 0; hop <= kLinkHops; ++hop) {
        const QFileInfo info(current);
        if (info.isSymbolicLink()) {
            current = info.symLinkTarget();
            continue;
        }
        if (!info.exists()) {
            if (hop == 0) {
                return {path, std::nullopt};
            }
            break; // a dangling link
        }
        if (info.isFile()) {
            return {current, std::nullopt};
        }
        break;
    }
    return {{}, FileError{FileErrorKind::PathFileAccess}};
}

} // namespace storage
