#include "link/TransmitDrain.h"

#include <cerrno>
#include <cstring>
#include <termios.h>

namespace lnk {
namespace {

bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

} // namespace

DrainOutcome waitTransmitQueueEmpty(qintptr handle)
{
    int result = 0;
    do {
        result = ::tcdrain(static_cast<int>(handle));
    } while (result == -1 && errno == EINTR);
    if (result == -1) {
        const int error = errno;
        return {deviceGone(error) ? LineFault::DeviceGone : LineFault::WriteRefused,
                QString::fromLocal8Bit(std::strerror(error))};
    }
    return {};
}

void discardTransmitQueue(qintptr handle)
{
    ::tcflush(static_cast<int>(handle), TCOFLUSH);
}

} // namespace lnk
