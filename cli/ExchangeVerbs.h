#pragma once

// The verbs that talk to processors one exchange each: send, send-night, upload, compare,
// command and the port listing.
namespace cli {

class CommandLine;

void addExchangeVerbs(CommandLine& commandLine);

} // namespace cli
