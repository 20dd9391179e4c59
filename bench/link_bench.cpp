// orvexdab-linkbench: runs each exchange against the simulated processor on a pseudo-terminal
// and prints, per exchange, the median wall time, the line time it cannot beat, their ratio,
// and the processor time the panel's thread spent while it waited for a reply.
//
//   orvexdab-linkbench [rounds]     (default 15)
#include "link/Exchange.h"
#include "link/QtSerialLine.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kPort = 200;
constexpr int kDefaultRounds = 15;
// The processor takes a pause of this length as the end of a night frame.
constexpr auto kFramePause = 150ms;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Forwards to the real line and times the waits: wall time and this thread's processor time.
class TimedLine : public lnk::SerialLine
{
public:
    explicit TimedLine(lnk::SerialLine& line) : m_line(line) {}

    void setPort(int portNo) override { m_line.setPort(portNo); }
    void setSettings(const QString& s) override { m_line.setSettings(s); }
    bool open() override { return m_line.open(); }
    bool isOpen() const override { return m_line.isOpen(); }
    bool writeByte(quint8 byte) override { return m_line.writeByte(byte); }
    int bytesWaiting() override { return m_line.bytesWaiting(); }
    QByteArray readAllWaiting() override { return m_line.readAllWaiting(); }
    int waitForBytes(int count, std::chrono::milliseconds timeout,
                     const std::function<void()>& idle) override
    {
        const auto start = Clock::now();
        const double cpu = threadCpuMs();
        const int n = m_line.waitForBytes(count, timeout, idle);
        waitWallMs += Ms(Clock::now() - start).count();
        waitCpuMs += threadCpuMs() - cpu;
        return n;
    }
    bool close() override { return m_line.close(); }
    lnk::LineFault fault() const override { return m_line.fault(); }
    QString lastError() const override { return m_line.lastError(); }

    double waitWallMs = 0;
    double waitCpuMs = 0;

private:
    lnk::SerialLine& m_line;
};

struct Row
{
    const char* name;
    double lineMs; // what the line needs at least, reaction included
    bool upload;   // has a target
    std::function<lnk::ExchangeResult()> run;
    std::chrono::milliseconds pauseAfter{0};
};

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

    lnk::QtSerialLine real(dir.path());
    TimedLine line(real);
    model::ParameterSet set;
    // As in the panel: the wait comes up for air and the event loop gets a turn.
    lnk::ExchangeHooks hooks;
    hooks.idle = [] { QCoreApplication::processEvents(); };

    const auto nightReplies = [&simulator](bool night) {
        sim::Settings s = simulator.settings();
        s.replyLayout = night ? std::optional<lnk::Block>(lnk::Block::Night) : std::nullopt;
        simulator.setSettings(s);
    };

    // Line times at 1200 bit/s: sends with 2 stop bits (11 bits a byte), uploads with 1 stop
    // bit (10 bits) for the request and the reply. The pseudo-terminal paces only the
    // processor's side, so the sends' own line time is not spent here.
    const std::vector<Row> rows{
        {"day send (42 bytes)", lineMs(42, 11), false,
         [&] { return lnk::sendBlock(line, kPort, lnk::Block::Day, set, hooks); }},
        {"night send (33 bytes)", lineMs(33, 11), false,
         [&] { return lnk::sendBlock(line, kPort, lnk::Block::Night, set, hooks); }, kFramePause},
        {"command (1 byte)", lineMs(1, 11), false,
         [&] { return lnk::sendCommand(line, kPort, 110, hooks); }},
        {"day upload (1 + 42 bytes)", lineMs(43, 10) + reactionMs, true,
         [&] {
             nightReplies(false);
             return lnk::uploadBlock(line, kPort, lnk::Block::Day, 800ms, set, hooks);
         }},
        {"night upload (1 + 25 bytes)", lineMs(26, 10) + reactionMs, true,
         [&] {
             nightReplies(true);
             return lnk::uploadBlock(line, kPort, lnk::Block::Night, lnk::kNightUploadWait, set,
                                     hooks);
         }},
    };

    std::printf("Exchanges against the simulator on %s, %d rounds each, reaction %.0f ms\n\n",
                qPrintable(simulator.devicePath()), rounds, reactionMs);
    std::printf("%-28s %10s %10s %7s %10s %10s %7s  %s\n", "exchange", "median ms", "line ms",
                "ratio", "wait ms", "wait cpu", "cpu %", "targets");
    bool allMet = true;
    for (const Row& row : rows) {
        std::vector<double> wall;
        double waitWall = 0;
        double waitCpu = 0;
        int failures = 0;
        for (int i = 0; i < rounds; ++i) {
            line.waitWallMs = 0;
            line.waitCpuMs = 0;
            const auto start = Clock::now();
            const lnk::ExchangeResult r = row.run();
            wall.push_back(Ms(Clock::now() - start).count());
            waitWall += line.waitWallMs;
            waitCpu += line.waitCpuMs;
            failures += r.ok() ? 0 : 1;
            std::this_thread::sleep_for(row.pauseAfter);
        }
        const double med = median(wall);
        const double ratio = med / row.lineMs;
        const double cpuShare = waitWall > 0 ? 100.0 * waitCpu / waitWall : 0.0;
        QString verdict;
        if (row.upload) {
            const bool fast = ratio <= 1.1;
            const bool light = cpuShare < 5.0;
            allMet = allMet && fast && light && failures == 0;
            verdict = QStringLiteral("time %1, cpu %2")
                          .arg(fast ? QStringLiteral("met") : QStringLiteral("MISSED"),
                               light ? QStringLiteral("met") : QStringLiteral("MISSED"));
        } else {
            verdict = QStringLiteral("(no target)");
        }
        if (failures > 0) {
            verdict += QStringLiteral(", %1 FAILED").arg(failures);
            allMet = false;
        }
        std::printf("%-28s %10.1f %10.1f %7.2f %10.1f %10.2f %7.2f  %s\n", row.name, med,
                    row.lineMs, ratio, waitWall / rounds, waitCpu / rounds, cpuShare,
                    qPrintable(verdict));
    }
    std::printf("\nline ms: the time the bytes need on the line at 1200 bit/s, plus the "
                "processor's reaction for uploads.\nwait cpu: processor time of the panel's "
                "thread during the reply wait (average per exchange).\n");
    simulator.stop();
    return allMet ? 0 : 1;
}
