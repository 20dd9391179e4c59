#pragma once

#include <QString>

// Fleet figures over many processors that answer at once: network servers on loopback
// addresses 127.0.x.y, all on one port number, served by one thread of the benchmark that
// speaks the processor's upload protocol (the request byte, a day reply back).
namespace bench {

// 1,000 sites backed up by orvexdab-cli with --parallel 64: wall time, peak memory, the most
// lines open at once; and the cost of the confirmation read (every site changed against none
// changed). True when every target was met.
bool loopbackFigures(const QString& program, const QString& folder, int rounds);

} // namespace bench
