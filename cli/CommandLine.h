#pragma once

#include "cli/Arguments.h"

#include <CLI/App.hpp>

#include <QStringList>

#include <functional>
#include <vector>

// The parser's core: the global options, valid before the verb and after it, and what verb
// groups need to register their verbs on it. Each group lives in its own file and only adds
// subcommands, options and checks through this class.
namespace cli {

class CommandLine
{
public:
    CommandLine();

    CLI::App& app() { return m_app; }
    Invocation& invocation() { return m_invocation; }

    // A verb: a subcommand with its one-line description, generated help and the check run when
    // it was chosen. check gets the operands left over after the verb's own.
    using Check = std::function<QString(const QStringList& surplus)>;
    // under: a group of verbs ("site add"); nothing for a verb of its own.
    CLI::App* addVerb(const char* word, const char* description, Verb verb, Check check,
                      CLI::App* under = nullptr);
    // A word that only groups verbs: on its own it is a usage error.
    CLI::App* addGroup(const char* word, const char* description);

    // An option that takes one value, recorded as it appears on the line (so --port and
    // --ports-file keep their order); an empty or missing value is a usage error. take returns
    // an error, or nothing.
    void addValue(CLI::App* on, const char* name, const char* typeName, const char* description,
                  std::function<QString(const QString&)> take);
    // A switch; a value given to it is a usage error.
    void addSwitch(CLI::App* on, const char* name, const char* description, bool& set);

    // Options of one verb: named on another verb, they are refused with this message.
    void addMisplaced(CLI::App* owner, const QStringList& names, const QString& message);

    ParsedArguments parse(const QStringList& arguments);

private:
    struct VerbEntry
    {
        CLI::App* app;
        Verb verb;
        Check check;
    };
    struct Misplaced
    {
        CLI::App* owner;
        QStringList names;
        QString message;
    };

    void fail(const QString& error);
    // The verb chosen and every group above it, outermost first.
    std::vector<const CLI::App*> chosenChain() const;
    QString leftoverError(const std::vector<const CLI::App*>& chain, QStringList& surplus) const;

    CLI::App m_app;
    Invocation m_invocation;
    std::vector<VerbEntry> m_verbs;
    std::vector<Misplaced> m_misplaced;
    std::vector<CLI::App*> m_groups;
    QString m_error;
    bool m_version = false;
};

// Every verb group, registered on the command line: the one place a new group is added.
void registerVerbGroups(CommandLine& commandLine);

} // namespace cli
