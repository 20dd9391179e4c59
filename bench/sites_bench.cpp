// The Sites window over a large store: the time to its first paint over 1,000 sites with 100
// versions each, and the longest stall of the event loop while "Back up all" runs over 32
// simulated processors. Prints figures; nothing here is a pass or a fail.
//
// With --screenshots DIR it instead photographs the window over five simulated sites (one
// failing, one drifted from its reference) and a history with differences, as DIR/sites.png and
// DIR/history.png.
#include "dialogs/DifferencesModel.h"
#include "dialogs/Prompts.h"
#include "dialogs/SitesModel.h"
#include "dialogs/VersionsModel.h"
#include "dialogs/frmSiteHistory.h"
#include "dialogs/frmSites.h"
#include "fleet/Store.h"
#include "session/PanelSession.h"
#include "sim/Simulator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace {

using M = model::Member;

class QuietPrompts : public Prompts
{
public:
    void message(const QString&, const QString&, PromptIcon) override {}
    bool question(const QString&, const QString&) override { return true; }
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

bool waitFor(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The longest gap between two ticks of a 1 ms timer, less the interval: how long the event loop
// was kept from turning.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double longestMs() const { return double(m_longest) / 1e6 - 1.0; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Notes the first paint of a widget once it shows rows.
class PaintProbe : public QObject
{
public:
    PaintProbe(QWidget* widget, std::function<bool()> ready) : m_ready(std::move(ready))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted && m_ready()) {
            painted = true;
        }
        return false;
    }
    bool painted = false;

private:
    std::function<bool()> m_ready;
};

// A folder for the store: memory-backed when there is one, so filling 100,000 versions measures
// the store's work rather than the disk's flushes.
std::unique_ptr<QTemporaryDir> scratch()
{
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        auto dir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/orvexsites-XXXXXX"));
        if (dir->isValid()) {
            return dir;
        }
    }
    return std::make_unique<QTemporaryDir>();
}

fleet::StoreLocation storeIn(const QTemporaryDir& dir)
{
    fleet::StoreLocation location;
    location.path = dir.filePath(QStringLiteral("fleet.sqlite"));
    return location;
}

bool record(fleet::Store& store, const QString& site, const QDateTime& at,
            const fleet::Values& values)
{
    fleet::Attempt a;
    a.at = at;
    fleet::NewVersion v;
    v.values = values;
    v.by = QStringLiteral("backup@transmitters");
    a.taken = v;
    const auto r = store.record(site, a);
    if (!r.ok()) {
        std::fprintf(stderr, "record: %s\n", qPrintable(r.error->message));
    }
    return r.ok();
}

std::unique_ptr<session::PanelSession> panelSession(const QString& dir)
{
    session::SessionEnvironment env;
    env.programDir = dir;
    env.dataDir = dir;
    return std::make_unique<session::PanelSession>(env);
}

std::unique_ptr<sim::Simulator> simulator(const QString& dir, int port, const fleet::Values& held)
{
    sim::Options o;
    o.linkPath = QDir(dir).filePath(QStringLiteral("ports/COM%1").arg(port));
    auto s = std::make_unique<sim::Simulator>(o);
    QString error;
    if (!s->start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return nullptr;
    }
    sim::State state = s->state();
    state.current = state.night = held;
    s->setState(state);
    return s;
}

int firstPaint(int sites, int versions)
{
    const auto dir = scratch();
    fleet::Store store(storeIn(*dir));
    QElapsedTimer fill;
    fill.start();
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-versions);
    for (int s = 0; s < sites; ++s) {
        const QString name = QStringLiteral("Site %1").arg(s, 4, 10, QLatin1Char('0'));
        if (!store.addSite(name, QStringLiteral("tcp://10.%1.%2.1:4001").arg(s / 250).arg(s % 250))
                 .ok()) {
            return 1;
        }
        fleet::Values v = fleet::initialValues();
        for (int n = 0; n < versions; ++n) {
            v[model::index(M::density)] = 1 + n % 250;
            v[model::index(M::gate)] = 1 + (n * 7 + s) % 250;
            if (!record(store, name, start.addSecs(qint64(n) * 86400), v)) {
                return 1;
            }
            if (n == 0) {
                store.approve(name);
            }
        }
    }
    std::printf("store filled: %d sites x %d versions in %.1f s (%lld bytes a day version)\n",
                sites, versions, double(fill.elapsed()) / 1000.0,
                static_cast<long long>(
                    fleet::Store::storedBytes(*store.latest(QStringLiteral("Site 0000")).value)));

    const auto panel = panelSession(dir->path());
    QuietPrompts prompts;
    fleet::StoreWorker worker(storeIn(*dir));
    fleet::LinkSetup link;
    link.dataDir = dir->path();
    StallMeter stall;
    stall.start();
    QElapsedTimer clock;
    clock.start();
    frmSites window(&worker, link, *panel, prompts);
    PaintProbe probe(window.tblSites->viewport(),
                     [&window] { return window.model()->rowCount() > 0; });
    window.show();
    if (!waitFor([&probe] { return probe.painted; }, 60000)) {
        std::printf("first paint: not within 60 s\n");
        return 1;
    }
    std::printf("first paint over %d sites x %d versions: %lld ms; longest stall meanwhile "
                "%.1f ms\n",
                sites, versions, static_cast<long long>(clock.elapsed()), stall.longestMs());
    return 0;
}

int backupStall(int count)
{
    const auto dir = scratch();
    fleet::Store store(storeIn(*dir));
    std::vector<std::unique_ptr<sim::Simulator>> sims;
    for (int i = 0; i < count; ++i) {
        fleet::Values held = fleet::initialValues();
        held[model::index(M::density)] = 1 + i;
        sims.push_back(simulator(dir->path(), 10 + i, held));
        if (!sims.back() || !store
                                 .addSite(QStringLiteral("Site %1").arg(i, 2, 10, QLatin1Char('0')),
                                          QString::number(10 + i))
                                 .ok()) {
            return 1;
        }
    }
    const auto panel = panelSession(dir->path());
    QuietPrompts prompts;
    fleet::StoreWorker worker(storeIn(*dir));
    fleet::LinkSetup link;
    link.dataDir = dir->path();
    frmSites window(&worker, link, *panel, prompts);
    window.show();
    if (!waitFor([&window, count] { return window.model()->rowCount() == count; }, 30000)) {
        return 1;
    }
    bool finished = false;
    int failed = 0;
    QObject::connect(&window, &frmSites::backupFinished, [&](const fleet::BackupReport& r) {
        finished = true;
        for (const fleet::SiteBackup& s : r.sites) {
            failed += s.outcome == fleet::AttemptOutcome::Failed ? 1 : 0;
        }
    });
    StallMeter stall;
    QElapsedTimer clock;
    stall.start();
    clock.start();
    window.cmdBackupAll->click();
    if (!waitFor([&finished] { return finished; }, 120000)) {
        std::printf("back up all: not within 120 s\n");
        return 1;
    }
    std::printf("back up all over %d simulated sites: %.2f s, %d failed; longest event-loop "
                "stall %.1f ms (target 50 ms)\n",
                count, double(clock.elapsed()) / 1000.0, failed, stall.longestMs());
    return 0;
}

int screenshots(const QString& out)
{
    QTemporaryDir dir;
    fleet::Store store(storeIn(dir));
    struct Plan
    {
        const char* name;
        int port;
        const char* group;
        bool simulated;
    };
    const std::array<Plan, 5> plan{{{"Brno", 11, "south", true},
                                    {"Jihlava", 12, "south", true},
                                    {"Ostrava", 13, "north", false},
                                    {"Plzen", 14, "west", true},
                                    {"Zlin", 15, "south", true}}};
    std::map<int, std::unique_ptr<sim::Simulator>> sims;
    const QDateTime yesterday = QDateTime::currentDateTimeUtc().addSecs(-26 * 3600);
    for (const Plan& p : plan) {
        fleet::Values held = fleet::initialValues();
        held[model::index(M::density)] = 40 + p.port;
        held[model::index(M::mclipdrive)] = 128;
        if (!store.addSite(QLatin1String(p.name), QString::number(p.port), QLatin1String(p.group))
                 .ok() ||
            !record(store, QLatin1String(p.name), yesterday, held)) {
            return 1;
        }
        if (std::string_view(p.name) != "Plzen") {
            store.approve(QLatin1String(p.name));
        }
        if (p.simulated) {
            // Zlin's processor was changed on site since its approval.
            if (std::string_view(p.name) == "Zlin") {
                held[model::index(M::density)] = 180;
                held[model::index(M::gate)] = 60;
                held[model::index(M::HFShift)] = 9;
            }
            sims[p.port] = simulator(dir.path(), p.port, held);
        }
    }
    const auto panel = panelSession(dir.path());
    QuietPrompts prompts;
    fleet::StoreWorker worker(storeIn(dir));
    fleet::LinkSetup link;
    link.dataDir = dir.path();
    link.pool.retry.retries = 0;
    frmSites window(&worker, link, *panel, prompts);
    window.show();
    bool finished = false;
    QObject::connect(&window, &frmSites::backupFinished, [&] { finished = true; });
    if (!waitFor([&window] { return window.model()->rowCount() == 5; }, 30000)) {
        return 1;
    }
    window.cmdBackupAll->click();
    if (!waitFor([&finished] { return finished; }, 60000)) {
        return 1;
    }
    bool shown = false;
    QObject::connect(&window, &frmSites::sitesShown, [&] { shown = true; });
    window.reload();
    waitFor([&shown] { return shown; }, 10000);
    const auto rowOf = [&window](const char* site) {
        return window.proxy()
            ->mapFromSource(window.model()->index(window.model()->rowOf(QLatin1String(site)), 0))
            .row();
    };
    // The drifted site's history; then the first row selected, so the marks of the failed and
    // the drifted rows stay in view.
    window.tblSites->selectRow(rowOf("Zlin"));
    window.cmdHistory->click();
    window.tblSites->selectRow(rowOf("Brno"));
    window.raise();
    window.activateWindow();
    waitFor([] { return false; }, 300);
    if (!window.grab().save(QDir(out).filePath(QStringLiteral("sites.png")))) {
        return 1;
    }
    auto* history = window.findChild<frmSiteHistory*>();
    if (history == nullptr ||
        !waitFor([history] { return history->versions()->rowCount() == 2; }, 10000)) {
        return 1;
    }
    history->move(window.pos() + QPoint(40, 40));
    waitFor([] { return false; }, 300);
    if (!history->grab().save(QDir(out).filePath(QStringLiteral("history.png")))) {
        return 1;
    }
    std::printf("saved %s and %s\n", qPrintable(QDir(out).filePath(QStringLiteral("sites.png"))),
                qPrintable(QDir(out).filePath(QStringLiteral("history.png"))));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption shots(QStringLiteral("screenshots"),
                                   QStringLiteral("Photograph the windows into DIR."),
                                   QStringLiteral("DIR"));
    const QCommandLineOption sites(QStringLiteral("sites"), QStringLiteral("Sites in the store."),
                                   QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption versions(QStringLiteral("versions"),
                                      QStringLiteral("Versions of each site."), QStringLiteral("N"),
                                      QStringLiteral("100"));
    const QCommandLineOption backups(QStringLiteral("backup"),
                                     QStringLiteral("Simulated sites for the backup's stall."),
                                     QStringLiteral("N"), QStringLiteral("32"));
    parser.addOptions({shots, sites, versions, backups});
    parser.process(app);
    if (parser.isSet(shots)) {
        return screenshots(parser.value(shots));
    }
    if (const int r = firstPaint(parser.value(sites).toInt(), parser.value(versions).toInt())) {
        return r;
    }
    return backupStall(parser.value(backups).toInt());
}
