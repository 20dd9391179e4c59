#include "cli/Arguments.h"

namespace cli {
namespace {

QString lowerName(const lnk::CommandInfo& c)
{
    return QString::fromLatin1(c.name.data(), qsizetype(c.name.size())).toLower();
}

} // namespace

QString verbWord(Verb verb, std::optional<lnk::Command> command)
{
    switch (verb) {
    case Verb::Send:
        return QStringLiteral("send");
    case Verb::SendNight:
        return QStringLiteral("send-night");
    case Verb::Upload:
        return QStringLiteral("upload");
    case Verb::Compare:
        return QStringLiteral("compare");
    case Verb::Command:
        return command ? lowerName(lnk::commandInfo(*command)) : QStringLiteral("command");
    case Verb::Ports:
        return QStringLiteral("ports");
    case Verb::Help:
    case Verb::Version:
        break;
    }
    return {};
}

std::optional<lnk::Command> commandByWord(const QString& word)
{
    for (const lnk::CommandInfo& c : lnk::commands()) {
        if (word.compare(lowerName(c), Qt::CaseInsensitive) == 0) {
            return c.command;
        }
    }
    return std::nullopt;
}

QString commandWords()
{
    QStringList words;
    for (const lnk::CommandInfo& c : lnk::commands()) {
        words << lowerName(c);
    }
    return words.join(QLatin1Char(' '));
}

bool asksForJson(const QStringList& arguments)
{
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("--")) {
            return false;
        }
        if (arg == QLatin1String("--json")) {
            return true;
        }
    }
    return false;
}

} // namespace cli
