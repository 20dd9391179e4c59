#include "sim/TerminalSettings.h"

#include <array>
#include <termios.h>

namespace sim {
namespace {

struct Speed
{
    speed_t code;
    int bitsPerSecond;
};

constexpr std::array kSpeeds{
    Speed{B50, 50},         Speed{B75, 75},         Speed{B110, 110},       Speed{B134, 134},
    Speed{B150, 150},       Speed{B200, 200},       Speed{B300, 300},       Speed{B600, 600},
    Speed{B1200, 1200},     Speed{B1800, 1800},     Speed{B2400, 2400},     Speed{B4800, 4800},
    Speed{B9600, 9600},     Speed{B19200, 19200},   Speed{B38400, 38400},   Speed{B57600, 57600},
    Speed{B115200, 115200}, Speed{B230400, 230400}, Speed{B460800, 460800}, Speed{B921600, 921600},
};

int bitsPerSecond(speed_t code)
{
    for (const Speed& s : kSpeeds) {
        if (s.code == code) {
            return s.bitsPerSecond;
        }
    }
    return 0;
}

int dataBits(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

lnk::Parity parity(tcflag_t cflag)
{
    if (!(cflag & PARENB)) {
        return lnk::Parity::None;
    }
#ifdef CMSPAR
    if (cflag & CMSPAR) {
        return (cflag & PARODD) ? lnk::Parity::Mark : lnk::Parity::Space;
    }
#endif
    return (cflag & PARODD) ? lnk::Parity::Odd : lnk::Parity::Even;
}

QString parityText(lnk::Parity p)
{
    switch (p) {
    case lnk::Parity::Even:
        return QStringLiteral("even parity");
    case lnk::Parity::Odd:
        return QStringLiteral("odd parity");
    case lnk::Parity::Mark:
        return QStringLiteral("mark parity");
    case lnk::Parity::Space:
        return QStringLiteral("space parity");
    case lnk::Parity::None:
        break;
    }
    return QStringLiteral("no parity");
}

} // namespace

std::optional<lnk::LineSettings> terminalSettings(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return std::nullopt;
    }
    lnk::LineSettings s;
    s.baudRate = bitsPerSecond(cfgetospeed(&t));
    s.dataBits = dataBits(t.c_cflag);
    s.parity = parity(t.c_cflag);
    s.stopBits = (t.c_cflag & CSTOPB) ? lnk::StopBits::Two : lnk::StopBits::One;
    return s;
}

QString describeLineSettings(const lnk::LineSettings& s)
{
    const QString speed = s.baudRate > 0 ? QStringLiteral("%1 bit/s").arg(s.baudRate)
                                         : QStringLiteral("a non-standard speed");
    return QStringLiteral("line settings: %1, %2 data bits, %3, %4")
        .arg(speed)
        .arg(s.dataBits)
        .arg(parityText(s.parity), s.stopBits == lnk::StopBits::One
                                       ? QStringLiteral("1 stop bit")
                                       : QStringLiteral("2 stop bits"));
}

} // namespace sim
