#include "cli/ExchangeVerbs.h"

#include "cli/CommandLine.h"

#include <memory>

namespace cli {
namespace {

// What the verbs of this group collect while the line is parsed.
struct Collected
{
    QStringList operands;
    bool day = false;
    bool night = false;
};

QString operandError(const QString& word, int wanted, const QStringList& given)
{
    if (given.size() == wanted) {
        return {};
    }
    return wanted == 0 ? QStringLiteral("%1 takes no operand").arg(word)
                       : QStringLiteral("%1 needs one FILE").arg(word);
}

// A verb with one FILE operand, or none.
void addFileVerb(CommandLine& cl, const std::shared_ptr<Collected>& c, const char* word,
                 const char* description, Verb verb)
{
    CLI::App* sub = cl.addVerb(word, description, verb, [&cl, c, word](const QStringList& surplus) {
        const QStringList given = c->operands + surplus;
        if (const QString error = operandError(QLatin1String(word), 1, given); !error.isEmpty()) {
            return error;
        }
        cl.invocation().file = given[0];
        return QString();
    });
    sub->add_option_function<std::vector<std::string>>(
           "FILE",
           [c](const std::vector<std::string>& files) {
               for (const std::string& f : files) {
                   c->operands << QString::fromStdString(f);
               }
           },
           "A parameter file")
        ->type_name("");
}

void addUpload(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    Invocation& inv = cl.invocation();
    CLI::App* sub = cl.addVerb(
        "upload",
        "Request the processor's values and write the reply, applied onto the base file, as a "
        "parameter file. Without --day or --night the reply is taken by its length.",
        Verb::Upload, [&inv, c](const QStringList& surplus) {
            if (!surplus.isEmpty()) {
                return QStringLiteral("upload takes no operand");
            }
            if (c->day && c->night) {
                return QStringLiteral("--day and --night exclude each other");
            }
            if (inv.output.isEmpty()) {
                return QStringLiteral("upload needs --output PATH");
            }
            if (c->day || c->night) {
                inv.layout = c->day ? lnk::Layout::Day : lnk::Layout::Night;
            }
            return QString();
        });
    cl.addSwitch(sub, "--day", "Take the reply as the day layout", c->day);
    cl.addSwitch(sub, "--night", "Take the reply as the night layout", c->night);
    cl.addValue(sub, "--base", "FILE", "The file the reply goes onto (default: initial values)",
                [&inv](const QString& v) {
                    if (!inv.base.isEmpty()) {
                        return QStringLiteral("--base given twice");
                    }
                    inv.base = v;
                    return QString();
                });
    cl.addValue(sub, "--output", "PATH", "The file to write; with several ports it contains {port}",
                [&inv](const QString& v) {
                    if (!inv.output.isEmpty()) {
                        return QStringLiteral("--output given twice");
                    }
                    inv.output = v;
                    return QString();
                });
    cl.addMisplaced(sub, {"--day", "--night", "--base", "--output"},
                    QStringLiteral("--day, --night, --base and --output belong to upload"));
}

void addCommand(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    Invocation& inv = cl.invocation();
    CLI::App* sub = cl.addVerb(
        "command",
        "Send one command byte: testtone stoptone saveday savenight setday setnight switchon "
        "switchoff save1..save4 recall1..recall4.",
        Verb::Command, [&inv, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.size() != 1) {
                return QStringLiteral("command needs one NAME, one of: %1").arg(commandWords());
            }
            inv.command = commandByWord(given[0]);
            if (!inv.command) {
                return QStringLiteral("unknown command name %1; one of: %2")
                    .arg(given[0], commandWords());
            }
            return QString();
        });
    sub->add_option_function<std::vector<std::string>>(
           "NAME",
           [c](const std::vector<std::string>& names) {
               for (const std::string& n : names) {
                   c->operands << QString::fromStdString(n);
               }
           },
           "The command's name")
        ->type_name("");
}

} // namespace

void addExchangeVerbs(CommandLine& cl)
{
    const auto c = std::make_shared<Collected>();
    addFileVerb(cl, c, "send", "Send the day frame of a parameter file.", Verb::Send);
    addFileVerb(cl, c, "send-night", "Send the night frame of a parameter file.", Verb::SendNight);
    addUpload(cl, c);
    addFileVerb(cl, c, "compare",
                "Upload and list each value that differs from the file's: "
                "\"name: file X, processor Y\".",
                Verb::Compare);
    addCommand(cl, c);
    Invocation& inv = cl.invocation();
    cl.addVerb("ports",
               "List the port numbers that reach something and what each reaches, then the "
               "system's serial devices that no number reaches.",
               Verb::Ports, [&inv](const QStringList& surplus) {
                   if (!surplus.isEmpty()) {
                       return QStringLiteral("ports takes no operand");
                   }
                   if (!inv.ports.isEmpty()) {
                       return QStringLiteral(
                           "ports lists every port; --port and --ports-file do not apply");
                   }
                   return QString();
               });
}

} // namespace cli
