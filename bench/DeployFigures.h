#pragma once

#include <QString>

namespace bench {

// A deploy to one site against a send, the frame gap and a confirmed upload; a deploy to 128
// sites with one canary against the canary's time and one site's. Prints them; whether both
// targets were met.
bool deployFigures(const QString& folder, int rounds);

} // namespace bench
