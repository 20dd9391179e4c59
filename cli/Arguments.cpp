#include "cli/Arguments.h"

#include <array>

namespace cli {
namespace {

enum class Opt
{
    Port,
    PortsFile,
    Json,
    Day,
    Night,
    Base,
    Output,
    Help,
    Version,
};

struct OptionInfo
{
    Opt opt;
    const char* name;
    bool takesValue;
};

constexpr std::array<OptionInfo, 9> kOptions{{
    {Opt::Port, "--port", true},
    {Opt::PortsFile, "--ports-file", true},
    {Opt::Json, "--json", false},
    {Opt::Day, "--day", false},
    {Opt::Night, "--night", false},
    {Opt::Base, "--base", true},
    {Opt::Output, "--output", true},
    {Opt::Help, "--help", false},
    {Opt::Version, "--version", false},
}};

const OptionInfo* findOption(const QString& name)
{
    for (const OptionInfo& o : kOptions) {
        if (name == QLatin1String(o.name)) {
            return &o;
        }
    }
    return nullptr;
}

struct Verbs
{
    Verb verb;
    const char* word;
    int operands;
};

constexpr std::array<Verbs, 6> kVerbs{{
    {Verb::Send, "send", 1},
    {Verb::SendNight, "send-night", 1},
    {Verb::Upload, "upload", 0},
    {Verb::Compare, "compare", 1},
    {Verb::Command, "command", 1},
    {Verb::Ports, "ports", 0},
}};

QString commandWords()
{
    QStringList words;
    for (const lnk::CommandInfo& c : lnk::commands()) {
        words << QString::fromLatin1(c.name.data(), qsizetype(c.name.size())).toLower();
    }
    return words.join(QLatin1Char(' '));
}

// What a verb needs and allows, once all words and options are known.
QString checkVerb(const Invocation& inv, const QStringList& operands, const Verbs& v, bool day,
                  bool night)
{
    const QString word = QLatin1String(v.word);
    if (operands.size() != v.operands) {
        return v.operands == 0 ? QStringLiteral("%1 takes no operand").arg(word)
               : v.verb == Verb::Command
                   ? QStringLiteral("command needs one NAME, one of: %1").arg(commandWords())
                   : QStringLiteral("%1 needs one FILE").arg(word);
    }
    if (v.verb != Verb::Upload && (day || night || !inv.base.isEmpty() || !inv.output.isEmpty())) {
        return QStringLiteral("--day, --night, --base and --output belong to upload");
    }
    if (day && night) {
        return QStringLiteral("--day and --night exclude each other");
    }
    if (v.verb == Verb::Upload && inv.output.isEmpty()) {
        return QStringLiteral("upload needs --output PATH");
    }
    if (v.verb == Verb::Ports && !inv.ports.isEmpty()) {
        return QStringLiteral("ports lists every port; --port and --ports-file do not apply");
    }
    return {};
}

} // namespace

QString verbWord(Verb verb, std::optional<lnk::Command> command)
{
    if (verb == Verb::Command && command) {
        const std::string_view name = lnk::commandInfo(*command).name;
        return QString::fromLatin1(name.data(), qsizetype(name.size())).toLower();
    }
    for (const Verbs& v : kVerbs) {
        if (v.verb == verb) {
            return QLatin1String(v.word);
        }
    }
    return {};
}

std::optional<lnk::Command> commandByWord(const QString& word)
{
    for (const lnk::CommandInfo& c : lnk::commands()) {
        if (word.compare(QLatin1String(c.name.data(), qsizetype(c.name.size())),
                         Qt::CaseInsensitive) == 0) {
            return c.command;
        }
    }
    return std::nullopt;
}

ParsedArguments parseArguments(const QStringList& arguments)
{
    ParsedArguments parsed;
    Invocation& inv = parsed.invocation;
    QStringList words;
    bool day = false;
    bool night = false;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    const auto fail = [&parsed](const QString& error) {
        parsed.error = error;
        return parsed;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            words << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const QString name = arg == QLatin1String("-h") ? QStringLiteral("--help") : arg.left(eq);
        const OptionInfo* o = findOption(name);
        if (o == nullptr) {
            return fail(QStringLiteral("unknown option %1").arg(name));
        }
        QString value;
        if (o->takesValue) {
            if (eq >= 0) {
                value = arg.mid(eq + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (value.isEmpty()) {
                return fail(QStringLiteral("%1 needs a value").arg(name));
            }
        } else if (eq >= 0) {
            return fail(QStringLiteral("%1 takes no value").arg(name));
        }
        const auto once = [&](QString& field) {
            const bool first = field.isEmpty();
            field = value;
            return first;
        };
        switch (o->opt) {
        case Opt::Port:
            inv.ports.append({value, false});
            break;
        case Opt::PortsFile:
            inv.ports.append({value, true});
            break;
        case Opt::Json:
            inv.json = true;
            break;
        case Opt::Day:
            day = true;
            break;
        case Opt::Night:
            night = true;
            break;
        case Opt::Base:
            if (!once(inv.base)) {
                return fail(QStringLiteral("--base given twice"));
            }
            break;
        case Opt::Output:
            if (!once(inv.output)) {
                return fail(QStringLiteral("--output given twice"));
            }
            break;
        case Opt::Help:
            help = true;
            break;
        case Opt::Version:
            version = true;
            break;
        }
    }
    if (help || version) {
        inv.verb = help ? Verb::Help : Verb::Version;
        return parsed;
    }
    if (words.isEmpty()) {
        return fail(QStringLiteral("no command given"));
    }
    const QString verb = words.takeFirst();
    for (const Verbs& v : kVerbs) {
        if (verb != QLatin1String(v.word)) {
            continue;
        }
        inv.verb = v.verb;
        if (const QString error = checkVerb(inv, words, v, day, night); !error.isEmpty()) {
            return fail(error);
        }
        if (v.verb == Verb::Command) {
            inv.command = commandByWord(words[0]);
            if (!inv.command) {
                return fail(QStringLiteral("unknown command name %1; one of: %2")
                                .arg(words[0], commandWords()));
            }
        } else if (v.operands == 1) {
            inv.file = words[0];
        }
        if (day || night) {
            inv.layout = day ? lnk::Layout::Day : lnk::Layout::Night;
        }
        return parsed;
    }
    return fail(QStringLiteral("unknown command %1").arg(verb));
}

} // namespace cli
