#include "sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
    m_master = master;
    m_guard = guard;
    m_device = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::close()
{
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
