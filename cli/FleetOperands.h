#pragma once

#include "cli/CommandLine.h"

#include <QStringList>

#include <initializer_list>
#include <memory>
#include <optional>

// What the fleet's verb groups share while the line is parsed.
namespace cli {

// Operands in the order given; the verb's own check takes them apart.
struct Collected
{
    QStringList operands;
};

struct Operand
{
    const char* name;
    const char* description;
};

// Operands by name, in order: one word each; a name ending in "..." takes any number.
void addOperands(CLI::App* sub, const std::shared_ptr<Collected>& c,
                 std::initializer_list<Operand> operands);

// A positive version number; nothing for anything else.
std::optional<int> versionNumber(const QString& text);
QString badVersion(const QString& text);

// NAME... | --group GROUP | --all: exactly one way of choosing; the usage error, or empty.
QString selectionError(const char* verb, const FleetArguments& f);

// One value option, given at most once.
void addOnce(CommandLine& cl, CLI::App* sub, const char* name, const char* typeName,
             const char* description, QString& into);

// The site verbs: site add, set, remove, list.
void addSiteVerbs(CommandLine& cl, const std::shared_ptr<Collected>& c);

// deploy (with --revert) and deploys.
void addDeployVerbs(CommandLine& cl, const std::shared_ptr<Collected>& c);

} // namespace cli
