#pragma once

#include "fleet/Check.h"

#include <QStringList>

// The check's side of the command line: it speaks the monitoring plugins' language about
// everything, its own command line and data folder included.
namespace cli {

// The check's output: its line, or under --json {"state":N,"line":"..."}; one line either way.
QString checkOutput(const fleet::CheckResult& result, bool json);

// Whether the line is a check, read from the words alone: a line that does not parse is still
// answered as a check when its verb is check, options before the verb included.
bool namesCheck(const QStringList& arguments);

} // namespace cli
