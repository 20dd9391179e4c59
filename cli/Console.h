#pragma once

#include <QString>

// The program's two streams, each text written and flushed at once, and an error as the tool
// reports one: on standard error, and as {"ok":false,"error":...} on standard output when the
// line asked for JSON.
namespace cli {

void writeOut(const QString& text);
void writeErr(const QString& text);

// hint adds the pointer to --help.
void reportError(const QString& error, bool json, bool hint);

// One answer line from the terminal; "y" or "yes" in any case agrees.
bool agreed();

} // namespace cli
