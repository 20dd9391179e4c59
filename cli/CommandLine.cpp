#include "cli/CommandLine.h"

#include "cli/Synopses.h"
#include "cli/Usage.h"

#include <CLI/CLI.hpp>

#include <QRegularExpression>

#include <memory>

namespace cli {
namespace {

// The whole line before a verb, as one line.
std::string globalSynopsis()
{
    return (synopsis(QStringLiteral("program")).simplified() + QLatin1Char(' ')).toStdString();
}

constexpr char kGlobalFooter[] =
    "Options of every command, before or after it: --port PORT (repeatable), --ports-file FILE,\n"
    "--parallel N, --json, --data-dir DIR, --store URL, -h/--help, --version.\n"
    "'orvexdab-cli --help' tells more.";

// A verb's help opens with the whole line, global options included, so that it reads as the
// program is typed, and says what the verb does below it.
class VerbFormatter : public CLI::Formatter
{
public:
    std::string make_description(const CLI::App*) const override { return {}; }

    std::string make_usage(const CLI::App* app, std::string name) const override
    {
        // A verb of a group is typed with the group's word before it: "site add".
        for (const CLI::App* up = app->get_parent(); up != nullptr && up->get_parent() != nullptr;
             up = up->get_parent()) {
            name = up->get_name() + " " + name;
        }
        std::string usage = CLI::Formatter::make_usage(app, name);
        const std::string prefix = "Usage: ";
        if (usage.rfind(prefix, 0) == 0) {
            usage.insert(prefix.size(), globalSynopsis());
        }
        if (!app->get_description().empty()) {
            usage += "\n" + app->get_description() + "\n";
        }
        return usage;
    }
};

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// CLI11's own words where ours say the same more plainly; anything else passes as it is.
QString parseErrorText(const CLI::ParseError& e)
{
    const QString what = fromStd(e.what());
    static const QRegularExpression overridden(
        QStringLiteral("^-*(\\S+) was given a disallowed flag override$"));
    if (const QRegularExpressionMatch m = overridden.match(what); m.hasMatch()) {
        return QStringLiteral("--%1 takes no value").arg(m.captured(1));
    }
    static const QRegularExpression missing(QStringLiteral("^-*(\\S+): \\d+ required .* missing$"));
    if (const QRegularExpressionMatch m = missing.match(what); m.hasMatch()) {
        return QStringLiteral("--%1 needs a value").arg(m.captured(1));
    }
    return what;
}

bool isOptionWord(const QString& word)
{
    return word.size() > 1 && word.startsWith(QLatin1Char('-'));
}

} // namespace

CommandLine::CommandLine() : m_app("Talks to Orvex DAB+ processors from scripts.", "orvexdab-cli")
{
    m_app.set_help_flag("-h,--help", "Show the help and exit");
    m_app.formatter(std::make_shared<VerbFormatter>());
    // Unknown words are ours to word: they end in remaining() instead of an exception.
    m_app.allow_extras();
    // Options of the whole program keep working after the verb.
    m_app.fallthrough();
    m_app.require_subcommand(0, 1);

    addValue(&m_app, "--port", "PORT", "A port number 0..255, a device path, tcp:// or rfc2217://",
             [this](const QString& v) {
                 m_invocation.ports.append({v, false});
                 return QString();
             });
    addValue(&m_app, "--ports-file", "FILE", "One PORT a line", [this](const QString& v) {
        m_invocation.ports.append({v, true});
        return QString();
    });
    addValue(&m_app, "--parallel", "N", "Sites or ports at once (default 64)",
             [this](const QString& v) {
                 bool ok = false;
                 const int n = v.toInt(&ok);
                 if (!ok || n < 1 || n > kMostParallel) {
                     return QStringLiteral("--parallel %1 is not a number from 1 to %2")
                         .arg(v)
                         .arg(kMostParallel);
                 }
                 m_invocation.parallel = n;
                 return QString();
             });
    addSwitch(&m_app, "--json", "One JSON object a line", m_invocation.json);
    addValue(&m_app, "--data-dir", "DIR", "The data folder (default: the panel's)",
             [this](const QString& v) {
                 if (!m_invocation.dataDir.isEmpty()) {
                     return QStringLiteral("--data-dir given twice");
                 }
                 m_invocation.dataDir = v;
                 return QString();
             });
    addValue(&m_app, "--store", "URL",
             "The fleet store: sqlite:PATH or postgresql://[USER@]HOST[:PORT]/DBNAME (default: "
             "fleet.ini's, else fleet.sqlite in the data folder)",
             [this](const QString& v) {
                 if (!m_invocation.store.isEmpty()) {
                     return QStringLiteral("--store given twice");
                 }
                 m_invocation.store = v;
                 return QString();
             });
    addSwitch(&m_app, "--version", "Show the version and exit", m_version);
    registerVerbGroups(*this);
}

CLI::App* CommandLine::addVerb(const char* word, const char* description, Verb verb, Check check,
                               CLI::App* under)
{
    CLI::App* sub = (under != nullptr ? under : &m_app)->add_subcommand(word, description);
    sub->footer(kGlobalFooter);
    m_verbs.push_back({sub, verb, std::move(check)});
    return sub;
}

CLI::App* CommandLine::addGroup(const char* word, const char* description)
{
    CLI::App* group = m_app.add_subcommand(word, description);
    group->require_subcommand(0, 1);
    m_groups.push_back(group);
    return group;
}

void CommandLine::addValue(CLI::App* on, const char* name, const char* typeName,
                           const char* description, std::function<QString(const QString&)> take)
{
    const QString option = QLatin1String(name);
    on->add_option_function<std::string>(
          name,
          [this, option, take = std::move(take)](const std::string& value) {
              if (value.empty()) {
                  fail(QStringLiteral("%1 needs a value").arg(option));
              } else {
                  fail(take(fromStd(value)));
              }
          },
          description)
        ->trigger_on_parse()
        ->expected(0, 1)
        ->type_name(typeName);
}

void CommandLine::addSwitch(CLI::App* on, const char* name, const char* description, bool& set)
{
    on->add_flag_callback(
          name, [&set] { set = true; }, description)
        ->disable_flag_override();
}

void CommandLine::addMisplaced(CLI::App* owner, const QStringList& names, const QString& message)
{
    m_misplaced.push_back({owner, names, message});
}

void CommandLine::fail(const QString& error)
{
    if (m_error.isEmpty()) {
        m_error = error;
    }
}

std::vector<const CLI::App*> CommandLine::chosenChain() const
{
    std::vector<const CLI::App*> chain;
    const CLI::App* at = &m_app;
    for (;;) {
        const std::vector<CLI::App*> subs = at->get_subcommands();
        if (subs.empty()) {
            return chain;
        }
        at = subs.front();
        chain.push_back(at);
    }
}

QString CommandLine::leftoverError(const std::vector<const CLI::App*>& chain,
                                   QStringList& surplus) const
{
    const CLI::App* chosen = chain.empty() ? nullptr : chain.back();
    QStringList words;
    for (const std::string& w : m_app.remaining()) {
        words << fromStd(w);
    }
    for (const CLI::App* app : chain) {
        for (const std::string& w : app->remaining()) {
            words << fromStd(w);
        }
    }
    bool optionsEnded = false;
    for (const QString& word : std::as_const(words)) {
        // After "--" every word is an operand, one that starts with '-' included.
        if (!optionsEnded && word == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !isOptionWord(word)) {
            surplus << word;
            continue;
        }
        const QString name = word.section(QLatin1Char('='), 0, 0);
        for (const Misplaced& m : m_misplaced) {
            if (m.owner != chosen && m.names.contains(name)) {
                return m.message;
            }
        }
        return QStringLiteral("unknown option %1").arg(name);
    }
    return {};
}

ParsedArguments CommandLine::parse(const QStringList& arguments)
{
    ParsedArguments parsed;
    std::vector<std::string> args;
    // CLI11 takes them last to first.
    for (auto it = arguments.crbegin(); it != arguments.crend(); ++it) {
        args.push_back(it->toStdString());
    }
    const auto chosenVerb = [this](const std::vector<const CLI::App*>& chain) {
        for (const VerbEntry& v : m_verbs) {
            if (!chain.empty() && v.app == chain.back()) {
                return std::optional<Verb>(v.verb);
            }
        }
        return std::optional<Verb>();
    };
    // A line in error still tells which verb it was for, as far as it got.
    const auto failed = [&](const QString& error) {
        parsed.error = error;
        parsed.invocation.verb = chosenVerb(chosenChain()).value_or(Verb::Help);
        return parsed;
    };
    try {
        m_app.parse(args);
    } catch (const CLI::CallForHelp&) {
        m_invocation.verb = Verb::Help;
        const std::vector<const CLI::App*> chain = chosenChain();
        m_invocation.helpText = chain.empty() ? usageText() : fromStd(chain.back()->help());
        parsed.invocation = m_invocation;
        return parsed;
    } catch (const CLI::ParseError& e) {
        return failed(m_error.isEmpty() ? parseErrorText(e) : m_error);
    }
    if (!m_error.isEmpty()) {
        return failed(m_error);
    }
    if (m_version) {
        m_invocation.verb = Verb::Version;
        parsed.invocation = m_invocation;
        return parsed;
    }
    const std::vector<const CLI::App*> chain = chosenChain();
    QStringList surplus;
    if (const QString error = leftoverError(chain, surplus); !error.isEmpty()) {
        return failed(error);
    }
    if (chain.empty()) {
        return failed(surplus.isEmpty() ? QStringLiteral("no command given")
                                        : QStringLiteral("unknown command %1").arg(surplus[0]));
    }
    const CLI::App* chosen = chain.back();
    for (const CLI::App* group : m_groups) {
        if (group == chosen) {
            QStringList words;
            for (const CLI::App* sub : group->get_subcommands({})) {
                words << fromStd(sub->get_name());
            }
            const QString name = fromStd(group->get_name());
            return failed(
                surplus.isEmpty()
                    ? QStringLiteral("%1 needs one of: %2").arg(name, words.join(QLatin1Char(' ')))
                    : QStringLiteral("unknown command %1 %2").arg(name, surplus[0]));
        }
    }
    for (const VerbEntry& v : m_verbs) {
        if (v.app == chosen) {
            m_invocation.verb = v.verb;
            parsed.error = v.check(surplus);
        }
    }
    parsed.invocation = m_invocation;
    return parsed;
}

ParsedArguments parseArguments(const QStringList& arguments)
{
    return CommandLine().parse(arguments);
}

} // namespace cli
