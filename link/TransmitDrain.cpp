#include "link/TransmitDrain.h"

#include <QDeadlineTimer>
#include <QString>
#include <QThread>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace lnk {

#ifdef Q_OS_WIN

DrainOutcome drainTransmitQueue(qintptr handle, std::chrono::milliseconds,
                                std::chrono::microseconds)
{
    if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(handle))) {
        return {LineFault::WriteRefused, QStringLiteral("Transmit queue not emptied")};
    }
    return {};
}

#else

namespace {

using namespace std::chrono_literals;

// The longest single sleep while the queue empties.
constexpr std::chrono::microseconds kLongestNap = 20ms;

bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

QString describe(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

DrainOutcome drainTransmitQueue(qintptr handle, std::chrono::milliseconds budget,
                                std::chrono::microseconds byteTime)
{
    const int fd = static_cast<int>(handle);
    const QDeadlineTimer deadline(budget);
    // tcdrain has no time limit, so first wait for the driver's queue on our own deadline:
    // a stuck driver must not hang the panel. Drivers that cannot count go to tcdrain at once.
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) == -1) {
            if (deviceGone(errno)) {
                return {LineFault::DeviceGone, describe(errno)};
            }
            break;
        }
        if (queued <= 0) {
            break;
        }
        if (deadline.hasExpired()) {
            ::tcflush(fd, TCOFLUSH);
            return {LineFault::DrainTimeout,
                    QStringLiteral("%1 bytes not sent in time").arg(queued)};
        }
        const auto left = std::chrono::microseconds(deadline.remainingTime() * 1000);
        const auto nap =
            std::clamp(byteTime * queued, std::chrono::microseconds(1000),
                       std::max(std::chrono::microseconds(1000), std::min(kLongestNap, left)));
        QThread::usleep(static_cast<unsigned long>(nap.count()));
    }
    if (::tcdrain(fd) == -1) {
        return {deviceGone(errno) ? LineFault::DeviceGone : LineFault::WriteRefused,
                describe(errno)};
    }
    return {};
}

#endif

} // namespace lnk
