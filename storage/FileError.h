#pragma once

#include <QString>

#include <optional>

namespace storage {

// What went wrong with a parameter or settings file, worded the way operators know from
// other desktop programs. The GUI shows description() as it stands.
enum class FileErrorKind
{
    FileNotFound,
    PathNotFound,
    PermissionDenied,
    PathFileAccess,
    InputPastEnd,
    TypeMismatch,
    Overflow,
    DiskFull,
    DeviceIO,
};

struct FileError
{
    FileErrorKind kind = FileErrorKind::PathFileAccess;
    int field = 0; // 1-based field at which a read stopped; 0 when no field was involved

    QString description() const
    {
        switch (kind) {
        case FileErrorKind::FileNotFound:
            return QStringLiteral("File not found");
        case FileErrorKind::PathNotFound:
            return QStringLiteral("Path not found");
        case FileErrorKind::PermissionDenied:
            return QStringLiteral("Permission denied");
        case FileErrorKind::PathFileAccess:
            return QStringLiteral("Path/File access error");
        case FileErrorKind::InputPastEnd:
            return QStringLiteral("Input past end of file");
        case FileErrorKind::TypeMismatch:
            return QStringLiteral("Type mismatch");
        case FileErrorKind::Overflow:
            return QStringLiteral("Overflow");
        case FileErrorKind::DiskFull:
            return QStringLiteral("Disk full");
        case FileErrorKind::DeviceIO:
            return QStringLiteral("Device I/O error");
        }
        return QStringLiteral("Path/File access error");
    }

    friend bool operator==(const FileError&, const FileError&) = default;
};

// A value, or why there is none.
template <typename T> struct FileResult
{
    T value{};
    std::optional<FileError> error; // set when value holds nothing useful

    bool ok() const { return !error; }
};

} // namespace storage
