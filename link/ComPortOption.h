#pragma once

#include "link/LineSettings.h"
#include "link/Telnet.h"

#include <QByteArray>

#include <optional>

// The Telnet COM port option (RFC 2217): how a client sets the serial side of a network serial
// server. Requests carry the client codes, the server answers each with code + 100 and the
// value it now uses.
namespace lnk::rfc2217 {

enum class Command : quint8
{
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetLinestateMask = 10,
    PurgeData = 12,
};

inline constexpr quint8 kServerCodeOffset = 100;

enum class Purge : quint8
{
    ReceiveBuffer = 1,  // the server's bytes from the device not yet sent to the client
    TransmitBuffer = 2, // the server's bytes from the client not yet sent to the device
    Both = 3,
};

// Wire values: parity 1 none, 2 odd, 3 even, 4 mark, 5 space; stop size 1 one, 2 two, 3 one
// and a half.
quint8 parityCode(Parity parity);
quint8 stopSizeCode(StopBits stopBits);

// Whole requests, IAC SB 44 ... IAC SE, ready to send.
QByteArray setBaudRate(quint32 baud);
QByteArray setDataSize(int bits);
QByteArray setParity(Parity parity);
QByteArray setStopSize(StopBits stopBits);
QByteArray purgeData(Purge which);

// The requests that put these settings on the serial side, in the order they are sent.
QByteArray requestsFor(const LineSettings& settings);

struct Answer
{
    Command command = Command::SetBaudRate;
    quint32 value = 0; // the baud rate, or the one-byte value

    bool operator==(const Answer&) const = default;
};

// The server's answer in a subnegotiation event; nothing for any other event, another option,
// a client code, a code this program never sends, or a payload of the wrong length.
std::optional<Answer> parseAnswer(const telnet::Event& event);

// The value a server should answer to each request of requestsFor().
quint32 expectedValue(Command command, const LineSettings& settings);

} // namespace lnk::rfc2217
