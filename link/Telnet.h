#pragma once

#include <QByteArray>
#include <QList>

// The Telnet layer of a network serial server: data with the byte 255 doubled, option
// negotiation and subnegotiations mixed into the same byte stream. No I/O here: bytes in,
// bytes and events out.
namespace lnk::telnet {

inline constexpr quint8 kIac = 255;
inline constexpr quint8 kDont = 254;
inline constexpr quint8 kDo = 253;
inline constexpr quint8 kWont = 252;
inline constexpr quint8 kWill = 251;
inline constexpr quint8 kSb = 250;
inline constexpr quint8 kSe = 240;

inline constexpr quint8 kOptionBinary = 0;
inline constexpr quint8 kOptionEcho = 1;
inline constexpr quint8 kOptionSuppressGoAhead = 3;
inline constexpr quint8 kOptionComPort = 44;

// Data as it goes on the wire: every 255 doubled.
QByteArray escapeData(const QByteArray& data);

// IAC verb option, for WILL, WONT, DO and DONT.
QByteArray negotiation(quint8 verb, quint8 option);

// IAC SB option payload IAC SE, the payload's 255 doubled.
QByteArray subnegotiation(quint8 option, const QByteArray& payload);

struct Event
{
    enum class Kind
    {
        Will,
        Wont,
        Do,
        Dont,
        Subnegotiation,
        Command, // any other IAC command: NOP, GA, BRK, a stray SE ...
    };

    Kind kind = Kind::Command;
    quint8 code = 0;    // the option, or for Command the command byte
    QByteArray payload; // subnegotiation payload without the option byte, 255 undoubled

    bool operator==(const Event&) const = default;
};

// Splits received bytes into data and events, whatever the reads cut the stream into.
class Decoder
{
public:
    // No answer this program waits for comes near this; a longer subnegotiation (or one that
    // never ends) is dropped whole rather than held without bound.
    static constexpr int kMaxPayload = 256;

    // Appends the data bytes to `data` and the events to `events`, in stream order between
    // themselves (which event came between which data bytes is not kept).
    void feed(const QByteArray& bytes, QByteArray& data, QList<Event>& events);

    // Forgets a half-received command, for a new connection.
    void reset();

private:
    enum class State
    {
        Data,
        Iac,       // after IAC
        Option,    // after IAC WILL/WONT/DO/DONT
        SbOption,  // after IAC SB
        SbPayload, // inside a subnegotiation
        SbIac,     // after IAC inside a subnegotiation
    };

    void command(quint8 byte, QList<Event>& events);
    void endSubnegotiation(QList<Event>& events);

    State m_state = State::Data;
    quint8 m_verb = 0;
    quint8 m_sbOption = 0;
    QByteArray m_payload;
    bool m_overlong = false;
};

} // namespace lnk::telnet
