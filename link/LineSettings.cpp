#include "link/LineSettings.h"

#include <QStringList>

namespace lnk {

int LineSettings::bitsPerByte() const
{
    const int parityBits = parity == Parity::None ? 0 : 1;
    const int stop = stopBits == StopBits::One ? 1 : 2;
    return 1 + dataBits + parityBits + stop;
}

std::optional<LineSettings> parseLineSettings(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    LineSettings s;
    bool ok = false;
    s.baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baudRate <= 0) {
        return std::nullopt;
    }

    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N")) {
        s.parity = Parity::None;
    } else if (parity == QLatin1String("E")) {
        s.parity = Parity::Even;
    } else if (parity == QLatin1String("O")) {
        s.parity = Parity::Odd;
    } else if (parity == QLatin1String("M")) {
        s.parity = Parity::Mark;
    } else if (parity == QLatin1String("S")) {
        s.parity = Parity::Space;
    } else {
        return std::nullopt;
    }

    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8) {
        return std::nullopt;
    }

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1")) {
        s.stopBits = StopBits::One;
    } else if (stop == QLatin1String("1.5")) {
        s.stopBits = StopBits::OneAndHalf;
    } else if (stop == QLatin1String("2")) {
        s.stopBits = StopBits::Two;
    } else {
        return std::nullopt;
    }
    return s;
}

} // namespace lnk
