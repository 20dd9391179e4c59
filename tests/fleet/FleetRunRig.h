#pragma once

// Fleet runs against simulated processors on pseudo-terminals: a data folder whose ports/COM<n>
// links lead to the simulators, a fresh store, and its worker thread.
#include "StoreRig.h"
#include "fleet/SiteUpload.h"
#include "fleet/StoreWorker.h"
#include "sim/Simulator.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <map>

namespace fleetrig {

using namespace std::chrono_literals;

inline constexpr int kRunLimitMs = 30000;

class Rig
{
public:
    Rig() : worker(std::make_unique<fleet::StoreWorker>(store.location))
    {
        ready = store.ready && dir.isValid();
        error = store.error;
        link.dataDir = dir.path();
        link.pool.retry.pause = 10ms;
    }

    sim::Simulator& addSimulator(int n, std::optional<lnk::Layout> replyLayout = std::nullopt)
    {
        sim::Options o;
        o.linkPath = QDir(dir.path()).filePath(QStringLiteral("ports/COM%1").arg(n));
        o.settings.replyLayout = replyLayout;
        auto& s = simulators[n];
        s = std::make_unique<sim::Simulator>(o);
        ready = s->start(&error) && ready;
        return *s;
    }

    // The processor of port n holds these values in its day and night blocks.
    void hold(int n, int gate, int ranges = 255)
    {
        sim::State s = simulators.at(n)->state();
        s.current[model::index(model::Member::gate)] = gate;
        s.current[model::index(model::Member::ranges)] = ranges;
        s.night = s.current;
        simulators.at(n)->setState(s);
    }

    // Runs a run object until it signals finished; its one argument.
    template <typename Run, typename Result>
    static std::optional<Result> finish(Run& run, void (Run::*finished)(const Result&))
    {
        QSignalSpy spy(&run, finished);
        run.start();
        if (!spy.wait(kRunLimitMs)) {
            return std::nullopt;
        }
        return spy.first().first().template value<Result>();
    }

    // The store, read on the test's own thread.
    std::unique_ptr<fleet::Store> direct() const { return store.open(); }

    QTemporaryDir dir;
    storerig::FreshStore store;
    std::unique_ptr<fleet::StoreWorker> worker;
    fleet::LinkSetup link;
    std::map<int, std::unique_ptr<sim::Simulator>> simulators;
    bool ready = false;
    QString error;
};

} // namespace fleetrig
