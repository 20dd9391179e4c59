// orvexdab-clibench: the command-line tool backing up 1, 8 and 32 simulated processors at once,
// each on its own pseudo-terminal and answering at line pace. Prints, per count, the median wall
// time of `orvexdab-cli --port 1 ... --port N upload --output {port}.DAB`, its ratio to the time
// for one port (target: 32 ports take at most 1.3 times as long as one), and the processor time
// the tool used (target: well under one core).
//
//   orvexdab-clibench [rounds]     (default 5)
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kDefaultRounds = 5;
constexpr std::array<int, 3> kCounts{1, 8, 32};
constexpr double kRatioTarget = 1.3;
// "Well under one core": at most a quarter of it.
constexpr double kCpuTarget = 0.25;
constexpr int kRunLimitMs = 60000;

double childrenCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

struct Measured
{
    double wallMs = 0;
    double cpuMs = 0;
    bool ok = false;
    QString output;
};

Measured runOnce(const QString& program, const QString& folder, int ports)
{
    QStringList args;
    for (int n = 1; n <= ports; ++n) {
        args << QStringLiteral("--port") << QString::number(n);
    }
    args << QStringLiteral("upload") << QStringLiteral("--output") << QStringLiteral("{port}.DAB");
    Measured m;
    QProcess p;
    p.setWorkingDirectory(folder);
    const double cpu = childrenCpuMs();
    const auto start = Clock::now();
    p.start(program, args);
    if (!p.waitForFinished(kRunLimitMs)) {
        p.kill();
        p.waitForFinished();
    }
    m.wallMs = Ms(Clock::now() - start).count();
    m.cpuMs = childrenCpuMs() - cpu;
    m.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    m.output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return m;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;

    // The tool's data folder is its own folder when it can write there: a copy in a temporary
    // folder finds the simulators' ports/ links there.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("orvexdab-cli"));
    if (!QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/orvexdab-cli"),
                     program)) {
        std::fprintf(stderr, "orvexdab-clibench: no orvexdab-cli beside the benchmark\n");
        return 1;
    }
    std::vector<std::unique_ptr<sim::Simulator>> simulators;
    for (int n = 1; n <= kCounts.back(); ++n) {
        sim::Options o;
        o.linkPath = QDir(dir.path()).filePath(QStringLiteral("ports/COM%1").arg(n));
        simulators.push_back(std::make_unique<sim::Simulator>(o));
        QString error;
        if (!simulators.back()->start(&error)) {
            std::fprintf(stderr, "orvexdab-clibench: simulator %d: %s\n", n, qPrintable(error));
            return 1;
        }
    }

    std::printf("orvexdab-cli upload from N simulators at once, each on its own pseudo-terminal "
                "at line pace; median of %d rounds\n\n",
                rounds);
    std::printf("%6s %12s %12s %12s %10s  %s\n", "ports", "wall ms", "vs 1 port", "cpu ms",
                "cpu share", "targets");
    double single = 0;
    bool allMet = true;
    for (const int count : kCounts) {
        std::vector<double> wall;
        std::vector<double> cpu;
        int failures = 0;
        QString failure;
        for (int i = 0; i < rounds; ++i) {
            const Measured m = runOnce(program, dir.path(), count);
            wall.push_back(m.wallMs);
            cpu.push_back(m.cpuMs);
            if (!m.ok) {
                ++failures;
                failure = m.output;
            }
        }
        const double med = median(wall);
        const double cpuMed = median(cpu);
        if (count == 1) {
            single = med;
        }
        const double ratio = med / single;
        const double share = cpuMed / med;
        const bool fast = ratio <= kRatioTarget;
        const bool light = share <= kCpuTarget;
        QString verdict = QStringLiteral("time %1, cpu %2")
                              .arg(fast ? QStringLiteral("met") : QStringLiteral("MISSED"),
                                   light ? QStringLiteral("met") : QStringLiteral("MISSED"));
        if (failures > 0) {
            verdict += QStringLiteral(", %1 FAILED: %2").arg(failures).arg(failure.trimmed());
        }
        allMet = allMet && fast && light && failures == 0;
        std::printf("%6d %12.1f %12.2f %12.1f %9.1f%%  %s\n", count, med, ratio, cpuMed,
                    100.0 * share, qPrintable(verdict));
    }
    std::printf("\nwall ms: from starting orvexdab-cli to its exit, program start included.\n"
                "vs 1 port: the ratio to one port's time (target <= %.1f).\n"
                "cpu ms: user and system time of the orvexdab-cli process; cpu share: of its "
                "wall time (target <= %.0f%% of one core).\n",
                kRatioTarget, 100.0 * kCpuTarget);
    return allMet ? 0 : 1;
}
