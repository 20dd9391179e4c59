#include "DeployFigures.h"

#include "ToolRun.h"
#include "fleet/ConfirmedRead.h"
#include "fleet/Deploy.h"
#include "sim/Simulator.h"
#include "storage/ParameterFile.h"

#include <QDir>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kSites = 128;
constexpr double kManyTarget = 1.3; // x (the canary's time + one site's)
constexpr double kOneTarget = 1.1;  // x (a send + the frame gap + a confirmed upload)

QString siteName(int n)
{
    return QStringLiteral("Site %1").arg(n, 4, 10, QLatin1Char('0'));
}

// Three sounds: the many-site runs alternate two, the one-site runs take the third, so that
// every run changes every site it reaches.
fleet::Values sound(int k)
{
    fleet::Values v = fleet::initialValues();
    v[model::index(model::Member::gate)] = 8 + k;
    return v;
}

struct Timed
{
    double ms = 0;
    double canaryMs = 0;
    fleet::DeployReport report;
};

Timed deploy(fleet::StoreWorker& store, const fleet::LinkSetup& link, const QString& source,
             int sites)
{
    fleet::DeployRequest request;
    request.source = source;
    for (int n = 1; n <= sites; ++n) {
        request.selection.names << siteName(n);
    }
    request.link = link;
    Timed t;
    QEventLoop loop;
    fleet::DeployRun run(request, store);
    const auto start = Clock::now();
    QObject::connect(&run, &fleet::DeployRun::planned, &run,
                     [&run](const fleet::DeployPlan&) { run.run(); });
    QObject::connect(&run, &fleet::DeployRun::siteDone, &run,
                     [&t, start](const fleet::SiteDeploy& s, int, int) {
                         if (s.canary) {
                             t.canaryMs = Ms(Clock::now() - start).count();
                         }
                     });
    QObject::connect(&run, &fleet::DeployRun::finished, &loop, [&](const fleet::DeployReport& r) {
        t.ms = Ms(Clock::now() - start).count();
        t.report = r;
        loop.quit();
    });
    run.plan();
    loop.exec();
    return t;
}

// What a deploy to one site cannot do without: its frame, the frame gap, and a read that shows
// the values sent (one read, as they are what is expected).
double sendGapRead(const fleet::LinkSetup& link, const fleet::Values& values)
{
    QEventLoop loop;
    const auto start = Clock::now();
    session::ProcessorChannel channel(link.dataDir);
    channel.setPort(QStringLiteral("1"));
    fleet::ExpectedValues expected;
    expected.day = values;
    fleet::ConfirmedRead read(QStringLiteral("1"), link, expected);
    QObject::connect(&channel, &session::ProcessorChannel::finished, &loop,
                     [&read](const session::ChannelResult&) { read.start(); });
    QObject::connect(&read, &fleet::ConfirmedRead::finished, &loop,
                     [&loop](const fleet::LiveValues&) { loop.quit(); });
    channel.send(lnk::Layout::Day, values);
    loop.exec();
    return Ms(Clock::now() - start).count();
}

} // namespace

bool deployFigures(const QString& folder, int rounds)
{
    std::vector<std::unique_ptr<sim::Simulator>> simulators;
    const fleet::StoreLocation location =
        *fleet::parseStoreUrl(QStringLiteral("sqlite:") +
                              QDir(folder).filePath(QStringLiteral("fleet.sqlite")))
             .location;
    {
        fleet::Store store(location);
        for (int n = 1; n <= kSites; ++n) {
            sim::Options o;
            o.linkPath = QDir(folder).filePath(QStringLiteral("ports/COM%1").arg(n));
            simulators.push_back(std::make_unique<sim::Simulator>(o));
            QString error;
            if (!simulators.back()->start(&error)) {
                std::fprintf(stderr, "orvexdab-fleetbench: simulator %d: %s\n", n,
                             qPrintable(error));
                return false;
            }
            if (const auto r = store.addSite(siteName(n), QString::number(n)); !r.ok()) {
                std::fprintf(stderr, "orvexdab-fleetbench: %s\n", qPrintable(r.error->message));
                return false;
            }
        }
    }
    fleet::StoreWorker store(location, fleet::placeHere(folder));
    fleet::LinkSetup link;
    link.dataDir = folder;
    link.pool.parallel = kSites;
    std::vector<QString> files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(QDir(folder).filePath(QStringLiteral("sound%1.DAB").arg(i)));
        model::ParameterSet set;
        if (!set.restore(sound(i)) || storage::writeParameterFile(files.back(), set)) {
            std::fprintf(stderr, "orvexdab-fleetbench: no sound file\n");
            return false;
        }
    }
    std::printf("\ndeploy through the fleet's engine (in-process, store on disk) to simulators "
                "on pseudo-terminals at line pace, canary 1, every site changed each round; "
                "median of %d rounds\n\n",
                rounds);
    std::vector<double> base;
    std::vector<double> one;
    std::vector<double> many;
    std::vector<double> canary;
    int failed = 0;
    for (int i = 0; i < rounds; ++i) {
        base.push_back(sendGapRead(link, sound(i % 2)));
        const Timed t1 = deploy(store, link, files[2], 1);
        one.push_back(t1.ms);
        const Timed tn = deploy(store, link, files[std::size_t(i % 2)], kSites);
        many.push_back(tn.ms);
        canary.push_back(tn.canaryMs);
        failed += int(!t1.report.allVerified()) + int(!tn.report.allVerified());
    }
    const double b = median(base);
    const double o = median(one);
    const double m = median(many);
    const double c = median(canary);
    const bool oneMet = o <= kOneTarget * b;
    const bool manyMet = m <= kManyTarget * (c + o);
    std::printf("send + frame gap + confirmed upload, port 1:  %8.1f ms\n", b);
    std::printf("deploy to 1 site:                             %8.1f ms  %.2f x (target <= %.1f: "
                "%s)\n",
                o, o / b, kOneTarget, oneMet ? "met" : "MISSED");
    std::printf("deploy to %d sites, canary 1:                %8.1f ms  %.2f x (canary %.1f ms "
                "+ one site %.1f ms; target <= %.1f: %s)\n",
                kSites, m, m / (c + o), c, o, kManyTarget, manyMet ? "met" : "MISSED");
    if (failed > 0) {
        std::printf("%d runs with a site not verified\n", failed);
    }
    return oneMet && manyMet && failed == 0;
}

} // namespace bench
