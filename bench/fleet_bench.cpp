// orvexdab-fleetbench: the fleet's figures.
//   1. `orvexdab-cli backup` of 1, 32 and 128 simulated sites, each on its own pseudo-terminal
//      at line pace: median wall time, its ratio to one site's (target: 128 sites at most 1.2
//      times one site's time), the tool's processor time a site (target: 1.5 ms) and its peak
//      memory (target: 64 MiB).
//   2. `orvexdab-cli backup --all --parallel 64` of 1,000 sites on loopback network servers
//      that answer at once (target: 4 s, 128 MiB, never more than 64 lines open), and the
//      confirmation read: every site changed against none changed (target: 2.1 times).
//   3. `orvexdab-cli check` over a store of 1,000 sites with 100 versions each (target: 200 ms),
//      the store filled through the store's own API beforehand.
//   4. The bytes a stored version takes: its values as kept, and the store file per version.
//
//   5. A deploy to 1 site and to 128 with one canary (DeployFigures.cpp).
//
//   orvexdab-fleetbench [backup|loopback|check|deploy] [rounds]   (default all, 5 rounds; temporary
//   folders, stores on disk)
#include "DeployFigures.h"
#include "LoopbackFleet.h"
#include "ToolRun.h"
#include "fleet/Check.h"
#include "fleet/Store.h"
#include "model/Members.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using bench::Measured;
using bench::median;
using bench::runTool;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kDefaultRounds = 5;
constexpr std::array<int, 3> kCounts{1, 32, 128};
constexpr double kRatioTarget = 1.2;
constexpr double kCpuPerSiteTargetMs = 1.5;
constexpr double kMemoryTargetMiB = 64;
constexpr int kCheckSites = 1000;
constexpr int kCheckVersions = 100;
constexpr double kCheckTargetMs = 200;

QString siteName(int n)
{
    return QStringLiteral("Site %1").arg(n, 4, 10, QLatin1Char('0'));
}

bool backupFigures(const QString& program, const QString& folder, int rounds)
{
    std::vector<std::unique_ptr<sim::Simulator>> simulators;
    fleet::Store store(*fleet::parseStoreUrl(QStringLiteral("sqlite:") +
                                             QDir(folder).filePath(QStringLiteral("fleet.sqlite")))
                            .location);
    for (int n = 1; n <= kCounts.back(); ++n) {
        sim::Options o;
        o.linkPath = QDir(folder).filePath(QStringLiteral("ports/COM%1").arg(n));
        simulators.push_back(std::make_unique<sim::Simulator>(o));
        QString error;
        if (!simulators.back()->start(&error)) {
            std::fprintf(stderr, "orvexdab-fleetbench: simulator %d: %s\n", n, qPrintable(error));
            return false;
        }
        if (const auto r = store.addSite(siteName(n), QString::number(n)); !r.ok()) {
            std::fprintf(stderr, "orvexdab-fleetbench: %s\n", qPrintable(r.error->message));
            return false;
        }
    }
    std::printf("orvexdab-cli backup of N sites, each a simulator on its own "
                "pseudo-terminal at line pace; median of %d rounds (the first stores a version, "
                "the rest find it unchanged)\n\n",
                rounds);
    std::printf("%6s %10s %10s %10s %10s  %s\n", "sites", "wall ms", "vs 1 site", "cpu ms",
                "peak MiB", "targets");
    double single = 0;
    double singleCpu = 0;
    bool allMet = true;
    for (const int count : kCounts) {
        QStringList args{QStringLiteral("--data-dir"), folder, QStringLiteral("backup")};
        for (int n = 1; n <= count; ++n) {
            args << siteName(n);
        }
        std::vector<double> wall;
        std::vector<double> cpu;
        double peak = 0;
        int failures = 0;
        for (int i = 0; i < rounds; ++i) {
            const Measured m = runTool(program, folder, args);
            wall.push_back(m.wallMs);
            cpu.push_back(m.cpuMs);
            peak = std::max(peak, m.peakMiB);
            failures += m.exitCode == 0 ? 0 : 1;
        }
        const double med = median(wall);
        if (count == 1) {
            single = med;
            singleCpu = median(cpu);
        }
        const bool fast = med / single <= kRatioTarget;
        const bool small = peak <= kMemoryTargetMiB;
        allMet = allMet && fast && small && failures == 0;
        std::printf(
            "%6d %10.1f %10.2f %10.1f %10.1f  time %s, memory %s%s\n", count, med, med / single,
            median(cpu), peak, fast ? "met" : "MISSED", small ? "met" : "MISSED",
            failures > 0 ? qPrintable(QStringLiteral(", %1 runs FAILED").arg(failures)) : "");
        if (count == kCounts.back()) {
            // What each site adds to the tool's own work, its start and store left out.
            const double perSite = (median(cpu) - singleCpu) / (count - 1);
            const bool cheap = perSite <= kCpuPerSiteTargetMs;
            allMet = allMet && cheap;
            std::printf("\nprocessor time a site (%d sites against 1): %.2f ms (target <= %.1f "
                        "ms: %s)\n",
                        count, perSite, kCpuPerSiteTargetMs, cheap ? "met" : "MISSED");
        }
    }
    return allMet;
}

// Two values of one member, so that each attempt stores a new version.
fleet::Values alternate(int i)
{
    fleet::Values v = fleet::initialValues();
    const std::size_t gate = model::index(model::Member::gate);
    v[gate] = i % 2 == 0 ? v[gate] : (v[gate] == 0 ? 1 : v[gate] - 1);
    return v;
}

bool checkFigures(const QString& program, const QString& folder, int rounds)
{
    const QString path = QDir(folder).filePath(QStringLiteral("fleet.sqlite"));
    fleet::Store store(*fleet::parseStoreUrl(QStringLiteral("sqlite:") + path).location);
    const auto fillStart = Clock::now();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int s = 1; s <= kCheckSites; ++s) {
        const QString name = siteName(s);
        if (const auto r = store.addSite(name, QStringLiteral("tcp://192.0.2.1:%1").arg(s));
            !r.ok()) {
            std::fprintf(stderr, "orvexdab-fleetbench: %s\n", qPrintable(r.error->message));
            return false;
        }
        for (int v = 0; v < kCheckVersions; ++v) {
            fleet::Attempt a;
            a.at = now.addSecs(qint64(v - kCheckVersions) * 3600);
            a.taken = fleet::NewVersion{lnk::Layout::Day,
                                        alternate(v),
                                        fleet::Source::Backup,
                                        QStringLiteral("bench@host"),
                                        {}};
            if (const auto r = store.record(name, a); !r.ok()) {
                std::fprintf(stderr, "orvexdab-fleetbench: %s\n", qPrintable(r.error->message));
                return false;
            }
        }
    }
    const double fillS = Ms(Clock::now() - fillStart).count() / 1000.0;

    std::vector<double> tool;
    std::vector<double> inProcess;
    fleet::CheckResult result;
    for (int i = 0; i < rounds; ++i) {
        tool.push_back(runTool(program, folder,
                               {QStringLiteral("--data-dir"), folder, QStringLiteral("check")})
                           .wallMs);
        fleet::Store reader(*fleet::parseStoreUrl(QStringLiteral("sqlite:") + path).location);
        const auto start = Clock::now();
        result = fleet::check(reader, {});
        inProcess.push_back(Ms(Clock::now() - start).count());
    }
    const double toolMs = median(tool);
    const bool fast = toolMs <= kCheckTargetMs;
    std::printf("\norvexdab-cli check over %d sites x %d versions (filled through the store in "
                "%.1f s): median %.1f ms for the whole program, %.1f ms for the check itself; "
                "target <= %.0f ms: %s\n  %s\n",
                kCheckSites, kCheckVersions, fillS, toolMs, median(inProcess), kCheckTargetMs,
                fast ? "met" : "MISSED", qPrintable(result.line.left(120)));

    const auto latest = store.latest(siteName(1));
    const double fileBytes =
        double(QFileInfo(path).size()) + double(QFileInfo(path + QStringLiteral("-wal")).size());
    std::printf("\nbytes per stored version: %d of values as kept; %.0f of store file per "
                "version (%.1f MiB for %d versions, indexes and status included)\n",
                latest.ok() && latest.value ? fleet::Store::storedBytes(*latest.value) : -1,
                fileBytes / (kCheckSites * kCheckVersions), fileBytes / (1024.0 * 1024.0),
                kCheckSites * kCheckVersions);
    return fast;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Each figure as soon as it is known, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList args = QCoreApplication::arguments().mid(1);
    const QString only =
        !args.isEmpty() && !args.front().front().isDigit() ? args.takeFirst() : QString();
    if (!only.isEmpty() && only != QLatin1String("backup") && only != QLatin1String("loopback") &&
        only != QLatin1String("check") && only != QLatin1String("deploy")) {
        std::fprintf(stderr,
                     "usage: orvexdab-fleetbench [backup|loopback|check|deploy] [rounds]\n");
        return 2;
    }
    const auto runs = [&only](const char* figure) {
        return only.isEmpty() || only == QLatin1String(figure);
    };
    const int rounds = args.isEmpty() ? kDefaultRounds : std::max(1, args.front().toInt());
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/orvexdab-cli");
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "orvexdab-fleetbench: no orvexdab-cli beside the benchmark\n");
        return 1;
    }
    QTemporaryDir backupDir;
    QTemporaryDir loopbackDir;
    QTemporaryDir checkDir;
    QTemporaryDir deployDir;
    if (!backupDir.isValid() || !loopbackDir.isValid() || !checkDir.isValid() ||
        !deployDir.isValid()) {
        std::fprintf(stderr, "orvexdab-fleetbench: no temporary folder\n");
        return 1;
    }
    const bool backupMet = !runs("backup") || backupFigures(program, backupDir.path(), rounds);
    const bool loopbackMet =
        !runs("loopback") || bench::loopbackFigures(program, loopbackDir.path(), rounds);
    const bool checkMet = !runs("check") || checkFigures(program, checkDir.path(), rounds);
    const bool deployMet = !runs("deploy") || bench::deployFigures(deployDir.path(), rounds);
    std::printf("\nwall ms: from starting orvexdab-cli to its exit, program start included.\n"
                "cpu ms: the tool's user and system time; peak MiB: its maximum resident set "
                "(getrusage ru_maxrss).\n");
    return backupMet && loopbackMet && checkMet && deployMet ? 0 : 1;
}
