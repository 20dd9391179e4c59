#include "link/TcpLine.h"

namespace lnk {

TcpLine::TcpLine(const NetworkAddress& address, QObject* parent) : NetworkLine(address, parent) {}

void TcpLine::beginSession()
{
    armOpenDeadline(kTcpSettleTime + 2 * connectTime());
}

void TcpLine::receiveWire(const QByteArray& wire)
{
    deliver(wire);
}

QByteArray TcpLine::encodeData(const QByteArray& data) const
{
    return data;
}

void TcpLine::openDeadlinePassed()
{
    openDone();
}

} // namespace lnk
