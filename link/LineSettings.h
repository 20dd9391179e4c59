#pragma once

#include <QString>

#include <chrono>

// Line parameters of one exchange: baud rate, parity, data bits, stop bits.
namespace lnk {

enum class Parity
{
    None,
    Even,
    Odd,
    Mark,
    Space,
};

enum class StopBits
{
    One,
    OneAndHalf,
    Two,
};

struct LineSettings
{
    int baudRate = 1200;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Bits on the line per byte: start bit, data, parity, stop bits (1.5 counts as 2).
    constexpr int bitsPerByte() const
    {
        return 1 + dataBits + (parity == Parity::None ? 0 : 1) +
               (stopBits == StopBits::One ? 1 : 2);
    }
    // How long one byte occupies the line.
    constexpr std::chrono::microseconds byteTime() const
    {
        return std::chrono::microseconds(1'000'000LL * bitsPerByte() / baudRate);
    }
    // How long `bytes` bytes occupy the line, rounded up to whole milliseconds.
    std::chrono::milliseconds lineTime(qint64 bytes) const;

    // "1200,N,8,2": baud rate, parity letter, data bits, stop bits.
    QString text() const;

    constexpr bool operator==(const LineSettings&) const = default;
};

// Every sending exchange (frames and commands): 1200 bit/s, no parity, 8 data bits, 2 stop bits.
inline constexpr LineSettings kSendSettings{1200, Parity::None, 8, StopBits::Two};
// The uploads: the same with 1 stop bit.
inline constexpr LineSettings kUploadSettings{1200, Parity::None, 8, StopBits::One};

} // namespace lnk
