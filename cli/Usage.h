#pragma once

#include <QString>

namespace cli {

// The --help text.
QString usageText();

} // namespace cli
