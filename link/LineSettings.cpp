#include "link/LineSettings.h"

namespace lnk {
namespace {

QChar parityLetter(Parity p)
{
    switch (p) {
    case Parity::Even:
        return QLatin1Char('E');
    case Parity::Odd:
        return QLatin1Char('O');
    case Parity::Mark:
        return QLatin1Char('M');
    case Parity::Space:
        return QLatin1Char('S');
    case Parity::None:
        break;
    }
    return QLatin1Char('N');
}

QString stopText(StopBits s)
{
    switch (s) {
    case StopBits::OneAndHalf:
        return QStringLiteral("1.5");
    case StopBits::Two:
        return QStringLiteral("2");
    case StopBits::One:
        break;
    }
    return QStringLiteral("1");
}

} // namespace

std::chrono::milliseconds LineSettings::lineTime(qint64 bytes) const
{
    const qint64 bits = bytes * bitsPerByte();
    return std::chrono::milliseconds((bits * 1000 + baudRate - 1) / baudRate);
}

QString LineSettings::text() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baudRate)
        .arg(parityLetter(parity))
        .arg(dataBits)
        .arg(stopText(stopBits));
}

} // namespace lnk
