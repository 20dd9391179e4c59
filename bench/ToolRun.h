#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Runs orvexdab-cli to its end as the benchmarks measure it: wall time, processor time, peak
// memory from wait4 (which a QProcess does not give), and the most descriptors and sockets it
// held open at once, sampled from /proc while it runs.
namespace bench {

struct Measured
{
    double wallMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
    int exitCode = -1;
    int peakDescriptors = 0; // sampled; 0 when not asked for
    int peakSockets = 0;     // of those, sockets: the lines (network ports) open
};

// output goes into tool-output.txt of folder. sampleDescriptors: poll /proc/PID/fd every
// millisecond or so instead of blocking in wait4.
Measured runTool(const QString& program, const QString& folder, const QStringList& arguments,
                 bool sampleDescriptors = false);

double median(std::vector<double> v);

} // namespace bench
