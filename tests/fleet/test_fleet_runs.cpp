// Fleet runs end to end against simulated processors on pseudo-terminals: backups that find new,
// unchanged, changed and failed sites, the busy port tried again, hooks, metrics and the check;
// diff and drift; restore with its read-back; the store's worker thread; the panel's versions.
#include "FleetRunRig.h"
#include "MemoryLine.h"
#include "fleet/BackupRun.h"
#include "fleet/Check.h"
#include "fleet/Compare.h"
#include "fleet/PanelRecorder.h"
#include "fleet/Restore.h"
#include "session/PanelSession.h"
#include "session/PortText.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

using namespace fleetrig;
using fleet::AttemptOutcome;
using Drift = fleet::SiteDrift::State;
using Verification = fleet::RestoreResult::Verification;

namespace {

// Port numbers: 200 and 201 lead to simulators; 202 has no link and falls back to a system port
// no test machine has.
constexpr int kNorth = 200;
constexpr int kSouth = 201;
constexpr int kMissing = 202;

QString outcomes(const fleet::BackupReport& r)
{
    QStringList parts;
    for (const fleet::SiteBackup& s : r.sites) {
        switch (s.outcome) {
        case AttemptOutcome::New:
            parts << QStringLiteral("%1 new %2").arg(s.site).arg(s.version);
            break;
        case AttemptOutcome::Unchanged:
            parts << QStringLiteral("%1 unchanged").arg(s.site);
            break;
        case AttemptOutcome::Changed:
            parts << QStringLiteral("%1 changed %2 (%3)")
                         .arg(s.site)
                         .arg(s.version)
                         .arg(s.differences);
            break;
        case AttemptOutcome::Failed:
            parts << QStringLiteral("%1 failed").arg(s.site);
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString events(const fleet::BackupReport& r)
{
    QStringList parts;
    for (const fleet::SiteEvent& e : r.events) {
        parts << QStringLiteral("%1 %2 %3 %4")
                     .arg(e.site, fleet::eventName(e.kind))
                     .arg(e.version)
                     .arg(e.differences);
    }
    return parts.join(QStringLiteral(", "));
}

// A port that another program holds for the first few opens, then a processor with a day reply.
class BusyLine : public MemoryLine
{
public:
    int busyOpens = 0;
    void open(const lnk::LineSettings& settings) override
    {
        if (busyOpens > 0) {
            --busyOpens;
            ++openAttempts;
            QTimer::singleShot(0, this, [this] {
                Q_EMIT openFailed(lnk::LineFault::PortBusy, QStringLiteral("in use"));
            });
            return;
        }
        MemoryLine::open(settings);
    }
};

} // namespace

class TestFleetRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void backupKeepsVersionsOnlyOnChange_data();
    void backupKeepsVersionsOnlyOnChange();
    void busyPortTriedAgain_data();
    void busyPortTriedAgain();
    void hooksRunOncePerEvent();
    void diffAndDrift();
    void restoreReadsBack_data();
    void restoreReadsBack();
    void restoreOfAFrameTheProcessorIgnores();
    void restoreWhosePortVanishes_data();
    void restoreWhosePortVanishes();
    void restoreSavesWithTheLayoutsCommand_data();
    void restoreSavesWithTheLayoutsCommand();
    void workerAnswersOnTheCallersThread();
    void panelRecordsOnlyWhatItRead();
    void panelAndBackupTakeTurnsOnOnePort();
};

void TestFleetRuns::backupKeepsVersionsOnlyOnChange_data()
{
    QTest::addColumn<std::optional<lnk::Layout>>("answers");
    QTest::addColumn<lnk::Layout>("stored");
    QTest::newRow("processors answering day")
        << std::optional(lnk::Layout::Day) << lnk::Layout::Day;
    QTest::newRow("processors answering night")
        << std::optional(lnk::Layout::Night) << lnk::Layout::Night;
}

void TestFleetRuns::backupKeepsVersionsOnlyOnChange()
{
    QFETCH(std::optional<lnk::Layout>, answers);
    QFETCH(lnk::Layout, stored);
    Rig rig;
    rig.addSimulator(kNorth, answers);
    rig.addSimulator(kSouth, answers);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.direct();
    QVERIFY(store->addSite(QStringLiteral("north"), QString::number(kNorth)).ok());
    QVERIFY(
        store->addSite(QStringLiteral("South"), QString::number(kSouth), QStringLiteral("coast"))
            .ok());
    QVERIFY(
        store->addSite(QStringLiteral("Cape"), QString::number(kMissing), QStringLiteral("coast"))
            .ok());
    rig.hold(kNorth, 8);
    rig.hold(kSouth, 9);

    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    o.note = QStringLiteral("nightly");
    o.metricsPath = rig.dir.filePath(QStringLiteral("fleet.prom"));
    fleet::BackupRun first(o, *rig.worker);
    const auto r1 = Rig::finish(first, &fleet::BackupRun::finished);
    QVERIFY(r1);
    QCOMPARE(outcomes(*r1), QStringLiteral("Cape failed, north new 1, South new 1"));
    QVERIFY2(r1->sites[0].error.contains(QStringLiteral("port missing")),
             qPrintable(r1->sites[0].error));
    QCOMPARE(events(*r1), QStringLiteral("Cape failed 0 0"));

    rig.hold(kNorth, 8, 7);
    fleet::BackupRun second(o, *rig.worker);
    const auto r2 = Rig::finish(second, &fleet::BackupRun::finished);
    QVERIFY(r2);
    QCOMPARE(outcomes(*r2), QStringLiteral("Cape failed, north changed 2 (1), South unchanged"));
    QCOMPARE(events(*r2), QStringLiteral("north changed 2 1"));

    const auto versions = store->versions(QStringLiteral("north")).value;
    QCOMPARE(versions.size(), 2);
    QCOMPARE(versions[1].layout, stored);
    QCOMPARE(versions[1].values[model::index(model::Member::gate)], 8);
    QCOMPARE(versions[1].values[model::index(model::Member::ranges)], 7);
    QCOMPARE(versions[1].note, QStringLiteral("nightly"));
    QCOMPARE(versions[1].source, fleet::Source::Backup);
    QCOMPARE(store->site(QStringLiteral("Cape")).value.status.failures, 2);

    const QByteArray metrics = [&] {
        QFile f(o.metricsPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY2(
        metrics.contains("orvexdab_site_up{site=\"Cape\"} 0\norvexdab_site_up{site=\"north\"} 1\n"),
        metrics.constData());
    QVERIFY(metrics.contains("\norvexdab_backup_duration_seconds "));

    // By group: only the coast.
    o.selection = {{}, QStringLiteral("COAST"), false};
    o.metricsPath.clear();
    fleet::BackupRun coast(o, *rig.worker);
    QCOMPARE(outcomes(*Rig::finish(coast, &fleet::BackupRun::finished)),
             QStringLiteral("Cape failed, South unchanged"));

    const fleet::CheckResult check = fleet::check(*store, {});
    QCOMPARE(check.state, fleet::CheckState::Critical);
    QVERIFY2(
        check.line.startsWith(QStringLiteral("ORVEXDAB CRITICAL - 3 sites, 1 not backed up within "
                                             "50 h (Cape), 1 failed (Cape), 0 drifted | ")),
        qPrintable(check.line));
}

void TestFleetRuns::busyPortTriedAgain_data()
{
    QTest::addColumn<int>("busyOpens");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("opens");
    // A new site's reply is read twice before it is kept.
    QTest::newRow("busy three times: the fourth try reads") << 3 << "North new 1" << 5;
    QTest::newRow("busy four times: failed") << 4 << "North failed" << 4;
}

void TestFleetRuns::busyPortTriedAgain()
{
    QFETCH(int, busyOpens);
    QFETCH(QString, outcome);
    QFETCH(int, opens);
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    BusyLine line;
    line.busyOpens = busyOpens;
    line.nextReply = QByteArray(42, char(1));
    QVERIFY(rig.direct()->addSite(QStringLiteral("North"), QStringLiteral("7")).ok());
    fleet::BackupOptions o;
    o.selection.names = {QStringLiteral("north")};
    o.link = rig.link;
    o.link.lines = &line;
    fleet::BackupRun run(o, *rig.worker);
    const auto r = Rig::finish(run, &fleet::BackupRun::finished);
    QVERIFY(r);
    QCOMPARE(outcomes(*r), outcome);
    QCOMPARE(line.openAttempts, opens);
}

void TestFleetRuns::hooksRunOncePerEvent()
{
    Rig rig;
    rig.addSimulator(kNorth);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.direct();
    QVERIFY(store->addSite(QStringLiteral("North Hill"), QString::number(kNorth)).ok());
    QVERIFY(store->addSite(QStringLiteral("Cape"), QString::number(kMissing)).ok());
    const QString log = rig.dir.filePath(QStringLiteral("events.txt"));
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    // The site name reaches the hook only through its environment.
    o.hookCommand = QStringLiteral("printf '%s|%s|%s|%s\\n' \"$ORVEXDAB_SITE\" \"$ORVEXDAB_EVENT\" "
                                   "\"$ORVEXDAB_VERSION\" \"$ORVEXDAB_DIFFERENCES\" >> '%1'; "
                                   "[ \"$ORVEXDAB_EVENT\" != failed ]")
                        .arg(log);
    const auto backup = [&] {
        fleet::BackupRun run(o, *rig.worker);
        return Rig::finish(run, &fleet::BackupRun::finished);
    };
    rig.hold(kNorth, 8);
    const auto r1 = backup();
    QVERIFY(r1);
    QCOMPARE(r1->hookFailures.size(), 1);
    QCOMPARE(r1->hookFailures[0].message, QStringLiteral("exited with status 1"));
    QVERIFY(store->approve(QStringLiteral("North Hill")).ok());
    rig.hold(kNorth, 9);
    QVERIFY(backup()); // changed and drift; Cape still failing: no second event
    rig.hold(kNorth, 10);
    QVERIFY(backup()); // changed, still drifting
    QVERIFY(store->changeSite(QStringLiteral("Cape"), {QString::number(kNorth + 5), {}, {}}).ok());
    rig.addSimulator(kNorth + 5);
    QVERIFY(backup()); // Cape recovered
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    // Hooks of one run may run side by side: their order is not kept.
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines, QStringList({"Cape|failed||", "Cape|recovered|1|", "North Hill|changed|2|1",
                                 "North Hill|changed|3|1", "North Hill|drift|2|1"}));

    // A hook that hangs is stopped at its limit and reported.
    o.hookCommand = QStringLiteral("sleep 30");
    o.hookLimit = 200ms;
    rig.hold(kNorth, 11);
    const auto hung = backup();
    QVERIFY(hung);
    QCOMPARE(hung->hookFailures.size(), 1);
    QCOMPARE(hung->hookFailures[0].message, QStringLiteral("did not end within 0.2 s"));
    QCOMPARE(outcomes(*hung), QStringLiteral("Cape unchanged, North Hill changed 4 (1)"));
}

void TestFleetRuns::diffAndDrift()
{
    Rig rig;
    rig.addSimulator(kNorth);
    rig.addSimulator(kSouth);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.direct();
    const QString n = QStringLiteral("North");
    QVERIFY(store->addSite(n, QString::number(kNorth)).ok());
    QVERIFY(store->addSite(QStringLiteral("South"), QString::number(kSouth)).ok());
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    const auto backup = [&] {
        fleet::BackupRun run(o, *rig.worker);
        return Rig::finish(run, &fleet::BackupRun::finished);
    };
    rig.hold(kNorth, 8);
    QVERIFY(backup());
    QVERIFY(store->approve(n).ok());
    rig.hold(kNorth, 9, 100);
    QVERIFY(backup());

    const auto diff = [&](std::optional<fleet::DiffSideChoice> a,
                          std::optional<fleet::DiffSideChoice> b) {
        fleet::DiffRun run(n, a, b, rig.link, *rig.worker);
        return *Rig::finish(run, &fleet::DiffRun::finished);
    };
    const auto d = diff(std::nullopt, std::nullopt);
    QVERIFY(d.ok());
    QCOMPARE(d.a.label(), QStringLiteral("version 1"));
    QCOMPARE(d.b.label(), QStringLiteral("version 2"));
    QCOMPARE(d.differences, (QList<session::Difference>{{model::Member::gate, 8, 9},
                                                        {model::Member::ranges, 255, 100}}));

    rig.hold(kNorth, 9, 101);
    const auto live = diff(fleet::parseDiffSide(QStringLiteral("reference")),
                           fleet::parseDiffSide(QStringLiteral("live")));
    QVERIFY2(live.ok(), qPrintable(live.liveError));
    QCOMPARE(live.a.label(), QStringLiteral("reference (version 1)"));
    QCOMPARE(live.differences, (QList<session::Difference>{{model::Member::gate, 8, 9},
                                                           {model::Member::ranges, 255, 101}}));
    QCOMPARE(diff(fleet::parseDiffSide(QStringLiteral("7")), std::nullopt).error->kind,
             fleet::StoreErrorKind::UnknownVersion);
    QVERIFY(!fleet::parseDiffSide(QStringLiteral("latest")));

    const auto drift = [&](bool isLive) {
        fleet::DriftRun run({{}, {}, true}, isLive, rig.link, *rig.worker);
        return *Rig::finish(run, &fleet::DriftRun::finished);
    };
    const auto stored = drift(false);
    QCOMPARE(stored.sites.size(), 2);
    QCOMPARE(stored.sites[0].state, Drift::Drift);
    QCOMPARE(stored.sites[0].differences.size(), 2);
    QCOMPARE(stored.sites[1].state, Drift::NoReference);
    QVERIFY(stored.anyTrouble());
    QVERIFY(store->approve(n).ok());
    QVERIFY(store->approve(QStringLiteral("South")).ok());
    QVERIFY(!drift(false).anyTrouble());
    const auto now = drift(true);
    QCOMPARE(now.sites[0].state, Drift::Drift);
    QCOMPARE(now.sites[0].differences,
             (QList<session::Difference>{{model::Member::ranges, 100, 101}}));
    QCOMPARE(now.sites[1].state, Drift::NoDrift);

    // A group's sound as reference: North runs it, South does not.
    fleet::SoundReference sound;
    sound.values[model::index(model::Member::gate)] = 9;
    sound.values[model::index(model::Member::ranges)] = 101;
    sound.origin = QStringLiteral("coast.DAB");
    QVERIFY(store->approveSound({{}, {}, true, false}, sound).ok());
    const auto coast = drift(true);
    QCOMPARE(coast.sites[0].state, Drift::NoDrift);
    QCOMPARE(coast.sites[0].reference, 0);
    QCOMPARE(coast.sites[0].referenceOrigin, QStringLiteral("coast.DAB"));
    QCOMPARE(coast.sites[1].state, Drift::Drift);
    const auto fromSound = diff(fleet::parseDiffSide(QStringLiteral("reference")),
                                fleet::parseDiffSide(QStringLiteral("2")));
    QVERIFY(fromSound.ok());
    QCOMPARE(fromSound.a.label(), QStringLiteral("reference (from coast.DAB)"));
    QCOMPARE(fromSound.differences,
             (QList<session::Difference>{{model::Member::ranges, 101, 100}}));
}

void TestFleetRuns::restoreReadsBack_data()
{
    QTest::addColumn<std::optional<lnk::Layout>>("answers");
    QTest::addColumn<lnk::Layout>("version");
    QTest::addColumn<Verification>("verification");
    QTest::addColumn<QString>("notVerified");
    QTest::newRow("day version, day processor")
        << std::optional(lnk::Layout::Day) << lnk::Layout::Day << Verification::Verified << "";
    QTest::newRow("night version, night processor")
        << std::optional(lnk::Layout::Night) << lnk::Layout::Night << Verification::Verified << "";
    QTest::newRow("night version, processor answering day")
        << std::optional(lnk::Layout::Day) << lnk::Layout::Night << Verification::OtherBlock
        << "sent, not verified: the processor answers with its day block";
}

void TestFleetRuns::restoreReadsBack()
{
    QFETCH(std::optional<lnk::Layout>, answers);
    QFETCH(lnk::Layout, version);
    QFETCH(Verification, verification);
    QFETCH(QString, notVerified);
    Rig rig;
    sim::Simulator& processor = rig.addSimulator(kNorth, answers);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.direct();
    const QString n = QStringLiteral("North");
    QVERIFY(store->addSite(n, QString::number(kNorth)).ok());
    fleet::NewVersion v = storerig::dayVersion(42, 17);
    v.layout = version;
    QVERIFY(store->record(n, storerig::success(v)).ok());
    rig.hold(kNorth, 5);

    fleet::RestoreRequest request{n, 1, true, rig.link, QStringLiteral("op@desk")};
    fleet::RestoreRun run(request, *rig.worker);
    const auto r = Rig::finish(run, &fleet::RestoreRun::finished);
    QVERIFY(r);
    QVERIFY2(r->sendError.isEmpty() && r->readBackError.isEmpty(),
             qPrintable(r->sendError + r->readBackError));
    QVERIFY2(r->verification == verification,
             qPrintable(processor.log().lines().join(QLatin1Char('\n'))));
    QCOMPARE(r->notVerifiedText(), notVerified);
    QCOMPARE(r->readBackVersion, 2);
    QVERIFY(r->saveSent);
    const fleet::Version back = store->version(n, 2).value;
    QCOMPARE(back.source, fleet::Source::Restore);
    QCOMPARE(back.note, QStringLiteral("restored from version 1"));
    QCOMPARE(back.by, QStringLiteral("op@desk"));
    const sim::State held = processor.state();
    const sim::Values& block = version == lnk::Layout::Day ? held.current : held.night;
    QCOMPARE(block[model::index(model::Member::gate)], 42);
    QCOMPARE(block[model::index(model::Member::ranges)], 17);
}

void TestFleetRuns::restoreOfAFrameTheProcessorIgnores()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    MemoryLine line;
    line.nextReply = QByteArray(42, char(1));
    auto store = rig.direct();
    QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("7")).ok());
    QVERIFY(
        store->record(QStringLiteral("North"), storerig::success(storerig::dayVersion(42))).ok());
    fleet::LinkSetup link = rig.link;
    link.lines = &line;
    fleet::RestoreRun run({QStringLiteral("North"), 1, true, link, QStringLiteral("op@desk")},
                          *rig.worker);
    const auto r = Rig::finish(run, &fleet::RestoreRun::finished);
    QVERIFY(r);
    QCOMPARE(r->verification, Verification::Differs);
    QVERIFY(!r->ok());
    QVERIFY(r->differences.contains(session::Difference{model::Member::gate, 42, 1}));
    // Values the processor refused are not saved; what it holds instead was read twice.
    QCOMPARE(line.exchanges.size(), 3);
    QCOMPARE(line.exchanges[0].written.size(), 42);
    QCOMPARE(quint8(line.exchanges[0].written[0]), quint8(126));
    QCOMPARE(quint8(line.exchanges[0].written[1]), quint8(42));
}

void TestFleetRuns::restoreWhosePortVanishes_data()
{
    QTest::addColumn<bool>("danglingLink");
    QTest::newRow("an adapter unplugged: the link goes") << false;
    QTest::newRow("a processor killed: its link stays, leading nowhere") << true;
}

// The device behind a site's ports/ link vanishes between the frame and the read-back: the
// restore ends with what it knows (sent, not read back), stores nothing, and reads nothing of an
// exchange that is gone.
void TestFleetRuns::restoreWhosePortVanishes()
{
    QFETCH(bool, danglingLink);
    Rig rig;
    rig.addSimulator(kNorth);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    auto store = rig.direct();
    const QString n = QStringLiteral("North");
    QVERIFY(store->addSite(n, QString::number(kNorth)).ok());
    QVERIFY(store->record(n, storerig::success(storerig::dayVersion(42, 17))).ok());
    rig.hold(kNorth, 5);

    fleet::RestoreRun run({n, 1, false, rig.link, QStringLiteral("op@desk")}, *rig.worker);
    QSignalSpy finished(&run, &fleet::RestoreRun::finished);
    run.start();
    const QString link = QDir(rig.dir.path()).filePath(QStringLiteral("ports/COM%1").arg(kNorth));
    // The frame has been taken once the processor holds the version's gate, and the send has
    // ended once line.log has its line: the device goes then, within the read-back's frame gap.
    const QString lineLog = QDir(rig.dir.path()).filePath(QStringLiteral("line.log"));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return rig.simulators.at(kNorth)->state().current[model::index(model::Member::gate)] ==
                       42 &&
                   QFileInfo(lineLog).size() > 0;
        },
        kRunLimitMs));
    rig.simulators.erase(kNorth);
    if (danglingLink) {
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/orvex-gone"), link));
    }
    QVERIFY(finished.wait(kRunLimitMs));
    const auto r = finished.first().first().value<fleet::RestoreResult>();
    QVERIFY2(r.sendError.isEmpty(), qPrintable(r.sendError));
    QVERIFY(!r.readBackError.isEmpty());
    QCOMPARE(r.verification, Verification::NotReached);
    QCOMPARE(r.readBackVersion, 0);
    QCOMPARE(store->versions(n).value.size(), 1);
}

void TestFleetRuns::restoreSavesWithTheLayoutsCommand_data()
{
    QTest::addColumn<lnk::Layout>("version");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<QByteArray>("frameStart");
    QTest::addColumn<QByteArray>("save");
    QTest::addColumn<QString>("notVerified");
    QTest::newRow("day version: saveday")
        << lnk::Layout::Day << 25 << QByteArray("\x7e\x2a\x11") << QByteArray("\x91")
        << "sent, not verified: the processor answers with its night block";
    QTest::newRow("night version: savenight")
        << lnk::Layout::Night << 42 << QByteArray("\x7e\x2a\x11") << QByteArray("\x95")
        << "sent, not verified: the processor answers with its day block";
}

void TestFleetRuns::restoreSavesWithTheLayoutsCommand()
{
    QFETCH(lnk::Layout, version);
    QFETCH(int, replyLength);
    QFETCH(QByteArray, frameStart);
    QFETCH(QByteArray, save);
    QFETCH(QString, notVerified);
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    MemoryLine line;
    line.nextReply = QByteArray(replyLength, char(1));
    auto store = rig.direct();
    QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("7")).ok());
    fleet::NewVersion v = storerig::dayVersion(42, 17);
    v.layout = version;
    QVERIFY(store->record(QStringLiteral("North"), storerig::success(v)).ok());
    fleet::LinkSetup link = rig.link;
    link.lines = &line;
    fleet::RestoreRun run({QStringLiteral("North"), 1, true, link, QStringLiteral("op@desk")},
                          *rig.worker);
    const auto r = Rig::finish(run, &fleet::RestoreRun::finished);
    QVERIFY(r);
    QCOMPARE(r->notVerifiedText(), notVerified);
    QVERIFY(!r->ok());
    // The other block's reply is no verdict: read twice before it is said.
    QCOMPARE(line.exchanges.size(), 4);
    QVERIFY(line.exchanges[0].written.startsWith(frameStart));
    QCOMPARE(line.exchanges[1].written, QByteArray("\xe2"));
    QCOMPARE(line.exchanges[2].written, QByteArray("\xe2"));
    QCOMPARE(line.exchanges[3].written, save);
    QVERIFY(r->saveSent);
}

void TestFleetRuns::workerAnswersOnTheCallersThread()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QThread* ranOn = nullptr;
    QThread* answeredOn = nullptr;
    fleet::StoreResult<QList<fleet::Site>> answer;
    QObject context;
    rig.worker->call<fleet::StoreResult<QList<fleet::Site>>>(
        &context,
        [&](fleet::Store& s) {
            ranOn = QThread::currentThread();
            return s.sites();
        },
        [&](const fleet::StoreResult<QList<fleet::Site>>& r) {
            answeredOn = QThread::currentThread();
            answer = r;
        });
    QVERIFY(QTest::qWaitFor([&] { return answeredOn != nullptr; }, kRunLimitMs));
    QVERIFY(ranOn != QThread::currentThread());
    QCOMPARE(answeredOn, QThread::currentThread());
    QCOMPARE(answer.error->kind, fleet::StoreErrorKind::Missing);
}

namespace {

QByteArray dayReply(int gate)
{
    model::ParameterSet set;
    set.assign(model::Member::gate, gate);
    return lnk::encodeReply(lnk::Layout::Day, set);
}

lnk::ExchangeResult panelUpload(int gate)
{
    lnk::ExchangeResult upload;
    upload.kind = lnk::ExchangeKind::UploadByLength;
    upload.layout = lnk::Layout::Day;
    upload.received = dayReply(gate);
    return upload;
}

lnk::ExchangeResult panelSend(int gate)
{
    model::ParameterSet set;
    set.assign(model::Member::gate, gate);
    lnk::ExchangeResult send;
    send.kind = lnk::ExchangeKind::SendDay;
    send.sent = lnk::encodeFrame(lnk::Layout::Day, set);
    return send;
}

} // namespace

// What the panel did on a site's port reaches the history only as the processor was read to
// hold it: a frame the processor did not take stores nothing, a compare that finds the record
// stores nothing and leaves the last change alone.
void TestFleetRuns::panelRecordsOnlyWhatItRead()
{
    Rig rig;
    rig.addSimulator(kNorth);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY(rig.direct()->addSite(QStringLiteral("North"), QString::number(kNorth)).ok());
    rig.hold(kNorth, 9);
    fleet::PanelRecorder recorder(*rig.worker, rig.link, QStringLiteral("op@desk"));
    QSignalSpy recorded(&recorder, &fleet::PanelRecorder::recorded);
    const auto versions = [&] { return rig.direct()->versions(QStringLiteral("North")).value; };

    recorder.exchangeFinished({kNorth + 1, {}}, panelUpload(9)); // no site there
    recorder.exchangeFinished({kNorth, {}}, panelUpload(9));
    QVERIFY(recorded.wait(kRunLimitMs));
    QCOMPARE(versions().size(), 1);
    QCOMPARE(versions()[0].source, fleet::Source::Panel);
    QCOMPARE(versions()[0].by, QStringLiteral("op@desk"));
    QCOMPARE(versions()[0].values[model::index(model::Member::gate)], 9);
    const auto lastChange = rig.direct()->site(QStringLiteral("North")).value.status.lastChange;

    // A compare that finds what the record holds.
    recorder.exchangeFinished({kNorth, {}}, panelUpload(9));
    QVERIFY(!recorded.wait(1500));
    // A frame the processor did not take: it still holds 9.
    recorder.exchangeFinished({kNorth, {}}, panelSend(7));
    QVERIFY(recorded.wait(kRunLimitMs));
    QCOMPARE(versions().size(), 1);
    QCOMPARE(rig.direct()->site(QStringLiteral("North")).value.status.lastChange, lastChange);

    // A frame it took.
    rig.hold(kNorth, 12);
    recorder.exchangeFinished({kNorth, {}}, panelSend(12));
    QVERIFY(recorded.wait(kRunLimitMs));
    QCOMPARE(versions().size(), 2);
    QCOMPARE(versions()[1].values[model::index(model::Member::gate)], 12);
    QCOMPARE(versions()[1].source, fleet::Source::Panel);
}

QTEST_GUILESS_MAIN(TestFleetRuns)
// The panel's upload and a backup of the site on the panel's port, started together: one waits
// for the other, and neither meets "port busy" from the other.
void TestFleetRuns::panelAndBackupTakeTurnsOnOnePort()
{
    Rig rig;
    rig.addSimulator(kNorth);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY(rig.direct()->addSite(QStringLiteral("north"), QString::number(kNorth)).ok());
    rig.hold(kNorth, 8);

    session::SessionEnvironment env;
    env.programDir = rig.dir.path();
    env.dataDir = rig.dir.path();
    session::PanelSession panel(env);
    panel.setPortNo(kNorth);
    QSignalSpy panelDone(&panel, &session::PanelSession::exchangeFinished);
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    fleet::BackupRun backup(o, *rig.worker);
    QSignalSpy backupDone(&backup, &fleet::BackupRun::finished);

    panel.uploadDay();
    backup.start();
    QVERIFY(panelDone.wait(kRunLimitMs));
    const auto result = panelDone.first().first().value<lnk::ExchangeResult>();
    QVERIFY2(result.ok(), qPrintable(session::failureText(result)));
    QCOMPARE(panel.params().value(model::Member::gate), 8);
    QVERIFY(backupDone.count() == 1 || backupDone.wait(kRunLimitMs));
    const auto report = backupDone.first().first().value<fleet::BackupReport>();
    QCOMPARE(outcomes(report), QStringLiteral("north new 1"));
}

#include "test_fleet_runs.moc"
