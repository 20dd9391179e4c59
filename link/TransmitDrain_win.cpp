#include "link/TransmitDrain.h"

#include <qt_windows.h>

namespace lnk {

DrainOutcome waitTransmitQueueEmpty(qintptr handle)
{
    if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(handle))) {
        return {LineFault::WriteRefused, QStringLiteral("Transmit queue not emptied")};
    }
    return {};
}

void discardTransmitQueue(qintptr handle)
{
    ::PurgeComm(reinterpret_cast<HANDLE>(handle), PURGE_TXABORT | PURGE_TXCLEAR);
}

} // namespace lnk
