#pragma once

#include <QtGlobal>

namespace lnk {

// True when the device behind the open handle has gone away (an unplugged adapter, a
// pseudo-terminal whose other end closed), which the serial layer reports as a mere read error.
bool deviceHungUp(qintptr handle);

} // namespace lnk
