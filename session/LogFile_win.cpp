// Not compiled on Linux or macOS: the Windows counterpart of LogFile_posix.cpp.
#include "session/LogFile.h"

#ifdef Q_OS_WIN

#include <QDir>

#include <qt_windows.h>

#include <string>

namespace session {
namespace {

std::wstring nativeName(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// A plain file, not a folder and not a link or other reparse point; true when nothing is there.
bool plainOrAbsent(const std::wstring& name)
{
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

QString lastError()
{
    return QStringLiteral("Windows error %1").arg(::GetLastError());
}

} // namespace

LogFile::LogFile(const QString& path)
{
    const std::wstring name = nativeName(path);
    if (!plainOrAbsent(name)) {
        m_state = State::NotRegular;
        return;
    }
    // Shared for deleting too, so that another program can rotate the log while it is open.
    const HANDLE h = ::CreateFileW(
        name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        m_state = State::Failed;
        m_error = lastError();
        return;
    }
    LARGE_INTEGER size{};
    // NUL, CON, COM1 and the like answer to the name in every folder: not a file on a disk.
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size)) {
        ::CloseHandle(h);
        m_state = State::NotRegular;
        return;
    }
    m_handle = reinterpret_cast<qintptr>(h);
    m_size = size.QuadPart;
    m_state = State::Open;
}

LogFile::~LogFile()
{
    if (m_state == State::Open) {
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    }
}

bool LogFile::append(const QByteArray& bytes)
{
    if (m_state != State::Open) {
        return false;
    }
    DWORD written = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(m_handle), bytes.constData(),
                     static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != static_cast<DWORD>(bytes.size())) {
        m_error = lastError();
        return false;
    }
    return true;
}

bool LogFile::rotate(const QString& path, const QString& older)
{
    const std::wstring from = nativeName(path);
    const std::wstring to = nativeName(older);
    const DWORD attributes = ::GetFileAttributesW(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !plainOrAbsent(to)) {
        return false;
    }
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

} // namespace session

#endif
