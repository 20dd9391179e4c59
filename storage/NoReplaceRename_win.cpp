// Not compiled on Linux or macOS: the Windows counterpart of NoReplaceRename_posix.cpp.
#include "storage/SetAside.h"

#ifdef Q_OS_WIN

#include <QDir>

#include <qt_windows.h>

#include <string>

namespace storage {

RenameOutcome renameWithoutReplacing(const QString& from, const QString& to, FileError& error)
{
    const std::wstring f = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring t = QDir::toNativeSeparators(to).toStdWString();
    // Without MOVEFILE_REPLACE_EXISTING the move fails when anything is at the new name.
    if (::MoveFileExW(f.c_str(), t.c_str(), 0)) {
        return RenameOutcome::Renamed;
    }
    switch (::GetLastError()) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return RenameOutcome::NameTaken;
    case ERROR_FILE_NOT_FOUND:
        error = {FileErrorKind::FileNotFound};
        break;
    case ERROR_PATH_NOT_FOUND:
        error = {FileErrorKind::PathNotFound};
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        error = {FileErrorKind::PermissionDenied};
        break;
    case ERROR_DISK_FULL:
        error = {FileErrorKind::DiskFull};
        break;
    default:
        error = {FileErrorKind::PathFileAccess};
        break;
    }
    return RenameOutcome::Failed;
}

} // namespace storage

#endif
