#pragma once

#include "link/LineSettings.h"

#include <QString>

#include <optional>

// What a client set on the simulator's pseudo-terminal. The client sets its serial end with
// tcsetattr; both ends share one set of terminal settings, so the master reads them too. It
// is told of no change, though: the simulator looks whenever bytes arrive and now and then.
//
// Linux pseudo-terminals always hold 8 data bits and no parity whatever the client asks for
// (the system overrides both); speed and stop bits are kept as set.
namespace sim {

// Nothing when fd is not a terminal. baudRate is 0 for a speed outside the standard list.
std::optional<lnk::LineSettings> terminalSettings(int fd);

// "line settings: 1200 bit/s, 8 data bits, no parity, 2 stop bits"
QString describeLineSettings(const lnk::LineSettings& s);

} // namespace sim
