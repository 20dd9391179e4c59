#include "cli/CommandLine.h"
#include "cli/ExchangeVerbs.h"

namespace cli {

void registerVerbGroups(CommandLine& commandLine)
{
    addExchangeVerbs(commandLine);
}

} // namespace cli
