#pragma once

// The fleet's verbs: sites, backups, history, comparisons, references, restore and the check.
namespace cli {

class CommandLine;

void addFleetVerbs(CommandLine& commandLine);

} // namespace cli
