#pragma once

#include "link/SerialLine.h"

#include <QtGlobal>

#include <chrono>

// The last step before a port closes: wait until the system's transmit queue has put every byte
// on the line. Closing earlier can cut a frame short: on Windows close cancels what is in
// flight, elsewhere the old line settings come back under bytes still queued.
namespace lnk {

struct DrainOutcome
{
    LineFault fault = LineFault::None;
    QString detail;
};

// handle: the port's native handle (a file descriptor, or a HANDLE on Windows).
// byteTime: how long one byte takes on the line, for pacing the checks.
DrainOutcome drainTransmitQueue(qintptr handle, std::chrono::milliseconds budget,
                                std::chrono::microseconds byteTime);

} // namespace lnk
