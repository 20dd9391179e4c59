// Not compiled on Linux or macOS: the Windows counterpart of AtomicWrite_posix.cpp.
#include "storage/AtomicWrite.h"

#ifdef Q_OS_WIN

#include "storage/WriteTarget.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <qt_windows.h>

#include <string>

namespace storage {
namespace {

FileError describeWriteFailure(const QString& path, QFileDevice::FileError error)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir()) {
        return {FileErrorKind::PathNotFound};
    }
    if (error == QFileDevice::ResourceError) {
        return {FileErrorKind::DiskFull};
    }
    if (error == QFileDevice::PermissionsError || !folder.isWritable() ||
        (target.exists() && !target.isWritable())) {
        return {FileErrorKind::PermissionDenied};
    }
    if (error == QFileDevice::WriteError) {
        return {FileErrorKind::DeviceIO};
    }
    return {FileErrorKind::PathFileAccess};
}

// False when something other than a file on a disk answers to the name: a folder, or a device
// such as NUL, CON or COM1, which exist in every folder.
bool diskFileOrNothing(const QString& path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return false;
    }
    const HANDLE h =
        ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool disk = ::GetFileType(h) == FILE_TYPE_DISK;
    ::CloseHandle(h);
    return disk;
}

} // namespace

std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const FileResult<QString> target = writeTarget(path);
    if (target.error) {
        return target.error;
    }
    if (!diskFileOrNothing(target.value)) {
        return FileError{FileErrorKind::PathFileAccess};
    }
    QSaveFile file(target.value);
    // Never fall back to writing over the old file in place: that is what loses data.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return describeWriteFailure(target.value, file.error());
    }
    // Flush here and check: commit() does not notice a buffered write that fails on the way
    // out (a full disk) and would rename an empty file over the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        return describeWriteFailure(target.value, error);
    }
    // Once more right before the rename that commit() ends with.
    if (!diskFileOrNothing(target.value)) {
        file.cancelWriting();
        return FileError{FileErrorKind::PathFileAccess};
    }
    if (!file.commit()) {
        return describeWriteFailure(target.value, file.error());
    }
    return std::nullopt;
}

} // namespace storage

#endif
