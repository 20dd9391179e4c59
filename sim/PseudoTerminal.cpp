#include "sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

bool PseudoTerminal::open(QString* error)
{
    close();
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        if (error) {
            *error = systemError("posix_openpt");
        }
        return false;
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        if (error) {
            *error = systemError("cannot unlock the pseudo-terminal");
        }
        ::close(master);
        return false;
    }
    const int guard = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (guard < 0) {
        if (error) {
            *error = systemError(name);
        }
        ::close(master);
        return false;
    }
    // Raw bytes both ways: no echo, no line editing, no character translation.
    termios t{};
    if (tcgetattr(guard, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B1200);
        cfsetospeed(&t, B1200);
        tcsetattr(guard, TCSANOW, &t);
    }
    // Without the watch the simulator still works; only a crashed client's exclusive use
    // would then outlive it.
    m_closeWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_closeWatch >= 0 &&
        inotify_add_watch(m_closeWatch, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_closeWatch);
        m_closeWatch = -1;
    }
    m_master = master;
    m_guard = guard;
    m_device = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::clientClosed()
{
    alignas(inotify_event) char notices[1024];
    while (::read(m_closeWatch, notices, sizeof notices) > 0) {
    }
    ::ioctl(m_guard, TIOCNXCL);
}

void PseudoTerminal::close()
{
    if (m_closeWatch >= 0) {
        ::close(m_closeWatch);
        m_closeWatch = -1;
    }
    if (m_guard >= 0) {
        ::close(m_guard);
        m_guard = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    m_device.clear();
}

} // namespace sim
