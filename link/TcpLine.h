#pragma once

#include "link/NetworkLine.h"

#include <chrono>

// A port of a network serial server that passes the bytes as they are (tcp://HOST:PORT). The
// line settings cannot travel this way: the server's port must be set to 1200 bit/s, 8 data
// bits, no parity, 2 stop bits. The uploads' request then also goes out with 2 stop bits, and
// replies are read at that setting: a receiver checks only the first stop bit.
namespace lnk {

// After connecting, the open waits this long plus two connect times before it is done: a
// server that holds its serial port for another client says so and hangs up within one round
// trip, and bytes it had queued from the device before this connection arrive in that time
// too (they are stale and dropped).
inline constexpr std::chrono::milliseconds kTcpSettleTime{50};

class TcpLine : public NetworkLine
{
    Q_OBJECT

public:
    explicit TcpLine(const NetworkAddress& address, QObject* parent = nullptr);

protected:
    void beginSession() override;
    void receiveWire(const QByteArray& wire) override;
    QByteArray encodeData(const QByteArray& data) const override;
    void openDeadlinePassed() override;
};

} // namespace lnk
