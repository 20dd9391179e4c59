#include "LoopbackFleet.h"

#include "ToolRun.h"
#include "fleet/Store.h"
#include "link/Frames.h"
#include "model/Members.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace bench {
namespace {

constexpr int kSites = 1000;
constexpr int kParallel = 64;
constexpr double kWallTargetMs = 4000;
constexpr double kMemoryTargetMiB = 128;
constexpr double kConfirmTarget = 2.1;

QString loopbackAddress(int i)
{
    // 127.0.0.1 .. 127.0.3.232: the first thousand, no .0 or .255 host bytes.
    return QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

// Every server answers each request byte with a day reply of the processor holding gate.
class Processors : public QObject
{
public:
    std::atomic<int> gate{8};

    // On the serving thread.
    bool listen(int count, QString* error)
    {
        for (int i = 0; i < count; ++i) {
            auto* server = new QTcpServer(this);
            if (!server->listen(QHostAddress(loopbackAddress(i)), m_port)) {
                *error = loopbackAddress(i) + QStringLiteral(": ") + server->errorString();
                return false;
            }
            m_port = server->serverPort();
            connect(server, &QTcpServer::newConnection, this, [this, server] {
                while (QTcpSocket* s = server->nextPendingConnection()) {
                    connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
                    connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                }
            });
        }
        return true;
    }
    quint16 port() const { return m_port; }

private:
    void answer(QTcpSocket* s)
    {
        const QByteArray in = s->readAll();
        const int requests = int(in.count(char(lnk::kUploadRequest)));
        const QByteArray reply = replyFor(gate.load());
        for (int i = 0; i < requests; ++i) {
            s->write(reply);
        }
    }
    QByteArray replyFor(int g)
    {
        if (g != m_replyGate) {
            model::ParameterSet set;
            auto v = set.values();
            v[model::index(model::Member::gate)] = g;
            set.restore(v);
            m_reply = lnk::encodeReply(lnk::Layout::Day, set);
            m_replyGate = g;
        }
        return m_reply;
    }

    quint16 m_port = 0;
    int m_replyGate = -1;
    QByteArray m_reply;
};

struct Series
{
    std::vector<double> wall;
    std::vector<double> cpu;
    double peakMiB = 0;
    int peakDescriptors = 0;
    int peakSockets = 0;
    int failed = 0;
};

void runInto(Series& s, const QString& program, const QString& folder, const QStringList& args)
{
    const Measured m = runTool(program, folder, args, true);
    s.wall.push_back(m.wallMs);
    s.cpu.push_back(m.cpuMs);
    s.peakMiB = std::max(s.peakMiB, m.peakMiB);
    s.peakDescriptors = std::max(s.peakDescriptors, m.peakDescriptors);
    s.peakSockets = std::max(s.peakSockets, m.peakSockets);
    if (m.exitCode != 0) {
        ++s.failed;
        QFile out(QDir(folder).filePath(QStringLiteral("tool-output.txt")));
        if (out.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "orvexdab-fleetbench: exit %d: %s\n", m.exitCode,
                         out.read(400).constData());
        }
    }
}

} // namespace

bool loopbackFigures(const QString& program, const QString& folder, int rounds)
{
    QThread serving;
    auto* processors = new Processors;
    processors->moveToThread(&serving);
    QObject::connect(&serving, &QThread::finished, processors, &QObject::deleteLater);
    serving.start();
    bool listening = false;
    QString error;
    QMetaObject::invokeMethod(
        processors, [&] { listening = processors->listen(kSites, &error); },
        Qt::BlockingQueuedConnection);
    const auto stop = [&serving] {
        serving.quit();
        serving.wait();
    };
    if (!listening) {
        std::fprintf(stderr, "orvexdab-fleetbench: %s\n", qPrintable(error));
        stop();
        return false;
    }
    {
        fleet::Store store(
            *fleet::parseStoreUrl(QStringLiteral("sqlite:") +
                                  QDir(folder).filePath(QStringLiteral("fleet.sqlite")))
                 .location);
        for (int i = 0; i < kSites; ++i) {
            const QString port =
                QStringLiteral("tcp://%1:%2").arg(loopbackAddress(i)).arg(processors->port());
            if (const auto r =
                    store.addSite(QStringLiteral("Net %1").arg(i, 4, 10, QLatin1Char('0')), port);
                !r.ok()) {
                std::fprintf(stderr, "orvexdab-fleetbench: %s\n", qPrintable(r.error->message));
                stop();
                return false;
            }
        }
    }
    const QStringList args{QStringLiteral("--data-dir"), folder,
                           QStringLiteral("--parallel"), QString::number(kParallel),
                           QStringLiteral("backup"),     QStringLiteral("--all")};
    Series first;
    runInto(first, program, folder, args); // every site new: its first version
    Series unchanged;
    Series changed;
    for (int i = 0; i < rounds; ++i) {
        runInto(unchanged, program, folder, args);
    }
    for (int i = 0; i < rounds; ++i) {
        processors->gate = processors->gate == 8 ? 9 : 8;
        runInto(changed, program, folder, args);
    }
    stop();

    const double wall = median(unchanged.wall);
    const double ratio = median(changed.wall) / wall;
    const double peak = std::max(unchanged.peakMiB, changed.peakMiB);
    const int lines = std::max({first.peakSockets, unchanged.peakSockets, changed.peakSockets});
    const int descriptors =
        std::max({first.peakDescriptors, unchanged.peakDescriptors, changed.peakDescriptors});
    const bool fast = wall <= kWallTargetMs;
    const bool small = peak <= kMemoryTargetMiB;
    const bool bounded = lines <= kParallel;
    const bool confirmCheap = ratio <= kConfirmTarget;
    const int failed = first.failed + unchanged.failed + changed.failed;
    std::printf("\norvexdab-cli backup --all --parallel %d of %d sites on loopback network servers "
                "that answer at once; median of %d rounds each\n",
                kParallel, kSites, rounds);
    std::printf("  first run (every site new): %.1f ms, cpu %.1f ms\n", first.wall.front(),
                first.cpu.front());
    std::printf("  none changed: %.1f ms (target <= %.0f ms: %s), cpu %.1f ms = %.2f ms a site\n",
                wall, kWallTargetMs, fast ? "met" : "MISSED", median(unchanged.cpu),
                median(unchanged.cpu) / kSites);
    std::printf("  every site changed: %.1f ms, cpu %.1f ms; %.2f x none changed (target <= %.1f: "
                "%s)\n",
                median(changed.wall), median(changed.cpu), ratio, kConfirmTarget,
                confirmCheap ? "met" : "MISSED");
    std::printf("  peak memory %.1f MiB (target <= %.0f: %s)\n", peak, kMemoryTargetMiB,
                small ? "met" : "MISSED");
    std::printf("  most lines (sockets) open at once %d (target <= %d: %s); most descriptors %d\n",
                lines, kParallel, bounded ? "met" : "MISSED", descriptors);
    if (failed > 0) {
        std::printf("  %d runs FAILED\n", failed);
    }
    return fast && small && bounded && confirmCheap && failed == 0;
}

} // namespace bench
