#include "cli/CommandLine.h"
#include "cli/ExchangeVerbs.h"
#include "cli/FleetVerbs.h"

namespace cli {

void registerVerbGroups(CommandLine& commandLine)
{
    addExchangeVerbs(commandLine);
    addFleetVerbs(commandLine);
}

} // namespace cli
