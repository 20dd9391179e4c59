#include "link/HangUp.h"

namespace lnk {

// Windows reports a removed device as a resource error of the serial layer already.
bool deviceHungUp(qintptr)
{
    return false;
}

} // namespace lnk
