#pragma once

#include "cli/PortRun.h"

#include <QList>
#include <QString>

// What orvexdab-cli prints for each port, and its exit status.
namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // an exchange failed, or compare found differences
inline constexpr int kExitUsage = 2;  // usage error, a bad file, a port that does not parse

// A member as compare and the fleet's comparisons name it.
QString memberName(model::Member member);

// One line, then for compare one indented line per difference:
//   COM1: upload: ok, day layout, written to COM1.DAB
//   COM2: compare: 1 difference (day layout)
//     gate: file 8, processor 9
//   COM3: send: failed: Error RS232, ... (port missing: No serial device for port number 3)
QString textReport(const PortOutcome& outcome);

// One JSON object on one line: port, command, ok, error, layout, differences, output.
QString jsonReport(const PortOutcome& outcome);

int exitStatus(const QList<PortOutcome>& outcomes);

} // namespace cli
