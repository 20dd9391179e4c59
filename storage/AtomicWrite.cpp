#include "storage/AtomicWrite.h"

#include <QFileInfo>

namespace storage {

FileError openFailure(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        return {FileErrorKind::PathFileAccess};
    }
    if (!info.exists()) {
        return {QFileInfo(info.absolutePath()).isDir() ? FileErrorKind::FileNotFound
                                                       : FileErrorKind::PathNotFound};
    }
    if (!info.isReadable()) {
        return {FileErrorKind::PermissionDenied};
    }
    return {FileErrorKind::PathFileAccess};
}

} // namespace storage
