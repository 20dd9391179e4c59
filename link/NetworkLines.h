#pragma once

#include "link/NetworkLine.h"

// The line for a network address: raw TCP or Telnet with the COM port option, by its scheme.
namespace lnk {

NetworkLine* createNetworkLine(const NetworkAddress& address, QObject* parent = nullptr);

} // namespace lnk
