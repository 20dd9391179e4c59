#include "sim/Describe.h"

#include <QStringList>

#include <optional>

namespace sim {
namespace {

using model::Member;

QString name(Member m)
{
    const std::string_view n = model::info(m).name;
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
}

QString shownValue(Member m, int value)
{
    if (model::isFlag(m)) {
        return value != 0 ? QStringLiteral("on") : QStringLiteral("off");
    }
    return QString::number(value);
}

// Flags are sent as 255/0 and chkTurbo as its value; anything else is worth seeing.
bool unusualByte(Member m, quint8 byte)
{
    if (model::isFlag(m)) {
        return byte != 0 && byte != 255;
    }
    return m == Member::chkTurbo && byte > 2;
}

} // namespace

QString blockName(lnk::Layout block)
{
    return block == lnk::Layout::Day ? QStringLiteral("day") : QStringLiteral("night");
}

QString describeFrame(lnk::Layout block, const QByteArray& frame, const Values& before,
                      const Values& after)
{
    QStringList fields;
    QStringList changes;
    for (int off = 1; off < frame.size(); ++off) {
        const auto byte = static_cast<quint8>(frame.at(off));
        const std::optional<Member> m = lnk::memberAtFrame(block, off);
        if (!m) {
            if (byte != 0) {
                fields << QStringLiteral("byte%1=%2(should be 0)").arg(off).arg(byte);
            }
            continue;
        }
        QString field = name(*m) + '=' + shownValue(*m, valueOf(after, *m));
        if (unusualByte(*m, byte)) {
            field += QStringLiteral("(byte %1)").arg(byte);
        }
        fields << field;
        if (valueOf(before, *m) != valueOf(after, *m)) {
            changes << QStringLiteral("%1 %2->%3")
                           .arg(name(*m), shownValue(*m, valueOf(before, *m)),
                                shownValue(*m, valueOf(after, *m)));
        }
    }
    const QString changed = changes.isEmpty() ? QStringLiteral("no change")
                                              : QStringLiteral("changed: ") + changes.join(", ");
    return QStringLiteral("%1 frame: %2 | %3").arg(blockName(block), fields.join(' '), changed);
}

QString commandEffect(lnk::Command command)
{
    using C = lnk::Command;
    switch (command) {
    case C::Testtone:
        return QStringLiteral("test tone on");
    case C::Stoptone:
        return QStringLiteral("test tone off");
    case C::Saveday:
        return QStringLiteral("current parameters stored as day preset");
    case C::Savenight:
        return QStringLiteral("current parameters stored as night preset");
    case C::Setday:
        return QStringLiteral("day preset active, current parameters = day preset");
    case C::Setnight:
        return QStringLiteral("night preset active, current parameters = night preset");
    case C::Switchon:
        return QStringLiteral("day/night switch enabled");
    case C::Switchoff:
        return QStringLiteral("day/night switch disabled");
    case C::Save1:
    case C::Save2:
    case C::Save3:
    case C::Save4:
        return QStringLiteral("current parameters stored as user preset %1")
            .arg(static_cast<int>(command) - static_cast<int>(C::Save1) + 1);
    case C::Recall1:
    case C::Recall2:
    case C::Recall3:
    case C::Recall4:
        return QStringLiteral("user preset %1 recalled, current parameters = user preset %1")
            .arg(static_cast<int>(command) - static_cast<int>(C::Recall1) + 1);
    }
    return {};
}

QString describeCommand(lnk::Command command)
{
    const lnk::CommandInfo& i = lnk::commandInfo(command);
    return QStringLiteral("command %1 %2: %3")
        .arg(i.byte)
        .arg(QString::fromLatin1(i.name.data(), static_cast<qsizetype>(i.name.size())),
             commandEffect(command));
}

} // namespace sim
