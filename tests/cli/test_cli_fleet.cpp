// orvexdab-cli's fleet verbs against simulated processors: the lines a script reads, the exit
// statuses it tests, and what reaches the processors and the files.
#include "CliRig.h"
#include "FleetSamples.h"
#include "sim/PseudoTerminal.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>

#include <unistd.h>

using namespace clirig;

namespace {

const QByteArray kBase = dabFile({3,  4,  5,  6,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                  20, 21, 22, 23, 24, 25, 26, 0,  0,  0,  0,  27, 28, 29, 30, 31});
// A's night reply onto the base: lines 26..32 travel in no night reply.
const QByteArray kNightOntoBase =
    dabFile({8,  255, 205, 180, 60, 141, 59, 65, 123, 141, 59, 58, 58, 126, 128, 130,
             65, 136, 131, 25,  73, 1,   90, 1,  1,   0,   0,  27, 28, 29,  30,  31});

// North and South on simulators 1 and 2 holding A; West on port 9, where nothing answers.
bool fleetOfThree(Rig& rig)
{
    rig.addSimulator(1);
    rig.addSimulator(2);
    return rig.hold(1, kFileA) && rig.hold(2, kFileA) &&
           rig.run({"site", "add", "North", "1", "--group", "east"}).exitCode == 0 &&
           rig.run({"site", "add", "South", "2"}).exitCode == 0 &&
           rig.run({"site", "add", "West", "9", "--group", "east"}).exitCode == 0;
}

} // namespace

class TestCliFleet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sitesAreKeptByName();
    void oneProcessorOneSite_data();
    void oneProcessorOneSite();
    void backupNewUnchangedChangedFailed();
    void historyAsTextAndJson();
    void diffOfTwoSides_data();
    void diffOfTwoSides();
    void driftStoredAndLive();
    void exportWritesTheVersion_data();
    void exportWritesTheVersion();
    void restoreReadsBack_data();
    void restoreReadsBack();
    void restoreOnATerminalAsksFirst_data();
    void restoreOnATerminalAsksFirst();
    void checkStates();
    void metricsAndHooks();
    void policyOfFleetIni();
    void siteThroughSer2net();
    void readingAMissingStoreCreatesNothing();
    void usageErrorsSendNothing_data();
    void usageErrorsSendNothing();
    void removedSitesTakeNoPart_data();
    void removedSitesTakeNoPart();
    void anotherDesksPortIsNotReached_data();
    void anotherDesksPortIsNotReached();
};

void TestCliFleet::sitesAreKeptByName()
{
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    // A port number is this machine's and this data folder's.
    const QString here = QSysInfo::machineHostName() + QLatin1Char(':') + rig.dir.path();
    QCOMPARE(rig.run({"site", "set", "North", "--name", "Nord", "--group", "coast"}).out,
             QStringLiteral("Nord: changed, port 1, group coast, local to %1\n").arg(here));
    QCOMPARE(rig.run({"site", "set", "South", "--port", "1"}).exitCode, 2);
    const QStringList rows = rig.run({"site", "list"}).lines();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0],
             QStringLiteral("NAME   PORT  GROUP  LAST BACKUP           STATE            DRIFT    "
                            "     LOCAL TO"));
    QVERIFY2(rows[1].startsWith(QStringLiteral("Nord   1     coast  20")), qPrintable(rows[1]));
    QVERIFY2(rows[1].endsWith(QStringLiteral("  ok               no reference  ") + here),
             qPrintable(rows[1]));
    QCOMPARE(rows[2], QStringLiteral("South  2     -      never                 never backed up  "
                                     "no reference  ") +
                          here);
    // The history follows the new name; a purge takes it.
    QCOMPARE(rig.run({"history", "Nord"}).lines().size(), 1);
    QCOMPARE(rig.run({"site", "remove", "Nord", "--purge"}).out,
             QStringLiteral("Nord: removed with its history\n"));
    QCOMPARE(rig.run({"site", "add", "Nord", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"history", "Nord"}).out, QStringLiteral("Nord: no versions yet\n"));
}

void TestCliFleet::backupNewUnchangedChangedFailed()
{
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));

    const Run first = rig.run({"backup", "--all", "--note", "before the update"});
    QCOMPARE(first.exitCode, 1);
    QStringList lines = first.lines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("North: new, version 1"));
    QCOMPARE(lines[1], QStringLiteral("South: new, version 1"));
    QVERIFY2(lines[2].startsWith(QStringLiteral("West: failed: Error RS232, USB or IP")),
             qPrintable(lines[2]));

    QVERIFY(rig.hold(1, kFileB));
    const Run second = rig.run({"backup", "South", "North"});
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out,
             QStringLiteral("North: changed, version 2 (2 differences)\nSouth: unchanged\n"));

    const Run group = rig.run({"--json", "backup", "--group", "east"});
    QCOMPARE(group.exitCode, 1);
    const QList<QJsonObject> objects = jsonLines(group);
    QCOMPARE(objects.size(), 2);
    QCOMPARE(objects[0].value("site").toString(), QStringLiteral("North"));
    QCOMPARE(objects[0].value("outcome").toString(), QStringLiteral("unchanged"));
    QCOMPARE(objects[1].value("outcome").toString(), QStringLiteral("failed"));
}

void TestCliFleet::historyAsTextAndJson()
{
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"backup", "North", "--note", "weekly"}).exitCode, 0);
    QVERIFY(rig.hold(1, kFileB));
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    QCOMPARE(rig.run({"approve", "North", "1"}).out,
             QStringLiteral("North: version 1 is the day reference\n"));

    const Run text = rig.run({"history", "North"});
    QCOMPARE(text.exitCode, 0);
    const QStringList lines = text.lines();
    QCOMPARE(lines.size(), 2);
    static const QRegularExpression time(
        QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ"));
    QVERIFY2(QRegularExpression(QStringLiteral("^1  %1  day  backup  \\S+@\\S+  first day version  "
                                               "reference  weekly$")
                                    .arg(time.pattern()))
                 .match(lines[0])
                 .hasMatch(),
             qPrintable(lines[0]));
    QVERIFY2(
        QRegularExpression(
            QStringLiteral("^2  %1  day  backup  \\S+@\\S+  2 differences$").arg(time.pattern()))
            .match(lines[1])
            .hasMatch(),
        qPrintable(lines[1]));

    const QList<QJsonObject> json = jsonLines(rig.run({"history", "North", "--json"}));
    QCOMPARE(json.size(), 2);
    QCOMPARE(json[0].value("version").toInt(), 1);
    QVERIFY(time.match(json[0].value("time").toString()).hasMatch());
    QCOMPARE(json[0].value("layout").toString(), QStringLiteral("day"));
    QCOMPARE(json[0].value("source").toString(), QStringLiteral("backup"));
    QVERIFY(json[0].value("by").toString().contains('@'));
    QCOMPARE(json[0].value("note").toString(), QStringLiteral("weekly"));
    QVERIFY(json[0].value("differences").isNull());
    QCOMPARE(json[0].value("reference").toBool(), true);
    QCOMPARE(json[1].value("differences").toInt(), 2);
    QCOMPARE(json[1].value("reference").toBool(), false);

    QCOMPARE(rig.run({"unapprove", "North", "--night"}).out,
             QStringLiteral("North: no night reference to remove\n"));
    QCOMPARE(rig.run({"unapprove", "North"}).out, QStringLiteral("North: reference removed\n"));
    QCOMPARE(jsonLines(rig.run({"--json", "history", "North"}))[0].value("reference").toBool(),
             false);
}

void TestCliFleet::diffOfTwoSides_data()
{
    QTest::addColumn<QStringList>("sides");
    QTest::addColumn<QString>("out");
    QTest::newRow("by default the latest against the one before")
        << QStringList() << "North: 2 differences, version 1 -> version 2 (day layout)\n" + kAToB;
    QTest::newRow("a version against the processor now")
        << QStringList{"2", "live"} << "North: no differences, version 2 -> live (day layout)\n";
    QTest::newRow("the reference against a version")
        << QStringList{"reference", "2"}
        << "North: 2 differences, reference (version 1) -> version 2 (day layout)\n" + kAToB;
}

void TestCliFleet::diffOfTwoSides()
{
    QFETCH(QStringList, sides);
    QFETCH(QString, out);
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    QVERIFY(rig.hold(1, kFileB));
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    QCOMPARE(rig.run({"approve", "North", "1"}).exitCode, 0);
    const Run r = rig.run(QStringList{"diff", "North"} + sides);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, out);
}

void TestCliFleet::driftStoredAndLive()
{
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"backup", "North", "South"}).exitCode, 0);
    QCOMPARE(rig.run({"approve", "North"}).exitCode, 0);

    Run r = rig.run({"drift", "--all"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QStringLiteral("North: no drift\nSouth: no reference\nWest: no reference\n"));
    QCOMPARE(rig.run({"drift", "North"}).exitCode, 0);

    // The processor changed after the last backup: only an upload sees it.
    QVERIFY(rig.hold(1, kFileB));
    QCOMPARE(rig.run({"drift", "North"}).out, QStringLiteral("North: no drift\n"));
    r = rig.run({"drift", "North", "--live"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, "North: drift: 2 differences (day layout)\n" + kAToB);

    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    const QList<QJsonObject> json = jsonLines(rig.run({"--json", "drift", "North"}));
    QCOMPARE(json.size(), 1);
    QCOMPARE(json[0].value("site").toString(), QStringLiteral("North"));
    QCOMPARE(json[0].value("layout").toString(), QStringLiteral("day"));
    QCOMPARE(QJsonDocument(json[0].value("differences").toArray()).toJson(QJsonDocument::Compact),
             QByteArray(R"([{"a":8,"b":9,"name":"gate"},{"a":1,"b":0,"name":"Digin"}])"));
}

void TestCliFleet::exportWritesTheVersion_data()
{
    QTest::addColumn<bool>("nightReply");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("a day version carries every line") << false << kFileA;
    QTest::newRow("a night version takes the rest from the base") << true << kNightOntoBase;
}

void TestCliFleet::exportWritesTheVersion()
{
    QFETCH(bool, nightReply);
    QFETCH(QByteArray, expected);
    Rig rig;
    rig.addSimulator(1, nightReply ? std::optional(lnk::Layout::Night) : std::nullopt);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY(rig.write(QStringLiteral("base.DAB"), kBase));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "North", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    const Run r = rig.run({"export", "North", "1", "--output", "north.DAB", "--base", "base.DAB"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("North: version 1 written to north.DAB\n"));
    QCOMPARE(rig.read(QStringLiteral("north.DAB")), expected);
}

void TestCliFleet::restoreReadsBack_data()
{
    QTest::addColumn<int>("garbage");
    QTest::addColumn<bool>("nightReply");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("verified") << 0 << false << 0
                              << "North: version 1 restored and verified (read back as version 3)";
    // Garbage ahead of the reply would shift every value: the read-back is refused, nothing is
    // kept as a version.
    QTest::newRow("a shifted read-back is refused and stores nothing")
        << 3 << false << 1 << "North: failed: sent, not read back: reply too long (45 bytes)";
    QTest::newRow("a day version while the processor answers with its night block")
        << 0 << true << 1
        << "North: sent, not verified: the processor answers with its night block";
}

void TestCliFleet::restoreReadsBack()
{
    QFETCH(int, garbage);
    QFETCH(bool, nightReply);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    Rig rig;
    sim::Simulator& s = rig.addSimulator(1);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "North", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    QVERIFY(rig.hold(1, kFileB));
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    sim::Settings settings = s.settings();
    settings.garbageBytes = garbage;
    settings.replyLayout = nightReply ? std::optional(lnk::Layout::Night) : std::nullopt;
    s.setSettings(settings);

    const Run r = rig.run({"restore", "North", "1", "--yes", "--save"});
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.lines().value(0).startsWith(firstLine), qPrintable(r.out));
    // The frame went out; the processor holds A's gate again.
    QCOMPARE(sim::valueOf(s.state().current, model::Member::gate), 8);
    // Only what the processor verifiably holds is saved.
    QCOMPARE(s.log().lines().join('\n').contains(QStringLiteral("Saveday")),
             exitCode == 0 || nightReply);
    const QList<QJsonObject> history = jsonLines(rig.run({"--json", "history", "North"}));
    if (garbage > 0) {
        QCOMPARE(history.size(), 2);
        return;
    }
    QCOMPARE(history.size(), 3);
    QCOMPARE(history[2].value("source").toString(), QStringLiteral("restore"));
    QCOMPARE(history[2].value("note").toString(), QStringLiteral("restored from version 1"));
}

void TestCliFleet::restoreOnATerminalAsksFirst_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("gate");
    QTest::newRow("yes") << QByteArray("y\n") << 0
                         << "North: version 1 restored and verified (read back as version 3)\n"
                         << 8;
    QTest::newRow("anything else") << QByteArray("sure\n") << 1 << "North: not sent\n" << 9;
}

void TestCliFleet::restoreOnATerminalAsksFirst()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, exitCode);
    QFETCH(QString, after);
    QFETCH(int, gate);
    Rig rig;
    sim::Simulator& s = rig.addSimulator(1);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "North", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    QVERIFY(rig.hold(1, kFileB));
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);

    // Standard input is a terminal of the test's own, the answer already typed.
    sim::PseudoTerminal terminal;
    QString error;
    QVERIFY2(terminal.open(&error), qPrintable(error));
    QCOMPARE(::write(terminal.masterFd(), answer.constData(), size_t(answer.size())),
             ssize_t(answer.size()));
    QProcess p;
    p.setWorkingDirectory(rig.dir.path());
    p.setStandardInputFile(terminal.devicePath());
    p.start(rig.program, {"restore", "North", "1"});
    QVERIFY(p.waitForFinished(int(std::chrono::milliseconds(kRunLimit).count())));
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
             "North: 2 differences, live -> version 1 (day layout)\n  gate: 9 -> 8\n"
             "  Digin: 0 -> 1\nSend version 1 to North? [y/N] " +
                 after);
    QCOMPARE(sim::valueOf(s.state().current, model::Member::gate), gate);
}

void TestCliFleet::checkStates()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    Run r = rig.run({"check"});
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.out.startsWith(QStringLiteral("ORVEXDAB UNKNOWN - ")), qPrintable(r.out));
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("fleet.sqlite"))));
    r = rig.run({"check", "--warning", "hours"});
    QCOMPARE(r.out,
             QStringLiteral("ORVEXDAB UNKNOWN - --warning hours is not a number of hours\n"));
    QCOMPARE(r.exitCode, 3);

    QVERIFY(fleetOfThree(rig));
    r = rig.run({"check"});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QStringLiteral("ORVEXDAB CRITICAL - 3 sites, 3 not backed up within 50 h "
                                   "(North, South, West), 0 failed, 0 drifted | sites=3;;;0 "
                                   "failed=0;;;0 drifted=0;;;0 oldest_backup=U;93600;180000;0\n"));

    QCOMPARE(rig.run({"site", "remove", "West"}).out,
             QStringLiteral("West: removed, its history kept\n"));
    QCOMPARE(rig.run({"backup", "--all"}).exitCode, 0);
    r = rig.run({"check"});
    QCOMPARE(r.exitCode, 0);
    static const QRegularExpression ok(QStringLiteral(
        "^ORVEXDAB OK - 2 sites, all backed up within 26 h, 0 failed, 0 drifted \\| "
        "sites=2;;;0 failed=0;;;0 drifted=0;;;0 oldest_backup=[0-9]s;93600;180000;0\n$"));
    QVERIFY2(ok.match(r.out).hasMatch(), qPrintable(r.out));

    rig.simulators.at(2)->stop();
    QCOMPARE(rig.run({"backup", "--all"}).exitCode, 1);
    r = rig.run({"check", "--warning", "2", "--critical", "3"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(
        r.out.startsWith(QStringLiteral("ORVEXDAB WARNING - 2 sites, all backed up within 2 h, "
                                        "1 failed (South), 0 drifted | ")),
        qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral(";7200;10800;0\n")), qPrintable(r.out));
}

void TestCliFleet::metricsAndHooks()
{
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    // Each event as the hook's environment gives it, a file per site and event.
    const QString hook = QStringLiteral(
        "env | grep '^ORVEXDAB_' | sort > \"hook-$ORVEXDAB_SITE-$ORVEXDAB_EVENT.txt\"");
    QCOMPARE(rig.run({"backup", "--all"}).exitCode, 1);
    QVERIFY(rig.hold(1, kFileB));
    const Run r = rig.run({"backup", "--all", "--metrics", "fleet.prom", "--on-change", hook});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(rig.read(QStringLiteral("hook-North-changed.txt")),
             QByteArray("ORVEXDAB_DIFFERENCES=2\nORVEXDAB_EVENT=changed\nORVEXDAB_SITE=North\n"
                        "ORVEXDAB_VERSION=2\n"));
    // West failed before: no second failed event. South did not change.
    const QStringList hooks =
        QDir(rig.dir.path()).entryList({QStringLiteral("hook-*")}, QDir::Files, QDir::Name);
    QCOMPARE(hooks, QStringList{QStringLiteral("hook-North-changed.txt")});

    const QString metrics = QString::fromUtf8(rig.read(QStringLiteral("fleet.prom")));
    QVERIFY2(metrics.contains(QStringLiteral("# TYPE orvexdab_site_up gauge\n")),
             qPrintable(metrics));
    QVERIFY(metrics.contains(QStringLiteral("orvexdab_site_up{site=\"North\"} 1\n")));
    QVERIFY(metrics.contains(QStringLiteral("orvexdab_site_up{site=\"West\"} 0\n")));
    QVERIFY(metrics.contains(QStringLiteral("\norvexdab_backup_duration_seconds ")));

    // A failing hook is said on standard error and fails nothing.
    QVERIFY(rig.hold(1, kFileA));
    const Run failing = rig.run({"backup", "North", "--on-change", "exit 3"});
    QCOMPARE(failing.exitCode, 0);
    QCOMPARE(failing.out, QStringLiteral("North: changed, version 3 (2 differences)\n"));
    QVERIFY2(failing.err.contains(QStringLiteral("on-change command for North (changed)")),
             qPrintable(failing.err));

    // A hook that leaves a child running does not hold the tool's output open: a reader of
    // it (here cat) ends with the tool, the hook's own words still come through.
    QVERIFY(rig.hold(1, kFileB));
    QElapsedTimer clock;
    clock.start();
    const Run piped =
        rig.run({"-c", QStringLiteral("'%1' backup North --on-change 'echo from the hook; sleep 20 "
                                      "& exit 0' 2>&1 | cat")
                           .arg(rig.program)},
                QStringLiteral("/bin/sh"));
    QCOMPARE(piped.exitCode, 0);
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(piped.out.contains(QStringLiteral("from the hook\n")), qPrintable(piped.out));
    QVERIFY2(piped.out.contains(QStringLiteral("North: changed, version 4")),
             qPrintable(piped.out));
}

// The fleet's policy in fleet.ini: a backup with no flags runs its hooks and writes its metrics
// there; a setting that makes no sense sends nothing.
void TestCliFleet::policyOfFleetIni()
{
    Rig rig;
    QVERIFY(fleetOfThree(rig));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY(rig.write(QStringLiteral("fleet.ini"),
                      "[fleet]\non_change=touch \"hook-$ORVEXDAB_SITE-$ORVEXDAB_EVENT\"\n"
                      "metrics=fleet.prom\nparallel=1\nhooks_deadline=20\n"));
    const Run r = rig.run({"backup", "--all"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(QFile::exists(rig.path(QStringLiteral("hook-West-failed"))));
    QVERIFY2(rig.read(QStringLiteral("fleet.prom")).contains("orvexdab_site_up{site=\"North\"} 1"),
             rig.read(QStringLiteral("fleet.prom")).constData());
    // A flag overrides the file for one run.
    QVERIFY(rig.hold(1, kFileB));
    QCOMPARE(rig.run({"backup", "North", "--on-change", "touch flag-hook"}).exitCode, 0);
    QVERIFY(QFile::exists(rig.path(QStringLiteral("flag-hook"))));
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("hook-North-changed"))));

    QVERIFY(rig.write(QStringLiteral("fleet.ini"), "[fleet]\nparallel=none\n"));
    const int before = received(rig);
    const Run refused = rig.run({"backup", "--all"});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains(QStringLiteral("[fleet] parallel=none is not")),
             qPrintable(refused.err));
    QTest::qWait(200);
    QCOMPARE(received(rig), before);
}

void TestCliFleet::siteThroughSer2net()
{
    ORVEX_SKIP_WITHOUT_SER2NET();
    Rig rig;
    rig.addSimulator(1);
    QVERIFY(rig.hold(1, kFileA));
    const QString address = rig.serve(1, lnk::NetworkScheme::Rfc2217);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "Remote", address}).out,
             QStringLiteral("Remote: added, port %1\n").arg(address));
    const Run r = rig.run({"backup", "Remote"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("Remote: new, version 1\n"));
}

void TestCliFleet::readingAMissingStoreCreatesNothing()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const QString folder = rig.path(QStringLiteral("none"));
    const Run r = rig.run({"--data-dir", folder, "history", "North"});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("no fleet store yet")), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(rig.run({"site", "list"}).exitCode, 2);
    // A verb that changes a site has no site to change without a store: it makes none either.
    for (const QStringList& verb : {QStringList{"approve", "North"},
                                    {"unapprove", "North"},
                                    {"site", "set", "North", "--group", "coast"},
                                    {"site", "remove", "North"}}) {
        const Run w = rig.run(verb);
        QCOMPARE(w.exitCode, 2);
        QVERIFY2(w.err.contains(QStringLiteral("no fleet store yet")), qPrintable(w.err));
    }
    // A scheduled run before the first site is no failure, with no store and with no sites.
    const Run timer = rig.run({"backup", "--all", "--metrics", "backup.prom"});
    QCOMPARE(timer.exitCode, 0);
    QCOMPARE(timer.out, QStringLiteral("no sites\n"));
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("fleet.sqlite"))));
    QCOMPARE(rig.run({"site", "add", "North", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"site", "remove", "North"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "--all"}).out, QStringLiteral("no sites\n"));
}

void TestCliFleet::oneProcessorOneSite_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("localhost and 127.0.0.1")
        << QStringLiteral("tcp://127.0.0.1:17") << QStringLiteral("tcp://localhost:17");
    QTest::newRow("a raw and an RFC 2217 client of one server port")
        << QStringLiteral("tcp://127.0.0.1:17") << QStringLiteral("rfc2217://127.0.0.1:17");
    QTest::newRow("[::1] and localhost")
        << QStringLiteral("tcp://localhost:17") << QStringLiteral("rfc2217://[::1]:17");
    QTest::newRow("a host name in other case")
        << QStringLiteral("tcp://Studio.Example:17") << QStringLiteral("tcp://studio.example:17");
    QTest::newRow("a port number and the device its link reaches")
        << QStringLiteral("1") << QStringLiteral("@device");
    QTest::newRow("the ports/ link and the port number it serves")
        << QStringLiteral("@link") << QStringLiteral("1");
}

void TestCliFleet::oneProcessorOneSite()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    Rig rig;
    rig.addSimulator(1);
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const QString link = rig.path(QStringLiteral("ports/COM1"));
    const auto resolve = [&](const QString& port) {
        return port == QLatin1String("@link")     ? link
               : port == QLatin1String("@device") ? QFileInfo(link).symLinkTarget()
                                                  : port;
    };
    QCOMPARE(rig.run({"site", "add", "A", resolve(first)}).exitCode, 0);
    const Run r = rig.run({"site", "add", "B", resolve(second)});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("is already the port of site \"A\"")),
             qPrintable(r.err));
    // Another port of the same server is another processor.
    QCOMPARE(rig.run({"site", "add", "C", "tcp://127.0.0.1:18"}).exitCode, 0);
}

void TestCliFleet::usageErrorsSendNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    const auto row = [](const char* name, const QStringList& arguments, const char* says) {
        QTest::newRow(name) << arguments << QString::fromUtf8(says);
    };
    row("a name beside another in other case", {"site", "add", "north", "5"},
        "there is a site \"North\" already");
    row("a second site on a port", {"site", "add", "East", "1"},
        "port 1 is already the port of site \"North\"");
    row("a name with a slash", {"site", "add", "a/b", "5"}, "may hold only ASCII letters");
    row("a name too long", {"site", "add", QString(65, 'x'), "5"}, "");
    row("a port that does not parse", {"site", "add", "East", "256"}, "port number 256");
    row("site without a verb", {"site"}, "site needs one of: add set remove list");
    row("site set without a change", {"site", "set", "North"},
        "needs --port, --group, --name or --here");
    row("backup choosing nothing", {"backup"}, "backup needs NAME..., --group GROUP or --all");
    row("backup choosing twice", {"backup", "North", "--all"}, "only one of them");
    row("backup of an unknown site", {"backup", "Nowhere"}, "no site \"Nowhere\"");
    row("backup with --port", {"--port", "1", "backup", "--all"}, "each site has its port");
    row("metrics into a missing folder", {"backup", "--all", "--metrics", "none/m.prom"},
        "none/m.prom: Path not found");
    row("restore off a terminal", {"restore", "North", "1"}, "needs --yes");
    row("restore of version 0", {"restore", "North", "0", "--yes"}, "version 0 is not");
    row("restore of a version not there", {"restore", "North", "7", "--yes"}, "no version 7");
    row("diff of a side that is none", {"diff", "North", "1", "latest"}, "latest is not");
    row("diff of an empty side", {"diff", "North", "", "1"}, "A or B is empty");
    row("export without --output", {"export", "North", "1"}, "export needs --output FILE");
    row("unapprove of both layouts by name", {"unapprove", "North", "--day", "--night"},
        "exclude each other");
    row("drift without a site", {"drift"}, "drift needs");
    row("deploy of a file not there", {"deploy", "none.DAB", "North", "--yes"},
        "none.DAB: no such file");
    row("deploy of a version not there", {"deploy", "North:7", "North", "--yes"}, "no version 7");
    row("deploy of a reference not there", {"deploy", "North:reference", "--all", "--yes"},
        "has no day reference");
    row("deploy of a site's word that is neither", {"deploy", "North:latest", "--all", "--yes"},
        "latest is not a version number");
    row("deploy choosing nothing", {"deploy", "./A.DAB", "--yes"}, "deploy needs");
    row("deploy with a canary count that is none", {"deploy", "x", "--all", "--canary", "-1"},
        "--canary -1 is not");
    row("deploy off a terminal", {"deploy", "North:1", "--all"}, "needs --yes");
    row("a revert with sites", {"deploy", "--revert", "1", "North", "--yes"},
        "takes no SOURCE and no sites");
    row("a revert of a run not there", {"deploy", "--revert", "4", "--yes"}, "no deploy 4");
    row("approve --sound choosing nothing", {"approve", "--sound", "North:1"}, "approve --sound");
    row("--group without --sound", {"approve", "--group", "coast"}, "are for approve --sound");
    row("--store on an exchange verb", {"--store", "sqlite:x.sqlite", "ports"},
        "--store belongs to the fleet commands");
    row("--store that is no store", {"--store", "mysql://h/db", "site", "list"}, "mysql://h/db");
}

void TestCliFleet::usageErrorsSendNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    Rig rig;
    rig.addSimulator(1);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "North", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "North"}).exitCode, 0);
    const int before = received(rig);
    const Run r = rig.run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QTest::qWait(200);
    QCOMPARE(received(rig), before);
}

void TestCliFleet::removedSitesTakeNoPart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("restore sends nothing to the port's new site")
        << QStringList{"restore", "Old", "1", "--yes"} << 2;
    QTest::newRow("a live diff reads nothing") << QStringList{"diff", "Old", "1", "live"} << 2;
    QTest::newRow("live drift reads nothing") << QStringList{"drift", "Old", "--live"} << 2;
    QTest::newRow("a backup by name refuses every site named")
        << QStringList{"backup", "New", "Old"} << 2;
    QTest::newRow("approve") << QStringList{"approve", "Old"} << 2;
    QTest::newRow("unapprove") << QStringList{"unapprove", "Old"} << 2;
    QTest::newRow("the history stays readable") << QStringList{"history", "Old"} << 0;
    QTest::newRow("so does a diff between stored versions")
        << QStringList{"diff", "Old", "1", "1"} << 0;
}

void TestCliFleet::removedSitesTakeNoPart()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    Rig rig;
    rig.addSimulator(1);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QCOMPARE(rig.run({"site", "add", "Old", "1"}).exitCode, 0);
    QCOMPARE(rig.run({"backup", "Old"}).exitCode, 0);
    QCOMPARE(rig.run({"site", "remove", "Old"}).exitCode, 0);
    QCOMPARE(rig.run({"site", "add", "New", "1"}).exitCode, 0);
    const int before = received(rig);
    const Run r = rig.run(arguments);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(QStringLiteral("Old: site removed")), qPrintable(r.err));
    }
    QTest::qWait(200);
    QCOMPARE(received(rig), before);
    QCOMPARE(rig.run({"history", "Old"}).lines().size(), 1);
}

void TestCliFleet::anotherDesksPortIsNotReached_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    const QString refused = QStringLiteral("North: port 1 is local to ");
    const QString skipped = QStringLiteral("North: skipped (local to ");
    QTest::newRow("a backup by name is refused") << QStringList{"backup", "North"} << 1 << refused;
    QTest::newRow("a backup of all skips it") << QStringList{"backup", "--all"} << 0 << skipped;
    QTest::newRow("so does a group's") << QStringList{"backup", "--group", "coast"} << 0 << skipped;
    QTest::newRow("restore is refused")
        << QStringList{"restore", "North", "1", "--yes"} << 1 << refused;
    QTest::newRow("a live diff is refused")
        << QStringList{"diff", "North", "1", "live"} << 1 << refused;
    QTest::newRow("live drift by name is refused")
        << QStringList{"drift", "North", "--live"} << 1 << refused;
    QTest::newRow("live drift over a group skips it")
        << QStringList{"drift", "--group", "coast", "--live"} << 0 << skipped;
}

// Two desks share one store, each with its own processor on port 1: desk B never reads its own
// processor into desk A's site.
void TestCliFleet::anotherDesksPortIsNotReached()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    Rig a;
    Rig b;
    a.addSimulator(1);
    b.addSimulator(1);
    QVERIFY(a.hold(1, kFileA) && b.hold(1, kFileB));
    QVERIFY2(a.ready && b.ready, qPrintable(a.error + b.error));
    const QStringList shared{"--store", QStringLiteral("sqlite:") + a.path("shared.sqlite")};
    const Run added = a.run(shared + QStringList{"site", "add", "North", "1", "--group", "coast"});
    QCOMPARE(added.exitCode, 0);
    QVERIFY2(added.out.contains(QStringLiteral(", local to ")), qPrintable(added.out));
    QCOMPARE(a.run(shared + QStringList{"backup", "North"}).exitCode, 0);
    // B's port 1 is B's processor: a site of its own, in the same group.
    QCOMPARE(b.run(shared + QStringList{"site", "add", "South", "1", "--group", "coast"}).exitCode,
             0);
    QCOMPARE(b.run(shared + QStringList{"backup", "South"}).exitCode, 0);
    QCOMPARE(b.run(shared + QStringList{"approve", "South"}).exitCode, 0);
    const auto north = [&] {
        for (const QJsonObject& o :
             jsonLines(a.run(shared + QStringList{"--json", "site", "list"}))) {
            if (o.value(QStringLiteral("site")) == QStringLiteral("North")) {
                return o;
            }
        }
        return QJsonObject();
    };
    const QJsonObject listed = north();
    QVERIFY(listed.value(QStringLiteral("local_to")).toString().endsWith(a.dir.path()));
    const int heardByA = int(a.simulators.at(1)->log().count());

    const Run r = b.run(shared + arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2((r.out + r.err).contains(says), qPrintable(r.out + r.err));
    QVERIFY2(!r.out.contains(QStringLiteral("South: failed")), qPrintable(r.out));
    QTest::qWait(200);
    QCOMPARE(int(a.simulators.at(1)->log().count()), heardByA);
    // Nothing recorded: North's history and status are as A left them.
    QCOMPARE(a.run(shared + QStringList{"history", "North"}).lines().size(), 1);
    QCOMPARE(north(), listed);
}

QTEST_GUILESS_MAIN(TestCliFleet)
#include "test_cli_fleet.moc"
