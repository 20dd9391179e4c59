#pragma once

// A data folder with a fleet store filled through the store's own operations, simulated
// processors linked there as ports/COM<n>, and the Sites window over it.
#include "dialogs/SitesModel.h"
#include "dialogs/frmSiteHistory.h"
#include "dialogs/frmSites.h"
#include "fleet/Store.h"
#include "session/PanelSession.h"
#include "sim/Simulator.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace sitesrig {

using namespace std::chrono_literals;
inline constexpr int kWait = 20000; // ms: simulators on a loaded machine

inline fleet::Values valuesWith(std::initializer_list<std::pair<model::Member, int>> changes)
{
    fleet::Values v = fleet::initialValues();
    for (const auto& [m, value] : changes) {
        v[model::index(m)] = value;
    }
    return v;
}

struct Rig
{
    Rig()
    {
        location.path = dir.filePath(QStringLiteral("fleet.sqlite"));
        store = std::make_unique<fleet::Store>(location);
        worker = std::make_unique<fleet::StoreWorker>(location);
        session::SessionEnvironment env;
        env.programDir = dir.path();
        env.dataDir = dir.path();
        panel = std::make_unique<session::PanelSession>(env);
        link.dataDir = dir.path();
        link.pool.retry.retries = 0;
    }
    ~Rig()
    {
        window.reset();
        worker.reset();
    }

    bool addSimulator(int n, const fleet::Values& held = fleet::initialValues())
    {
        sim::Options o;
        o.linkPath = dir.filePath(QStringLiteral("ports/COM%1").arg(n));
        auto& s = simulators[n];
        s = std::make_unique<sim::Simulator>(o);
        if (!s->start(&error)) {
            return false;
        }
        sim::State state = s->state();
        state.current = state.night = held;
        s->setState(state);
        return true;
    }

    bool addSite(const QString& name, const QString& port)
    {
        const fleet::StoreResult<fleet::Site> r = store->addSite(name, port);
        if (!r.ok()) {
            error = r.error->message;
        }
        return r.ok();
    }

    // A backup's attempt as the store records it: values taken, or a failure.
    bool record(const QString& name, const QDateTime& at, const fleet::Values& values,
                fleet::Source source = fleet::Source::Backup)
    {
        fleet::Attempt a;
        a.at = at;
        fleet::NewVersion v;
        v.values = values;
        v.source = source;
        v.by = QStringLiteral("op@desk");
        a.taken = v;
        const fleet::StoreResult<fleet::Recorded> r = store->record(name, a);
        if (!r.ok()) {
            error = r.error->message;
        }
        return r.ok();
    }
    bool fail(const QString& name, const QDateTime& at, const QString& error)
    {
        fleet::Attempt a;
        a.at = at;
        a.error = error;
        return store->record(name, a).ok();
    }

    // The window, once its first reading of the store has been shown.
    frmSites* open()
    {
        window = std::make_unique<frmSites>(worker.get(), link, *panel, prompts);
        QSignalSpy shown(window.get(), &frmSites::sitesShown);
        window->show();
        return shown.wait(kWait) ? window.get() : nullptr;
    }

    // The text a row shows in a column, the row found by site name.
    QString cell(const QString& site, int column, int role = Qt::DisplayRole) const
    {
        const SitesModel* m = window->model();
        return m->data(m->index(m->rowOf(site), column), role).toString();
    }

    QTemporaryDir dir;
    fleet::StoreLocation location;
    std::unique_ptr<fleet::Store> store; // the test's own connection, on the test's thread
    std::unique_ptr<fleet::StoreWorker> worker;
    std::unique_ptr<session::PanelSession> panel;
    fleet::LinkSetup link;
    ScriptedPrompts prompts;
    std::map<int, std::unique_ptr<sim::Simulator>> simulators;
    std::unique_ptr<frmSites> window;
    QString error;
};

// The site's row selected in the window.
inline void selectSite(frmSites& w, const QString& site)
{
    const QModelIndex source = w.model()->index(w.model()->rowOf(site), 0);
    w.tblSites->selectionModel()->select(w.proxy()->mapFromSource(source),
                                         QItemSelectionModel::ClearAndSelect |
                                             QItemSelectionModel::Rows);
}

// The site's history window, once it shows the versions.
inline frmSiteHistory* openHistory(frmSites& w, const QString& site)
{
    selectSite(w, site);
    w.cmdHistory->click();
    auto* h = w.findChild<frmSiteHistory*>();
    if (h == nullptr) {
        return nullptr;
    }
    QSignalSpy shown(h, &frmSiteHistory::historyShown);
    return shown.wait(kWait) ? h : nullptr;
}

} // namespace sitesrig
