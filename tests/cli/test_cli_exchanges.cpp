// orvexdab-cli against simulated processors: what reaches the line, what lands in files, and
// what the script is told.
#include "CliRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace clirig;
using model::Member;

namespace {

// Distinct values, 255 and the frame header 126 among them; no bass density mark.
const QByteArray kFileA =
    dabFile({8,  255, 205, 180, 60, 141, 59, 65, 123, 141, 59, 58,  58,  126, 128, 130,
             65, 136, 131, 25,  73, 1,   90, 1,  1,   0,   1,  100, 135, 92,  220, 165});
const QByteArray kBase = dabFile({3,  4,  5,  6,  7,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                  20, 21, 22, 23, 24, 25, 26, 0,  0,  0,  0,  27, 28, 29, 30, 31});
// A's night reply onto the base: lines 1..25 from A; the bass density mark, the spatial
// enhancer and the shifts (26..32) travel in no night reply and stay the base's.
const QByteArray kNightOntoBase =
    dabFile({8,  255, 205, 180, 60, 141, 59, 65, 123, 141, 59, 58, 58, 126, 128, 130,
             65, 136, 131, 25,  73, 1,   90, 1,  1,   0,   0,  27, 28, 29,  30,  31});

// The stop bits the line was last seen with before the fragment's bytes, which arrived after the
// mark.
bool settingsBefore(const sim::Simulator& s, int from, const QString& fragment, int stopBits)
{
    const QStringList lines = s.log().lines();
    const int start = from - (s.log().count() - int(lines.size()));
    QString settings;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(QStringLiteral("line settings: "))) {
            settings = lines[i];
        } else if (i >= start && lines[i].contains(fragment)) {
            return settings.endsWith(stopBits == 2 ? QStringLiteral("2 stop bits")
                                                   : QStringLiteral("1 stop bit"));
        }
    }
    return false;
}

} // namespace

class TestCliExchanges : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandBytes_data();
    void commandBytes();
    void sendFrames_data();
    void sendFrames();
    void uploadWritesTheReplyOntoTheBase_data();
    void uploadWritesTheReplyOntoTheBase();
    void compareListsTheDifferences_data();
    void compareListsTheDifferences();
    void manyPortsAtOnceOneMissing();
    void defaultPortIsThePanels();
    void dataDirNamesTheFolderOfPortsAndSettings();
};

void TestCliExchanges::commandBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("logged");
    QTest::newRow("testtone") << "testtone"
                              << "command 100 Testtone";
    QTest::newRow("stoptone") << "stoptone"
                              << "command 110 Stoptone";
    QTest::newRow("saveday") << "saveday"
                             << "command 145 Saveday";
    QTest::newRow("savenight") << "savenight"
                               << "command 149 Savenight";
    QTest::newRow("setday") << "setday"
                            << "command 151 Setday";
    QTest::newRow("setnight") << "setnight"
                              << "command 163 Setnight";
    QTest::newRow("switchon") << "switchon"
                              << "command 175 Switchon";
    QTest::newRow("switchoff") << "switchoff"
                               << "command 179 Switchoff";
    QTest::newRow("save1") << "save1"
                           << "command 136 Save1";
    QTest::newRow("save2") << "save2"
                           << "command 137 Save2";
    QTest::newRow("save3") << "save3"
                           << "command 138 Save3";
    QTest::newRow("save4") << "save4"
                           << "command 139 Save4";
    QTest::newRow("recall1") << "recall1"
                             << "command 180 Recall1";
    QTest::newRow("recall2") << "recall2"
                             << "command 181 Recall2";
    QTest::newRow("recall3") << "recall3"
                             << "command 182 Recall3";
    QTest::newRow("recall4, upper case") << "RECALL4"
                                         << "command 183 Recall4";
}

void TestCliExchanges::commandBytes()
{
    QFETCH(QString, name);
    QFETCH(QString, logged);
    Rig rig;
    sim::Simulator& s = rig.addSimulator(1);
    // ser2net keeps the settings a client made, so the simulator sees them reliably; a
    // pseudo-terminal's settings go back when the port closes.
    const bool network = !Ser2net::program().isEmpty();
    const QString port = network ? rig.serve(1, lnk::NetworkScheme::Rfc2217) : QStringLiteral("1");
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int from = s.log().count();
    const Run r = rig.run({QStringLiteral("--port"), port, QStringLiteral("command"), name});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("%1: %2: ok\n").arg(port, name.toLower()));
    QVERIFY(s.log().waitFor(logged, from, kLogWait));
    if (network) {
        QVERIFY2(settingsBefore(s, from, logged, 2), qPrintable(s.log().lines().join('\n')));
    }
}

void TestCliExchanges::sendFrames_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("logged");
    QTest::newRow("send: day frame") << "send"
                                     << " day frame: ";
    QTest::newRow("send-night: night frame") << "send-night"
                                             << " night frame: ";
}

void TestCliExchanges::sendFrames()
{
    QFETCH(QString, verb);
    QFETCH(QString, logged);
    Rig rig;
    sim::Simulator& s = rig.addSimulator(1);
    QVERIFY(rig.write(QStringLiteral("a.DAB"), kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int from = s.log().count();
    const Run r = rig.run({QStringLiteral("--port=1"), verb, QStringLiteral("a.DAB")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("COM1: %1: ok\n").arg(verb));
    QVERIFY(s.log().waitFor(logged, from, kLogWait));
    const sim::State got = s.state();
    const sim::Values& v = verb == QLatin1String("send") ? got.current : got.night;
    QCOMPARE(sim::valueOf(v, Member::gate), 8);
    QCOMPARE(sim::valueOf(v, Member::ranges), 255);
    QCOMPARE(sim::valueOf(v, Member::density), 126);
    QCOMPARE(sim::valueOf(v, Member::mpxpow), 73);
    QCOMPARE(sim::valueOf(v, Member::Digin), 1);
    if (verb == QLatin1String("send")) {
        QCOMPARE(sim::valueOf(v, Member::LUFSOffset), 165);
        QCOMPARE(sim::valueOf(v, Member::MSlimit), 100);
    }
}

void TestCliExchanges::uploadWritesTheReplyOntoTheBase_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("nightReply");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("by length: day reply") << QStringList() << false << "day" << kFileA;
    QTest::newRow("by length: night reply") << QStringList() << true << "night" << kNightOntoBase;
    QTest::newRow("--day") << QStringList{"--day"} << false << "day" << kFileA;
    QTest::newRow("--night") << QStringList{"--night"} << true << "night" << kNightOntoBase;
}

void TestCliExchanges::uploadWritesTheReplyOntoTheBase()
{
    QFETCH(QStringList, options);
    QFETCH(bool, nightReply);
    QFETCH(QString, layout);
    QFETCH(QByteArray, expected);
    Rig rig;
    sim::Simulator& s =
        rig.addSimulator(1, nightReply ? std::optional(lnk::Layout::Night) : std::nullopt);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY(rig.write(QStringLiteral("base.DAB"), kBase));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int from = s.log().count();
    const Run r = rig.run(QStringList{"--port", "1", "upload"} + options +
                          QStringList{"--base", "base.DAB", "--output", "out-{port}.DAB"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out,
             QStringLiteral("COM1: upload: ok, %1 layout, written to out-COM1.DAB\n").arg(layout));
    QCOMPARE(rig.read(QStringLiteral("out-COM1.DAB")), expected);
    QVERIFY(settingsBefore(s, from, QStringLiteral("request 226"), 1));
}

void TestCliExchanges::compareListsTheDifferences_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("nightReply");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    // A with gate 9 and the digital input off.
    const QByteArray changed =
        dabFile({9,  255, 205, 180, 60, 141, 59, 65, 123, 141, 59, 58,  58,  126, 128, 130,
                 65, 136, 131, 25,  73, 1,   90, 1,  0,   0,   1,  100, 135, 92,  220, 165});
    QTest::newRow("same values") << kFileA << false << 0
                                 << "COM1: compare: no differences (day layout)\n";
    QTest::newRow("two values differ")
        << changed << false << 1
        << "COM1: compare: 2 differences (day layout)\n  gate: file 9, processor 8\n"
           "  Digin: file 0, processor 1\n";
    QTest::newRow("night reply: what it does not carry is no difference")
        << kNightOntoBase << true << 0 << "COM1: compare: no differences (night layout)\n";
}

void TestCliExchanges::compareListsTheDifferences()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, nightReply);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    Rig rig;
    rig.addSimulator(1, nightReply ? std::optional(lnk::Layout::Night) : std::nullopt);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY(rig.write(QStringLiteral("file.DAB"), file));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const Run r = rig.run({QStringLiteral("compare"), QStringLiteral("file.DAB")});
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
}

void TestCliExchanges::manyPortsAtOnceOneMissing()
{
    Rig rig;
    rig.addSimulator(1);
    rig.addSimulator(2);
    rig.addSimulator(3);
    QVERIFY(rig.hold(1, kFileA));
    QVERIFY(rig.hold(2, kBase));
    QVERIFY(rig.hold(3, kNightOntoBase));
    // Port 9 is a link whose device is gone.
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("backup")));
    QVERIFY(QFile::link(rig.path(QStringLiteral("gone")), rig.path(QStringLiteral("ports/COM9"))));
    const QString network = Ser2net::program().isEmpty()
                                ? QStringLiteral("3")
                                : rig.serve(3, lnk::NetworkScheme::Rfc2217);
    const bool viaServer = network != QLatin1String("3");
    const QString shown = viaServer ? network : QStringLiteral("COM3");
    const QString fileName =
        viaServer ? QStringLiteral("127.0.0.1-") + network.section(':', -1) : shown;
    QVERIFY(rig.write(QStringLiteral("sites.txt"),
                      "# transmitter sites\n1\n\n 9   # gone\n" + network.toUtf8() + "\n2\n"));
    QVERIFY(rig.write(QStringLiteral("a.DAB"), kFileA));
    QVERIFY2(rig.ready, qPrintable(rig.error));

    const Run backup =
        rig.run({"--ports-file", "sites.txt", "upload", "--output", "backup/{port}.DAB"});
    QCOMPARE(backup.exitCode, 1);
    const QStringList lines = backup.lines();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("COM1: upload: ok, day layout, written to backup/COM1.DAB"));
    QVERIFY2(lines[1].startsWith(QStringLiteral("COM9: upload: failed: Error RS232, USB or IP, "
                                                "try to use other port (Menu Setup), wrong "
                                                "connection or wrong firmware version. (port "
                                                "missing: ")),
             qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(shown + QStringLiteral(": upload: ok")), qPrintable(lines[2]));
    QVERIFY(lines[3].startsWith(QStringLiteral("COM2: upload: ok")));
    QVERIFY2(backup.err.isEmpty(), qPrintable(backup.err)); // no progress off a terminal
    QCOMPARE(rig.read(QStringLiteral("backup/COM1.DAB")), kFileA);
    QCOMPARE(rig.read(QStringLiteral("backup/COM2.DAB")), kBase);
    QCOMPARE(rig.read(QStringLiteral("backup/%1.DAB").arg(fileName)), kNightOntoBase);
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("backup/COM9.DAB"))));
    if (viaServer) {
        QVERIFY(settingsBefore(*rig.simulators.at(3), 0, QStringLiteral("request 226"), 1));
    }

    const Run compare = rig.run({"--json", "--ports-file", "sites.txt", "compare", "a.DAB"});
    QCOMPARE(compare.exitCode, 1);
    QStringList summary;
    for (const QString& line : compare.lines()) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        summary << QStringLiteral("%1 %2 %3 %4")
                       .arg(o[QStringLiteral("port")].toString(),
                            o[QStringLiteral("ok")].toBool() ? "ok" : "failed")
                       .arg(o[QStringLiteral("differences")].toArray().size())
                       .arg(o[QStringLiteral("error")].toString().contains("port missing")
                                ? "true"
                                : "false");
    }
    QCOMPARE(summary, (QStringList{"COM1 ok 0 false", "COM9 failed 0 true", shown + " ok 6 false",
                                   "COM2 ok 31 false"}));
}

void TestCliExchanges::defaultPortIsThePanels()
{
    Rig rig;
    sim::Simulator& s = rig.addSimulator(4);
    QVERIFY(rig.write(QStringLiteral("ORVEXFM.INI"), " 4 \r\n"));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int from = s.log().count();
    const Run r = rig.run({QStringLiteral("command"), QStringLiteral("setnight")});
    QCOMPARE(r.out, QStringLiteral("COM4: setnight: ok\n"));
    QCOMPARE(r.exitCode, 0);
    QVERIFY(s.log().waitFor(QStringLiteral("command 163 Setnight"), from, kLogWait));
}

void TestCliExchanges::dataDirNamesTheFolderOfPortsAndSettings()
{
    Rig rig;
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("station")));
    rig.addSimulator(6);
    // The simulator's link and its owner file move to the other folder.
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("station/ports")));
    for (const QString& name : {QStringLiteral("COM6"), QStringLiteral("COM6.owner")}) {
        QVERIFY(!QFile::exists(rig.path(QStringLiteral("ports/") + name)) ||
                QFile::rename(rig.path(QStringLiteral("ports/") + name),
                              rig.path(QStringLiteral("station/ports/") + name)));
    }
    QVERIFY(rig.write(QStringLiteral("station/ORVEXFM.INI"), " 6 \r\n"));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    // Given after the verb, as every option of the whole program may be. Port 6 is reached
    // only through the other folder's settings file and link.
    const Run r = rig.run({QStringLiteral("command"), QStringLiteral("testtone"),
                           QStringLiteral("--data-dir"), rig.path(QStringLiteral("station"))});
    QCOMPARE(r.out, QStringLiteral("COM6: testtone: ok\n"));
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QFile::exists(rig.path(QStringLiteral("station/line.log"))));
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("line.log"))));
}

QTEST_MAIN(TestCliExchanges)
#include "test_cli_exchanges.moc"
