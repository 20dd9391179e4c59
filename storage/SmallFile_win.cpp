// Not compiled on Linux or macOS: the Windows counterpart of SmallFile_posix.cpp.
#include "storage/SmallFile.h"

#ifdef Q_OS_WIN

#include <QDir>

#include <qt_windows.h>

#include <string>

namespace storage {
namespace {

class Handle
{
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { ::CloseHandle(m_h); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

private:
    HANDLE m_h;
};

FileResult<QByteArray> failed(FileErrorKind kind)
{
    return {{}, FileError{kind}};
}

FileErrorKind openErrorKind(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return FileErrorKind::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
        return FileErrorKind::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileErrorKind::PermissionDenied;
    default:
        return FileErrorKind::PathFileAccess;
    }
}

} // namespace

FileResult<QByteArray> readSmallFile(const QString& path, qint64 maxBytes)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    // CreateFileW cannot open a directory without backup semantics and would call that
    // "access denied"; say what it is instead.
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return failed(FileErrorKind::PathFileAccess);
    }
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return failed(openErrorKind(::GetLastError()));
    }
    const Handle closer(h);
    // Pipes, consoles and serial ports are not disk files.
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size) ||
        size.QuadPart > maxBytes) {
        return failed(FileErrorKind::PathFileAccess);
    }
    QByteArray bytes(maxBytes + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        if (!::ReadFile(h, bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n,
                        nullptr)) {
            return failed(FileErrorKind::DeviceIO);
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    if (got > maxBytes) {
        return failed(FileErrorKind::PathFileAccess);
    }
    bytes.truncate(got);
    return {bytes, std::nullopt};
}

} // namespace storage

#endif
