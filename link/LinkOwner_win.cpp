// Not compiled on Linux or macOS: the Windows counterpart of LinkOwner_posix.cpp.
#include "link/LinkOwner.h"

#ifdef Q_OS_WIN

#include <qt_windows.h>

namespace lnk {

bool processRuns(qint64 pid)
{
    if (pid <= 0 || pid > MAXDWORD) {
        return false;
    }
    const HANDLE h =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr) {
        // Access denied: it runs, under another user.
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    ::CloseHandle(h);
    return running;
}

} // namespace lnk

#endif
