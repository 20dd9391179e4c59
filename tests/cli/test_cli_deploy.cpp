// orvexdab-cli deploy against simulated processors: which sites are sent what, in which order a
// run stops, what it leaves in the store, and how it is reverted.
#include "FleetSamples.h"

#include <QJsonArray>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace clirig;

namespace {

// Frames a simulator received, taken or not.
int frames(const sim::Simulator& s)
{
    int n = 0;
    for (const QString& line : s.log().lines()) {
        n += int(line.contains(QLatin1String("day frame")) ||
                 line.contains(QLatin1String("night frame")));
    }
    return n;
}

QList<int> framesOf(const Rig& rig)
{
    QList<int> counts;
    for (const auto& [n, s] : rig.simulators) {
        counts << frames(*s);
    }
    return counts;
}

bool saved(const sim::Simulator& s)
{
    return s.log().lines().join(QLatin1Char('\n')).contains(QLatin1String("Saveday"));
}

// Sites A1, A2, A3 on simulators 1..3, each holding A and backed up once; B.DAB beside them.
bool fleetHoldingA(Rig& rig, int sites = 3)
{
    bool ok = rig.write(QStringLiteral("B.DAB"), kFileB);
    for (int n = 1; n <= sites; ++n) {
        rig.addSimulator(n);
        ok = ok && rig.hold(n, kFileA) &&
             rig.run({"site", "add", QStringLiteral("A%1").arg(n), QString::number(n), "--group",
                      "coast"})
                     .exitCode == 0;
    }
    return ok && rig.run({"backup", "--all"}).exitCode == 0;
}

// The tool started in the background while the processor of A1 answers slowly (still within
// its reply time), so that a test can catch the run while it is under way.
bool startBehindASlowSite(Rig& rig, QProcess& run, const QStringList& arguments)
{
    sim::Settings slow = rig.simulators.at(1)->settings();
    slow.reaction = 400ms;
    rig.simulators.at(1)->setSettings(slow);
    run.setWorkingDirectory(rig.dir.path());
    run.start(rig.program, arguments);
    return run.waitForStarted();
}

} // namespace

class TestCliDeploy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stagesAndStops_data();
    void stagesAndStops();
    void offATerminalWithoutYesSendsNothing();
    void revertReturnsEachReachedSite();
    void groupSoundAsReference();
    void nightSourceNeedsNight();
    void oneDeployAtATimeOnASite();
    void aRunKilledHalfWayIsReverted();
    void hooksHearDeployedNotChanged();
};

void TestCliDeploy::stagesAndStops_data()
{
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<int>("faulty"); // the simulator that does not take frames
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<int>>("framesSent");
    QTest::addColumn<QList<bool>>("savedAt");

    QTest::newRow("every site verified, the versions stored and saved")
        << QStringList{"--save"} << 0 << 0
        << QStringList{"A1: verified, version 2, saved", "A2: verified, version 2, saved",
                       "A3: verified, version 2, saved", "deploy 1: 3 verified"}
        << QList<int>{1, 1, 1} << QList<bool>{true, true, true};
    QTest::newRow("a canary not verified stops the run, nothing else sent")
        << QStringList{"--save"} << 1 << 1
        << QStringList{"A1: sent, not verified (2 differences)", "A2: not sent (stopped after A1)",
                       "A3: not sent (stopped after A1)",
                       "deploy 1: 1 not verified, 2 not sent (stopped after A1)"}
        << QList<int>{1, 0, 0} << QList<bool>{false, false, false};
    QTest::newRow("a failure after the canaries starts no new site")
        << QStringList{"--parallel", "1"} << 2 << 1
        << QStringList{"A1: verified, version 2", "A2: sent, not verified (2 differences)",
                       "A3: not sent (stopped after A2)",
                       "deploy 1: 1 verified, 1 not verified, 1 not sent (stopped after A2)"}
        << QList<int>{1, 1, 0} << QList<bool>{false, false, false};
    QTest::newRow("--continue goes on, --save only where verified")
        << QStringList{"--continue", "--save", "--parallel", "1"} << 2 << 1
        << QStringList{"A1: verified, version 2, saved", "A2: sent, not verified (2 differences)",
                       "A3: verified, version 2, saved", "deploy 1: 2 verified, 1 not verified"}
        << QList<int>{1, 1, 1} << QList<bool>{true, false, true};
    QTest::newRow("no canary: every site at once")
        << QStringList{"--canary", "0", "--continue"} << 1 << 1
        << QStringList{"A1: sent, not verified (2 differences)", "A2: verified, version 2",
                       "A3: verified, version 2", "deploy 1: 2 verified, 1 not verified"}
        << QList<int>{1, 1, 1} << QList<bool>{false, false, false};
}

void TestCliDeploy::stagesAndStops()
{
    QFETCH(QStringList, flags);
    QFETCH(int, faulty);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    QFETCH(QList<int>, framesSent);
    QFETCH(QList<bool>, savedAt);
    Rig rig;
    QVERIFY(fleetHoldingA(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    if (faulty > 0) {
        sim::Settings s = rig.simulators.at(faulty)->settings();
        s.ignoreFrames = true;
        rig.simulators.at(faulty)->setSettings(s);
    }

    const Run r = rig.run(QStringList{"deploy", "B.DAB", "--group", "coast", "--yes"} + flags);
    QCOMPARE(r.exitCode, exitCode);
    // The preview first, then each site as it ends (sites at once may end in any order).
    const QStringList out = r.lines();
    QCOMPARE(out.mid(0, 3),
             (QStringList{"A1: 2 differences", "A2: 2 differences", "A3: 2 differences"}));
    QStringList results = out.mid(3);
    const QString summary = results.isEmpty() ? QString() : results.takeLast();
    results.sort();
    QCOMPARE(results + QStringList{summary}, lines);
    QCOMPARE(framesOf(rig), framesSent);
    for (int n = 1; n <= 3; ++n) {
        QCOMPARE(saved(*rig.simulators.at(n)), savedAt[n - 1]);
    }

    // The run as the store keeps it: each site's version before and after, and its outcome.
    const QList<QJsonObject> runs = jsonLines(rig.run({"--json", "deploys"}));
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].value("source").toString(), QStringLiteral("B.DAB"));
    const QJsonArray sites = runs[0].value("sites").toArray();
    QCOMPARE(sites.size(), 3);
    for (const QJsonValue& v : sites) {
        const QJsonObject site = v.toObject();
        QCOMPARE(site.value("before").toInt(), 1);
        const QString outcome = site.value("outcome").toString();
        QCOMPARE(site.value("after").isNull(), outcome == QLatin1String("not sent"));
    }
    // A verified site's read-back is a version of source deploy.
    if (exitCode == 0) {
        const QList<QJsonObject> history = jsonLines(rig.run({"--json", "history", "A2"}));
        QCOMPARE(history.size(), 2);
        QCOMPARE(history[1].value("source").toString(), QStringLiteral("deploy"));
    }
}

void TestCliDeploy::offATerminalWithoutYesSendsNothing()
{
    Rig rig;
    QVERIFY(fleetHoldingA(rig, 2));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int before = received(rig);
    const Run r = rig.run({"deploy", "B.DAB", "--all"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("deploy needs --yes when standard input is not a "
                                           "terminal")),
             qPrintable(r.err));
    QTest::qWait(200);
    QCOMPARE(received(rig), before);
    QCOMPARE(rig.run({"deploys"}).out, QStringLiteral("no deploys\n"));
}

void TestCliDeploy::revertReturnsEachReachedSite()
{
    Rig rig;
    QVERIFY(fleetHoldingA(rig, 2));
    // A3 joins after the backup: it has no version to go back to.
    rig.addSimulator(3);
    QVERIFY(rig.hold(3, kFileA));
    QCOMPARE(rig.run({"site", "add", "A3", "3"}).exitCode, 0);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"deploy", "B.DAB", "--all", "--yes", "--note", "spring"}).exitCode, 0);
    for (int n = 1; n <= 3; ++n) {
        QCOMPARE(sim::valueOf(rig.simulators.at(n)->state().current, model::Member::gate), 9);
    }

    const Run r = rig.run({"--json", "deploy", "--revert", "1", "--yes"});
    QCOMPARE(r.exitCode, 0);
    QList<QJsonObject> results = jsonLines(r);
    QCOMPARE(results.size(), 4);
    const QJsonObject summary = results.takeLast();
    QCOMPARE(summary.value("deploy").toInt(), 2);
    QCOMPARE(summary.value("ok").toBool(), true);
    std::sort(results.begin(), results.end(), [](const QJsonObject& a, const QJsonObject& b) {
        return a.value("site").toString() < b.value("site").toString();
    });
    QCOMPARE(results[0].value("outcome").toString(), QStringLiteral("verified"));
    QCOMPARE(results[0].value("version").toInt(), 3);
    QCOMPARE(results[2].value("outcome").toString(), QStringLiteral("nothing to revert to"));
    QCOMPARE(sim::valueOf(rig.simulators.at(1)->state().current, model::Member::gate), 8);
    QCOMPARE(sim::valueOf(rig.simulators.at(2)->state().current, model::Member::gate), 8);
    QCOMPARE(sim::valueOf(rig.simulators.at(3)->state().current, model::Member::gate), 9);

    // Newest first, each line beginning with its run's id.
    const QStringList runs = rig.run({"deploys"}).lines();
    QCOMPARE(runs.size(), 2);
    QVERIFY2(runs[0].startsWith(QStringLiteral("2  ")) && runs[0].contains("revert 1"),
             qPrintable(runs[0]));
    QVERIFY2(runs[1].startsWith(QStringLiteral("1  ")) && runs[1].endsWith("spring"),
             qPrintable(runs[1]));
}

// A group's sound as every site's reference: drift says which site does not run it, and a
// deploy of the reference puts it there.
void TestCliDeploy::groupSoundAsReference()
{
    Rig rig;
    QVERIFY(fleetHoldingA(rig, 2));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY(rig.hold(2, kFileB));
    Run r = rig.run({"approve", "--group", "coast", "--sound", "B.DAB"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("A1: the day reference is B.DAB\n"
                                   "A2: the day reference is B.DAB\n"));
    r = rig.run({"drift", "--group", "coast", "--live"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.out.startsWith(QStringLiteral("A1: drift: 2 differences (day layout)\n")),
             qPrintable(r.out));
    QVERIFY2(r.out.endsWith(QStringLiteral("A2: no drift\n")), qPrintable(r.out));
    QVERIFY2(rig.run({"history", "A1"}).out.contains(QStringLiteral("B.DAB")),
             "the history says where the reference came from");

    QCOMPARE(rig.run({"deploy", "A2:reference", "--group", "coast", "--yes"}).exitCode, 0);
    r = rig.run({"drift", "--group", "coast", "--live"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("A1: no drift\nA2: no drift\n"));
}

void TestCliDeploy::nightSourceNeedsNight()
{
    Rig rig;
    rig.addSimulator(1, lnk::Layout::Night);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "North", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    const int before = received(rig);
    const Run refused = rig.run({"deploy", "North:1", "North", "--yes"});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("North:1 is a night version")),
             qPrintable(refused.err));
    QTest::qWait(200);
    QCOMPARE(received(rig), before);

    const Run sent = rig.run({"deploy", "North:1", "North", "--night", "--yes"});
    QCOMPARE(sent.exitCode, 0);
    QVERIFY2(sent.out.contains(QStringLiteral("North: verified, version 1\n")),
             qPrintable(sent.out));
    QCOMPARE(frames(*rig.simulators.at(1)), 1);
}

// A site in a running deploy is left alone by a second one, which says whose it is. The first
// run is held still (stopped, not dead) once it has begun, so its lease stays its own.
void TestCliDeploy::oneDeployAtATimeOnASite()
{
    Rig rig;
    QVERIFY(fleetHoldingA(rig, 2));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QProcess first;
    QVERIFY(startBehindASlowSite(rig, first, {"deploy", "B.DAB", "A1", "--yes"}));
    QTRY_VERIFY_WITH_TIMEOUT(rig.run({"deploys"}).out.startsWith(QStringLiteral("1  ")), 10000);
    QCOMPARE(::kill(pid_t(first.processId()), SIGSTOP), 0);
    const Run second = rig.run({"deploy", "B.DAB", "--all", "--yes", "--canary", "0"});
    QCOMPARE(::kill(pid_t(first.processId()), SIGCONT), 0);
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode, 1);
    QVERIFY2(second.out.contains(QStringLiteral("A1: not sent (deploy 1 running)\n")),
             qPrintable(second.out));
    QVERIFY2(second.out.contains(QStringLiteral("A2: verified")), qPrintable(second.out));
    // Once the first has ended, its sites are free again.
    QCOMPARE(rig.run({"deploy", "B.DAB", "A1", "--yes"}).exitCode, 0);
}

// A run killed while a site's frame may be out leaves that row at sending: its revert reaches
// that site (its lease went with its process) and no other.
void TestCliDeploy::aRunKilledHalfWayIsReverted()
{
    Rig rig;
    QVERIFY(fleetHoldingA(rig, 2));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QProcess run;
    QVERIFY(startBehindASlowSite(rig, run, {"deploy", "B.DAB", "--all", "--yes"}));
    const auto sending = [&rig] {
        const QList<QJsonObject> runs = jsonLines(rig.run({"--json", "deploys"}));
        return !runs.isEmpty() && runs[0].value("sites").toArray().at(0).toObject().value(
                                      "outcome") == QLatin1String("sending");
    };
    QTRY_VERIFY_WITH_TIMEOUT(sending(), 10000);
    run.kill();
    QVERIFY(run.waitForFinished(5000));
    QVERIFY2(rig.run({"deploys"}).out.contains(QStringLiteral("not ended")), "the run's end");
    const int framesAtTwo = frames(*rig.simulators.at(2));
    QCOMPARE(framesAtTwo, 0);

    const Run revert = rig.run({"deploy", "--revert", "1", "--yes"});
    QCOMPARE(revert.exitCode, 0);
    QCOMPARE(revert.lines(),
             (QStringList{"A1: same values", "A1: verified, version 1", "deploy 2: 1 verified"}));
    QCOMPARE(frames(*rig.simulators.at(2)), 0);
    QCOMPARE(sim::valueOf(rig.simulators.at(1)->state().current, model::Member::gate), 8);
}

void TestCliDeploy::hooksHearDeployedNotChanged()
{
    Rig rig;
    QVERIFY(fleetHoldingA(rig, 2));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY(rig.write(QStringLiteral("fleet.ini"),
                      "[fleet]\non_change=env | grep '^ORVEXDAB_' | sort > "
                      "\"hook-$ORVEXDAB_SITE-$ORVEXDAB_EVENT.txt\"\n"));
    QCOMPARE(rig.run({"deploy", "B.DAB", "--all", "--yes"}).exitCode, 0);
    QCOMPARE(rig.read(QStringLiteral("hook-A1-deployed.txt")),
             QByteArray("ORVEXDAB_DEPLOY=1\nORVEXDAB_DIFFERENCES=2\nORVEXDAB_EVENT=deployed\n"
                        "ORVEXDAB_SITE=A1\nORVEXDAB_VERSION=2\n"));
    const QStringList hooks =
        QDir(rig.dir.path()).entryList({QStringLiteral("hook-*")}, QDir::Files, QDir::Name);
    QCOMPARE(hooks, (QStringList{"hook-A1-deployed.txt", "hook-A2-deployed.txt"}));
}

QTEST_GUILESS_MAIN(TestCliDeploy)
#include "test_cli_deploy.moc"
