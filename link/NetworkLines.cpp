#include "link/NetworkLines.h"

#include "link/Rfc2217Line.h"
#include "link/TcpLine.h"

namespace lnk {

NetworkLine* createNetworkLine(const NetworkAddress& address, QObject* parent)
{
    if (address.scheme == NetworkScheme::Rfc2217) {
        return new Rfc2217Line(address, parent);
    }
    return new TcpLine(address, parent);
}

} // namespace lnk
