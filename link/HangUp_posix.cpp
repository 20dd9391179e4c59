#include "link/HangUp.h"

#include <poll.h>

namespace lnk {

bool deviceHungUp(qintptr handle)
{
    pollfd pfd{};
    pfd.fd = static_cast<int>(handle);
    pfd.events = 0;
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace lnk
