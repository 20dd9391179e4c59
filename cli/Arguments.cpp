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
    case Verb::SiteAdd:
        return QStringLiteral("site add");
    case Verb::SiteSet:
        return QStringLiteral("site set");
    case Verb::SiteRemove:
        return QStringLiteral("site remove");
    case Verb::SiteList:
        return QStringLiteral("site list");
    case Verb::Backup:
        return QStringLiteral("backup");
    case Verb::History:
        return QStringLiteral("history");
    case Verb::Diff:
        return QStringLiteral("diff");
    case Verb::Export:
        return QStringLiteral("export");
    case Verb::Approve:
        return QStringLiteral("approve");
    case Verb::Unapprove:
        return QStringLiteral("unapprove");
    case Verb::Drift:
        return QStringLiteral("drift");
    case Verb::Restore:
        return QStringLiteral("restore");
    case Verb::Deploy:
        return QStringLiteral("deploy");
    case Verb::Deploys:
        return QStringLiteral("deploys");
    case Verb::Check:
        return QStringLiteral("check");
    case Verb::Help:
    case Verb::Version:
        break;
    }
    return {};
}

bool isFleetVerb(Verb verb)
{
    return verb >= Verb::SiteAdd && verb <= Verb::Check;
}

bool onlyReadsStore(Verb verb)
{
    switch (verb) {
    case Verb::SiteList:
    case Verb::History:
    case Verb::Diff:
    case Verb::Export:
    case Verb::Drift:
    case Verb::Deploys:
    case Verb::Check:
        return true;
    default:
        return false;
    }
}

bool runsInParallel(Verb verb)
{
    switch (verb) {
    case Verb::Send:
    case Verb::SendNight:
    case Verb::Upload:
    case Verb::Compare:
    case Verb::Command:
    case Verb::Backup:
    case Verb::Drift:
    case Verb::Deploy:
        return true;
    default:
        return false;
    }
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
