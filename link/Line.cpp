#include "link/Line.h"

namespace lnk {

QString faultName(LineFault fault)
{
    switch (fault) {
    case LineFault::None:
        return QStringLiteral("none");
    case LineFault::PortMissing:
        return QStringLiteral("port missing");
    case LineFault::PortBusy:
        return QStringLiteral("port busy");
    case LineFault::OpenRefused:
        return QStringLiteral("open refused");
    case LineFault::AddressInvalid:
        return QStringLiteral("address invalid");
    case LineFault::ConnectTimeout:
        return QStringLiteral("connect timeout");
    case LineFault::WriteRefused:
        return QStringLiteral("write refused");
    case LineFault::ReadRefused:
        return QStringLiteral("read refused");
    case LineFault::ProtocolFault:
        return QStringLiteral("protocol fault");
    case LineFault::DeviceGone:
        return QStringLiteral("device gone");
    case LineFault::DrainTimeout:
        return QStringLiteral("drain timeout");
    }
    return QStringLiteral("unknown");
}

QString PortRef::name() const
{
    return isNumber() ? QStringLiteral("COM%1").arg(number) : address;
}

} // namespace lnk
