#include "storage/AtomicWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace storage {
namespace {

FileError describeWriteFailure(const QString& path, QFileDevice::FileError error)
{
    const QFileInfo target(path);
    if (target.isDir()) {
        return {FileErrorKind::PathFileAccess};
    }
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

} // namespace

std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    // A directory in the way would make QSaveFile fail anyway; say so plainly.
    if (QFileInfo(path).isDir()) {
        return FileError{FileErrorKind::PathFileAccess};
    }
    QSaveFile file(path);
    // Never fall back to writing over the old file in place: that is what loses data.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        return describeWriteFailure(path, file.error());
    }
    // Flush here and check: commit() does not notice a buffered write that fails on the way
    // out (a full disk) and would rename an empty file over the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        return describeWriteFailure(path, error);
    }
    if (!file.commit()) {
        return describeWriteFailure(path, file.error());
    }
    return std::nullopt;
}

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
