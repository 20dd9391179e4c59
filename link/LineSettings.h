#pragma once

#include <QString>

#include <optional>

// Line parameters from a settings string such as "1200,N,8,2": baud rate, parity letter,
// data bits, stop bits, separated by commas.
namespace lnk {

inline constexpr char kSendSettings[] = "1200,N,8,2";
inline constexpr char kUploadSettings[] = "1200,N,8,1";

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
    int baudRate = 0;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Bits on the line per byte: start bit, data, parity, stop bits (1.5 counts as 2).
    int bitsPerByte() const;
};

// Nothing when the text is not a settings string this program can use.
std::optional<LineSettings> parseLineSettings(const QString& text);

} // namespace lnk
