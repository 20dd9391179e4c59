// orvexdab-linkbench: runs each exchange against the simulated processor on a pseudo-terminal
// and prints, per exchange, the median wall time, the line time it cannot beat, their ratio, the
// processor time the program's thread spent during the exchange, and the longest time the event
// loop went without a turn (a stall the operator would feel as a frozen window).
//
//   orvexdab-linkbench [rounds]     (default 15)
#include "Ser2net.h"
#include "link/Exchange.h"
#include "link/NetworkLines.h"
#include "link/PortLines.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include <atomic>
#include <dlfcn.h>
#include <thread>

// A UART, unlike a pseudo-terminal, takes the line time of the frame to drain its transmit
// queue. This program's own tcdrain stands in for the system's there: it waits that long first,
// so the rows marked "UART drain" show what the event loop does while a real port drains.
namespace {
std::atomic<int> g_uartDrainMs{0};
} // namespace

extern "C" int tcdrain(int fd)
{
    using Tcdrain = int (*)(int);
    static const auto real = reinterpret_cast<Tcdrain>(dlsym(RTLD_NEXT, "tcdrain"));
    if (const int ms = g_uartDrainMs.load(); ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    return real != nullptr ? real(fd) : 0;
}

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kPort = 200;
constexpr int kDefaultRounds = 15;
// The processor takes a pause of this length as the end of a night frame.
constexpr auto kFramePause = 150ms;
// The event loop's heartbeat while an exchange runs; a late beat is a stall.
constexpr auto kBeat = 2ms;
constexpr double kStallTargetMs = 50.0;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Row
{
    const char* name;
    lnk::Line* line;
    double lineMs; // what the line needs at least, reaction included
    bool upload;   // has a time target
    std::function<lnk::ExchangeRequest()> request;
    std::optional<lnk::Layout> replyLayout;
    double timeTarget = 1.1; // at most this many times the line time
    int uartDrainMs = 0;     // > 0: tcdrain takes this long, as on a UART
};

struct Measured
{
    bool ok = false;
    double wallMs = 0;
    double cpuMs = 0;
    double longestStallMs = 0;
};

// One exchange on the event loop, with a heartbeat timer measuring how late each beat comes.
Measured measure(lnk::Line& line, const lnk::ExchangeRequest& request)
{
    Measured m;
    lnk::Exchange exchange(line, request);
    QEventLoop loop;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    auto last = Clock::now();
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        m.longestStallMs = std::max(m.longestStallMs, Ms(now - last).count() - Ms(kBeat).count());
        last = now;
    });
    QObject::connect(&exchange, &lnk::Exchange::finished, [&](const lnk::ExchangeResult& r) {
        m.ok = r.ok();
        loop.quit();
    });
    const double cpu = threadCpuMs();
    const auto start = Clock::now();
    beat.start(kBeat);
    exchange.start();
    loop.exec();
    m.wallMs = Ms(Clock::now() - start).count();
    m.cpuMs = threadCpuMs() - cpu;
    return m;
}

void pause(std::chrono::milliseconds ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

double lineMs(int bytes, int bitsPerByte)
{
    return bytes * bitsPerByte * 1000.0 / 1200.0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;

    QTemporaryDir dir;
    sim::Options options;
    options.linkPath = QDir(dir.path()).filePath(QStringLiteral("ports/COM%1").arg(kPort));
    sim::Simulator simulator(options);
    QString error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "orvexdab-linkbench: simulator: %s\n", qPrintable(error));
        return 1;
    }
    const double reactionMs = static_cast<double>(simulator.settings().reaction.count());

    lnk::PortLines lines(dir.path());
    lnk::Line& line = lines.lineFor({kPort, {}});
    model::ParameterSet set;

    // Line times at 1200 bit/s: sends with 2 stop bits (11 bits a byte), uploads with 1 stop
    // bit (10 bits) for the request and the reply. The pseudo-terminal paces only the
    // processor's side, so the sends' own line time is not spent here.
    std::vector<Row> rows{
        {"day send (42 bytes)", &line, lineMs(42, 11), false,
         [&] { return lnk::sendRequest(lnk::Layout::Day, set); }, std::nullopt},
        {"night send (33 bytes)", &line, lineMs(33, 11), false,
         [&] { return lnk::sendRequest(lnk::Layout::Night, set); }, std::nullopt},
        {"command (1 byte)", &line, lineMs(1, 11), false,
         [] { return lnk::commandRequest(lnk::Command::Stoptone); }, std::nullopt},
        {"day upload (1 + 42 bytes)", &line, lineMs(43, 10) + reactionMs, true,
         [] { return lnk::uploadRequest(lnk::Layout::Day, lnk::kDayUploadWait); }, std::nullopt},
        {"night upload (1 + 25 bytes)", &line, lineMs(26, 10) + reactionMs, true,
         [] { return lnk::uploadRequest(lnk::Layout::Night, lnk::kNightUploadWait); },
         lnk::Layout::Night},
        {"day send, UART drain", &line, lineMs(42, 11), false,
         [&] { return lnk::sendRequest(lnk::Layout::Day, set); }, std::nullopt, 1.1,
         static_cast<int>(lineMs(42, 11))},
    };

    // The same uploads through a network serial server, where ser2net is installed: its serial
    // side paces the request at 1200 bit/s too.
    Ser2net server(simulator.devicePath());
    std::unique_ptr<lnk::Line> network;
    if (!Ser2net::program().isEmpty() && server.start(&error)) {
        network.reset(lnk::createNetworkLine(server.address(lnk::NetworkScheme::Rfc2217)));
        rows.push_back({"rfc2217 day upload", network.get(), lineMs(43, 10) + reactionMs, true,
                        [] { return lnk::uploadRequest(lnk::Layout::Day, lnk::kDayUploadWait); },
                        std::nullopt, 1.15});
        rows.push_back(
            {"rfc2217 night upload", network.get(), lineMs(26, 10) + reactionMs, true,
             [] { return lnk::uploadRequest(lnk::Layout::Night, lnk::kNightUploadWait); },
             lnk::Layout::Night, 1.15});
    } else {
        std::printf("ser2net not available: no rows over rfc2217 (%s)\n", qPrintable(error));
    }

    std::printf("Exchanges against the simulator on %s, %d rounds each, reaction %.0f ms\n\n",
                qPrintable(simulator.devicePath()), rounds, reactionMs);
    std::printf("%-28s %10s %10s %7s %10s %7s %10s  %s\n", "exchange", "median ms", "line ms",
                "ratio", "cpu ms", "cpu %", "stall ms", "targets");
    bool allMet = true;
    for (const Row& row : rows) {
        g_uartDrainMs = row.uartDrainMs;
        sim::Settings settings = simulator.settings();
        settings.replyLayout = row.replyLayout;
        simulator.setSettings(settings);
        std::vector<double> wall;
        double cpu = 0;
        double wallSum = 0;
        double stall = 0;
        int failures = 0;
        for (int i = 0; i < rounds; ++i) {
            const Measured m = measure(*row.line, row.request());
            wall.push_back(m.wallMs);
            wallSum += m.wallMs;
            cpu += m.cpuMs;
            stall = std::max(stall, m.longestStallMs);
            failures += m.ok ? 0 : 1;
            pause(kFramePause);
        }
        const double med = median(wall);
        const double ratio = med / row.lineMs;
        const double cpuShare = wallSum > 0 ? 100.0 * cpu / wallSum : 0.0;
        const bool smooth = stall <= kStallTargetMs;
        QString verdict = QStringLiteral("stall %1")
                              .arg(smooth ? QStringLiteral("met") : QStringLiteral("MISSED"));
        allMet = allMet && smooth;
        if (row.upload) {
            const bool fast = ratio <= row.timeTarget;
            const bool light = cpuShare < 5.0;
            allMet = allMet && fast && light;
            verdict += QStringLiteral(", time %1, cpu %2")
                           .arg(fast ? QStringLiteral("met") : QStringLiteral("MISSED"),
                                light ? QStringLiteral("met") : QStringLiteral("MISSED"));
        }
        if (failures > 0) {
            verdict += QStringLiteral(", %1 FAILED").arg(failures);
            allMet = false;
        }
        std::printf("%-28s %10.1f %10.1f %7.2f %10.2f %7.2f %10.1f  %s\n", row.name, med,
                    row.lineMs, ratio, cpu / rounds, cpuShare, stall, qPrintable(verdict));
    }
    std::printf("\nline ms: the time the bytes need on the line at 1200 bit/s, plus the "
                "processor's reaction for uploads.\ncpu ms: processor time of the program's "
                "thread per exchange; cpu %%: its share of the exchange's wall time.\nstall ms: "
                "the longest the event loop went without a turn in any round (target <= %.0f "
                "ms).\n",
                kStallTargetMs);
    simulator.stop();
    return allMet ? 0 : 1;
}
