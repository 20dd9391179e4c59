#include "link/LineSettings.h"

#include <QStringList>

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
