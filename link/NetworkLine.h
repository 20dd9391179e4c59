#pragma once

#include "link/Line.h"
#include "link/NetworkAddress.h"

#include <chrono>
#include <deque>

class QTcpSocket;
class QTimer;

// What the network lines share: one TCP connection per exchange, the connect deadline, the
// server closing during open or later, and a close that waits until the serial side of the
// server has had time to send every byte.
namespace lnk {

// Lookup and connect together; a server farther away than this is taken as unreachable.
inline constexpr std::chrono::milliseconds kConnectTimeout{3000};

// Neither kind of server says when its serial side has sent the last byte (the one tried
// answers the line state mask but never reports the transmitter empty), so close() waits the
// line time of what was written, counted from when each byte left this program, plus one
// connect round trip for the way to the server and this margin for the server's own hand-over
// (measured: it writes to the device within 1 ms of receiving).
inline constexpr std::chrono::milliseconds kLineTimeMargin{30};

// What a server may send before the open is done (its greeting and the negotiation). A real
// one sends a few dozen bytes; more than this is a server that never stops negotiating, and
// the open fails rather than let it fill memory. Reads are held to this size too.
inline constexpr qint64 kNegotiationLimit = 4096;

// Pending bytes must leave this program within their line time plus this.
inline constexpr std::chrono::milliseconds kFlushMargin{2000};

class NetworkLine : public Line
{
    Q_OBJECT

public:
    ~NetworkLine() override;

    QString target() const override;
    const NetworkAddress& address() const { return m_address; }

    void open(const LineSettings& settings) override;
    bool isOpen() const override;
    void write(const QByteArray& bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray readAll() override;
    void close() override;
    void abort() override;

protected:
    NetworkLine(const NetworkAddress& address, QObject* parent);

    // The connection stands; send what the open needs, then call openDone() or failOpen().
    virtual void beginSession() = 0;
    // Bytes from the server, while opening or open. Data goes on through deliver().
    virtual void receiveWire(const QByteArray& wire) = 0;
    // Data in the form it travels in.
    virtual QByteArray encodeData(const QByteArray& data) const = 0;
    // The deadline set by armOpenDeadline() passed while opening.
    virtual void openDeadlinePassed() = 0;

    void sendProtocol(const QByteArray& wire);
    // Data from the serial side. Before the open is done it is only kept as the server's
    // words, for the message if the server hangs up.
    void deliver(const QByteArray& data);
    void armOpenDeadline(std::chrono::milliseconds timeout);
    void openDone();
    void failOpen(LineFault fault, const QString& detail);

    bool isOpening() const { return m_state == State::Opening; }
    const LineSettings& settings() const { return m_settings; }
    // How long the connect took: a measure of the way to the server and back.
    std::chrono::milliseconds connectTime() const { return m_connectTime; }

private:
    enum class State
    {
        Closed,
        Connecting,
        Opening,
        Open,
        Flushing, // close(): bytes still wait to leave this program
        LineWait, // close(): the serial side is still sending
    };

    struct Chunk
    {
        qint64 wire = 0;
        qint64 data = 0;
    };

    void onConnected();
    void onReadyRead();
    void onBytesWritten(qint64 wire);
    void onSocketLost();
    void onTimer();
    void startLineWait();
    void finishClose(LineFault fault, const QString& detail);
    void reset();

    NetworkAddress m_address;
    QTcpSocket* m_socket;
    QTimer* m_timer;
    State m_state = State::Closed;
    LineSettings m_settings;
    std::chrono::steady_clock::time_point m_connectStart;
    std::chrono::milliseconds m_connectTime{0};
    std::chrono::steady_clock::time_point m_lineFree;
    std::deque<Chunk> m_chunks;
    QByteArray m_received;
    QByteArray m_serverWords;
    qint64 m_negotiated = 0; // bytes received while opening
};

} // namespace lnk
