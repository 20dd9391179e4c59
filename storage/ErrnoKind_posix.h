#pragma once

#include "storage/FileError.h"

#include <QFileInfo>

#include <cerrno>

namespace storage {

// What a failed call on path means to the operator. A missing name is a missing file when
// its folder is there, a missing folder otherwise.
inline FileErrorKind errnoKind(const QString& path, int error)
{
    switch (error) {
    case ENOENT:
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? FileErrorKind::FileNotFound
                                                                 : FileErrorKind::PathNotFound;
    case ENOTDIR:
        return FileErrorKind::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileErrorKind::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return FileErrorKind::DiskFull;
    case EIO:
        return FileErrorKind::DeviceIO;
    default:
        return FileErrorKind::PathFileAccess;
    }
}

} // namespace storage
