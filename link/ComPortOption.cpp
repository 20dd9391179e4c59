#include "link/ComPortOption.h"

namespace lnk::rfc2217 {
namespace {

QByteArray request(Command command, const QByteArray& value)
{
    QByteArray payload(1, char(quint8(command)));
    payload.append(value);
    return telnet::subnegotiation(telnet::kOptionComPort, payload);
}

QByteArray oneByte(quint8 value)
{
    return QByteArray(1, char(value));
}

} // namespace

quint8 parityCode(Parity parity)
{
    switch (parity) {
    case Parity::Odd:
        return 2;
    case Parity::Even:
        return 3;
    case Parity::Mark:
        return 4;
    case Parity::Space:
        return 5;
    case Parity::None:
        break;
    }
    return 1;
}

quint8 stopSizeCode(StopBits stopBits)
{
    switch (stopBits) {
    case StopBits::Two:
        return 2;
    case StopBits::OneAndHalf:
        return 3;
    case StopBits::One:
        break;
    }
    return 1;
}

QByteArray setBaudRate(quint32 baud)
{
    const char value[] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    return request(Command::SetBaudRate, QByteArray(value, sizeof value));
}

QByteArray setDataSize(int bits)
{
    return request(Command::SetDataSize, oneByte(quint8(bits)));
}

QByteArray setParity(Parity parity)
{
    return request(Command::SetParity, oneByte(parityCode(parity)));
}

QByteArray setStopSize(StopBits stopBits)
{
    return request(Command::SetStopSize, oneByte(stopSizeCode(stopBits)));
}

QByteArray purgeData(Purge which)
{
    return request(Command::PurgeData, oneByte(quint8(which)));
}

QByteArray requestsFor(const LineSettings& settings)
{
    return setBaudRate(quint32(settings.baudRate)) + setDataSize(settings.dataBits) +
           setParity(settings.parity) + setStopSize(settings.stopBits);
}

std::optional<Answer> parseAnswer(const telnet::Event& event)
{
    if (event.kind != telnet::Event::Kind::Subnegotiation || event.code != telnet::kOptionComPort ||
        event.payload.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray& p = event.payload;
    const int code = quint8(p[0]) - kServerCodeOffset;
    switch (code) {
    case int(Command::SetBaudRate):
        if (p.size() != 5) {
            return std::nullopt;
        }
        return Answer{Command::SetBaudRate, quint32(quint8(p[1])) << 24 |
                                                quint32(quint8(p[2])) << 16 |
                                                quint32(quint8(p[3])) << 8 | quint32(quint8(p[4]))};
    case int(Command::SetDataSize):
    case int(Command::SetParity):
    case int(Command::SetStopSize):
    case int(Command::SetLinestateMask):
    case int(Command::PurgeData):
        if (p.size() != 2) {
            return std::nullopt;
        }
        return Answer{Command(code), quint8(p[1])};
    default:
        break;
    }
    return std::nullopt;
}

quint32 expectedValue(Command command, const LineSettings& settings)
{
    switch (command) {
    case Command::SetBaudRate:
        return quint32(settings.baudRate);
    case Command::SetDataSize:
        return quint32(settings.dataBits);
    case Command::SetParity:
        return parityCode(settings.parity);
    case Command::SetStopSize:
        return stopSizeCode(settings.stopBits);
    case Command::SetLinestateMask:
    case Command::PurgeData:
        break;
    }
    return 0;
}

} // namespace lnk::rfc2217
