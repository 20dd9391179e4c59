#include "link/LinkOwner.h"

#ifndef Q_OS_WIN

#include <cerrno>
#include <climits>
#include <csignal>

namespace lnk {

bool processRuns(qint64 pid)
{
    if (pid <= 0 || pid > INT_MAX) {
        return false;
    }
    // Signal 0 only asks. EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

} // namespace lnk

#endif
