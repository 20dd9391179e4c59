// The simulator on a real pseudo-terminal: pacing, injected faults, client close and reopen,
// the device link.
#include "link/LinkOwner.h"
#include "link/PortNames.h"
#include "sim/Simulator.h"

#include "SimBytes.h"
#include "SimClient.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::Settings)

namespace {

constexpr auto kLogWait = 3s;

bool pathPresent(const QString& path)
{
    struct stat st
    {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

class TestSimLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameAndCommandsArrive();
    void pacing_data();
    void pacing();
    void faults_data();
    void faults();
    void dropAfterMakesTheDeviceVanish();
    void dropLineNowWhileTheClientWrites();
    void clientMayCloseAndReopen();
    void exclusiveUseEndsWithTheClient();
    void settingsChangeWhileRunning();
    void lineSettingsLoggedBeforeTheirBytes();
    void linkCreatedAndRemoved();
    void linkRefusesWhatIsNotItsOwn_data();
    void linkRefusesWhatIsNotItsOwn();
    void linkTakenOverIsLeftAlone();
    void secondSimulatorRefusedWhileTheFirstRuns();
    void staleLinkReachesNothingAndIsReplaced();
    void ownerLockDecidesLiveness_data();
    void ownerLockDecidesLiveness();
    void simulatorWaitsOutABriefLock();
};

void TestSimLine::frameAndCommandsArrive()
{
    sim::Simulator s;
    QString error;
    QVERIFY2(s.start(&error), qPrintable(error));
    SimClient c(s.devicePath());
    QVERIFY(c.isOpen());
    const int mark = s.log().count();
    QVERIFY(c.send(distinctDayFrame() + bytes({100, 175, 5})));
    QVERIFY(s.log().waitFor("unknown byte 5 (0x05) ignored", mark, kLogWait));
    const QStringList lines = s.log().lines().mid(mark);
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].contains(" day frame: gate=1 ranges=2 "));
    QVERIFY(lines[1].endsWith(" command 100 Testtone: test tone on"));
    QVERIFY(lines[2].endsWith(" command 175 Switchon: day/night switch enabled"));
    QVERIFY(QTime::fromString(lines[0].left(12), "hh:mm:ss.zzz").isValid());
    const sim::State state = s.state();
    QVERIFY(state.testTone);
    QVERIFY(state.switchEnabled);
    QCOMPARE(sim::valueOf(state.current, model::Member::LUFSOffset), 34);
}

void TestSimLine::pacing_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("minSpanMs"); // first to last byte: (n - 1) byte times, less a margin

    QTest::newRow("day reply, 42 bytes")
        << QByteArrayList{distinctDayFrame()} << distinctDayReply() << 300;
    QTest::newRow("night reply, 25 bytes")
        << QByteArrayList{distinctNightFrame(), bytes({163})} << distinctNightReply() << 170;
}

void TestSimLine::pacing()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, reply);
    QFETCH(int, minSpanMs);

    sim::Simulator s;
    QVERIFY(s.start());
    SimClient c(s.devicePath());
    for (const QByteArray& chunk : before) {
        const int mark = s.log().count();
        c.send(chunk);
        QVERIFY(s.log().waitFor(chunk.size() > 1 ? " frame: " : "command", mark, kLogWait));
    }
    QElapsedTimer clock;
    clock.start();
    c.send(bytes({226}));
    const SimClient::Received r = c.receive(reply.size(), clock, 5000);
    QCOMPARE(r.bytes.toHex(' '), reply.toHex(' '));
    qInfo("%s: first byte after %lld ms, last after %lld ms (%lld ms between)",
          QTest::currentDataTag(), r.firstMs, r.lastMs, r.lastMs - r.firstMs);
    QVERIFY(r.firstMs >= 20); // the default reaction time
    QVERIFY2(r.lastMs - r.firstMs >= minSpanMs, "the reply came faster than the line allows");
}

void TestSimLine::faults_data()
{
    QTest::addColumn<sim::Settings>("settings");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("notBeforeMs");
    QTest::addColumn<QString>("log");

    auto with = [](auto change) {
        sim::Settings s;
        change(s);
        return s;
    };
    QTest::newRow("no reply") << with([](sim::Settings& s) { s.noReply = true; }) << QByteArray()
                              << 0 << "request 226: no reply sent, day reply withheld";
    QTest::newRow("reply of 30 bytes")
        << with([](sim::Settings& s) { s.replyLength = 30; }) << distinctDayReply().left(30) << 0
        << "sent day reply cut to 30 bytes (should be 42)";
    QTest::newRow("reply of 50 bytes")
        << with([](sim::Settings& s) { s.replyLength = 50; }) << distinctDayReply() + zeros(8) << 0
        << "sent day reply padded to 50 bytes (should be 42)";
    QTest::newRow("extra bytes after the reply")
        << with([](sim::Settings& s) { s.extraBytes = 3; })
        << distinctDayReply() + bytes({0x5A, 0x5A, 0x5A}) << 0 << "followed by 3 extra bytes";
    QTest::newRow("garbage before the reply")
        << with([](sim::Settings& s) { s.garbageBytes = 4; })
        << bytes({0xA5, 0xA5, 0xA5, 0xA5}) + distinctDayReply() << 0 << "after 4 garbage bytes";
    QTest::newRow("reaction longer than the day upload waits")
        << with([](sim::Settings& s) { s.reaction = 1000ms; }) << distinctDayReply() << 1000
        << "sent day reply (42 bytes)";
}

void TestSimLine::faults()
{
    QFETCH(sim::Settings, settings);
    QFETCH(QByteArray, expected);
    QFETCH(int, notBeforeMs);
    QFETCH(QString, log);

    sim::Options o;
    o.settings = settings;
    sim::Simulator s(o);
    QVERIFY(s.start());
    SimClient c(s.devicePath());
    int mark = s.log().count();
    c.send(distinctDayFrame());
    QVERIFY(s.log().waitFor("day frame", mark, kLogWait));

    mark = s.log().count();
    QElapsedTimer clock;
    clock.start();
    c.send(bytes({226}));
    const SimClient::Received r = c.receive(expected.size(), clock, 5000);
    QCOMPARE(r.bytes.toHex(' '), expected.toHex(' '));
    if (!expected.isEmpty()) {
        QVERIFY(r.firstMs >= notBeforeMs);
    }
    // Nothing more follows.
    const SimClient::Received after = c.receive(1, clock, clock.elapsed() + 400);
    QCOMPARE(after.bytes.toHex(' '), QByteArray());
    QVERIFY(s.log().waitFor(log, mark, kLogWait));
}

void TestSimLine::dropAfterMakesTheDeviceVanish()
{
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = dir.filePath("ports/COM1");
    o.settings.dropAfter = 10;
    sim::Simulator s(o);
    QVERIFY(s.start());
    const QString first = s.devicePath();

    SimClient c(o.linkPath);
    QVERIFY(c.isOpen());
    int mark = s.log().count();
    c.send(distinctDayFrame());
    QVERIFY(s.log().waitFor("day frame", mark, kLogWait));
    mark = s.log().count();
    QElapsedTimer clock;
    clock.start();
    c.send(bytes({226}));
    const SimClient::Received r = c.receive(42, clock, 3000);
    QCOMPARE(r.bytes.toHex(' '), distinctDayReply().left(10).toHex(' '));
    QVERIFY(r.hangup);
    QVERIFY(s.log().waitFor("line dropped after 10 of 42 bytes of the day reply", mark, kLogWait));
    QVERIFY(!QFile::exists(first));
    QVERIFY(!pathPresent(o.linkPath));
    c.close();

    // The line comes back under a new device, and the link follows it.
    QVERIFY(s.log().waitFor("line back on device", mark, 3 * sim::kReappearAfter));
    const QString second = s.devicePath();
    QVERIFY(!second.isEmpty());
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), second);

    s.setSettings({});
    SimClient again(o.linkPath);
    QVERIFY(again.isOpen());
    clock.restart();
    again.send(bytes({226}));
    QCOMPARE(again.receive(42, clock, 3000).bytes.toHex(' '), distinctDayReply().toHex(' '));
}

void TestSimLine::dropLineNowWhileTheClientWrites()
{
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = dir.filePath("ports/COM1");
    sim::Simulator s(o);
    QVERIFY(s.start());
    const QString first = s.devicePath();
    SimClient c(o.linkPath);
    QVERIFY(c.isOpen());
    const int mark = s.log().count();

    // Half a frame in, the device goes: what follows meets no device.
    const QByteArray frame = distinctDayFrame();
    QVERIFY(c.send(frame.left(20)));
    QVERIFY(s.dropLineNow());
    QVERIFY(s.devicePath().isEmpty());
    QVERIFY(!QFile::exists(first));
    QVERIFY(!pathPresent(o.linkPath));
    QVERIFY(!c.send(frame.mid(20)));
    QVERIFY(
        s.log().waitFor("line dropped on request: device " + first + " removed", mark, kLogWait));
    QVERIFY(!s.dropLineNow()); // nothing left to drop
    c.close();

    // Back under a new device, with the half frame forgotten.
    QVERIFY(s.log().waitFor("line back on device", mark, 3 * sim::kReappearAfter));
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), s.devicePath());
    SimClient again(o.linkPath);
    QVERIFY(again.isOpen());
    const int back = s.log().count();
    QVERIFY(again.send(frame));
    QVERIFY(s.log().waitFor("day frame", back, kLogWait));
}

void TestSimLine::clientMayCloseAndReopen()
{
    sim::Simulator s;
    QVERIFY(s.start());
    const QString device = s.devicePath();
    {
        SimClient c(device);
        c.send(distinctDayFrame());
    }
    {
        // Asks and leaves before the answer: the reply goes out to nobody.
        const int mark = s.log().count();
        SimClient c(device);
        c.send(bytes({226}));
        c.close();
        QVERIFY(s.log().waitFor("sent day reply (42 bytes)", mark, kLogWait));
    }
    for (int round = 0; round < 2; ++round) {
        // Each open starts with stale input cleared, as the panel's does.
        SimClient c(device);
        QVERIFY(c.isOpen());
        QElapsedTimer clock;
        clock.start();
        c.send(bytes({226}));
        QCOMPARE(c.receive(42, clock, 3000).bytes.toHex(' '), distinctDayReply().toHex(' '));
    }
    QCOMPARE(s.devicePath(), device);
}

void TestSimLine::exclusiveUseEndsWithTheClient()
{
    sim::Simulator s;
    QVERIFY(s.start());
    const QByteArray device = QFile::encodeName(s.devicePath());
    // A client that takes the device for itself and dies without giving it back.
    const int gone = ::open(device.constData(), O_RDWR | O_NOCTTY);
    QVERIFY(gone >= 0);
    QCOMPARE(::ioctl(gone, TIOCEXCL), 0);
    ::close(gone);

    // The test may run with the right to open an exclusive device anyway: ask the flag.
    const int probe = ::open(device.constData(), O_RDWR | O_NOCTTY);
    QVERIFY(probe >= 0);
    const auto exclusive = [probe] {
        int on = -1;
        return ::ioctl(probe, TIOCGEXCL, &on) == 0 ? on : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(exclusive(), 0, 3000);
    ::close(probe);
}

void TestSimLine::settingsChangeWhileRunning()
{
    sim::Simulator s;
    QVERIFY(s.start());
    SimClient c(s.devicePath());
    sim::Settings fixed;
    fixed.replyLayout = lnk::Layout::Night;
    s.setSettings(fixed);
    QElapsedTimer clock;
    clock.start();
    c.send(bytes({226}));
    // A fresh processor's night parameters, in the night layout.
    QCOMPARE(c.receive(26, clock, 2000).bytes.toHex(' '),
             bytes({1, 255, 255, 255, 1, 1, 1, 1,   1, 255, 255, 255, 255,
                    1, 1,   1,   1,   1, 1, 1, 255, 1, 0,   0,   0})
                 .toHex(' '));
}

void TestSimLine::lineSettingsLoggedBeforeTheirBytes()
{
    sim::Simulator s;
    QVERIFY(s.start());
    SimClient c(s.devicePath());
    const int mark = s.log().count();
    // As the panel sends and then uploads: each exchange sets its stop bits first.
    QVERIFY(c.setStopBits(2));
    QVERIFY(c.send(distinctDayFrame()));
    QVERIFY(s.log().waitFor("day frame", mark, kLogWait));
    QVERIFY(c.setStopBits(1));
    QVERIFY(c.send(bytes({226})));
    QVERIFY(s.log().waitFor("request 226: sent", mark, kLogWait));

    const QStringList lines = s.log().lines().mid(mark);
    const auto at = [&lines](const QString& fragment) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].contains(fragment)) {
                return i;
            }
        }
        return qsizetype{-1};
    };
    const qsizetype two = at("line settings: 1200 bit/s, 8 data bits, no parity, 2 stop bits");
    const qsizetype frame = at(" day frame: ");
    const qsizetype one = at("line settings: 1200 bit/s, 8 data bits, no parity, 1 stop bit");
    const qsizetype request = at(" request 226: sent ");
    QVERIFY2(0 <= two && two < frame && frame < one && one < request, qPrintable(lines.join('\n')));
}

void TestSimLine::linkCreatedAndRemoved()
{
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = dir.filePath("bin/ports/COM1"); // folders made as needed
    {
        sim::Simulator s(o);
        QVERIFY(s.start());
        QVERIFY(QFileInfo(o.linkPath).isSymLink());
        QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), s.devicePath());
        QCOMPARE(lnk::linkOwner(o.linkPath), std::optional<qint64>(::getpid()));
        s.stop();
        QVERIFY(!pathPresent(o.linkPath));
        QVERIFY(!pathPresent(lnk::ownerFilePath(o.linkPath)));
    }
    // A link left behind by a simulator that was killed is replaced.
    QVERIFY(QFile::link("/dev/pts/999", o.linkPath));
    sim::Simulator s(o);
    QVERIFY(s.start());
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), s.devicePath());
}

void TestSimLine::linkRefusesWhatIsNotItsOwn_data()
{
    QTest::addColumn<QString>("target"); // empty: a plain file
    QTest::newRow("a plain file") << QString();
    QTest::newRow("a link to a real adapter") << "/dev/ttyUSB0";
}

void TestSimLine::linkRefusesWhatIsNotItsOwn()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString path = dir.filePath("COM1");
    if (target.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("mine");
    } else {
        QVERIFY(QFile::link(target, path));
    }
    sim::Options o;
    o.linkPath = path;
    sim::Simulator s(o);
    QString error;
    QVERIFY(!s.start(&error));
    QVERIFY2(error.contains("not a link made by the simulator"), qPrintable(error));
    QVERIFY(!s.isRunning());
    QVERIFY(!pathPresent(lnk::ownerFilePath(path)));
    if (target.isEmpty()) {
        QVERIFY(!QFileInfo(path).isSymLink());
    } else {
        QCOMPARE(QFileInfo(path).symLinkTarget(), target);
    }
}

void TestSimLine::linkTakenOverIsLeftAlone()
{
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = dir.filePath("COM1");
    sim::Simulator s(o);
    QVERIFY(s.start());
    // Another simulator took the name over; stopping this one must not remove its link.
    QVERIFY(QFile::remove(o.linkPath));
    QVERIFY(QFile::link("/dev/pts/998", o.linkPath));
    s.stop();
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), QString("/dev/pts/998"));
}

void TestSimLine::secondSimulatorRefusedWhileTheFirstRuns()
{
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = dir.filePath("COM1");
    sim::Simulator first(o);
    QVERIFY(first.start());
    sim::Simulator second(o);
    QString error;
    QVERIFY(!second.start(&error));
    QCOMPARE(error, o.linkPath + " belongs to the simulator running as process " +
                        QString::number(::getpid()) + "; not taken over");
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), first.devicePath());
    QCOMPARE(lnk::linkOwner(o.linkPath), std::optional<qint64>(::getpid()));

    first.stop();
    QVERIFY(second.start(&error));
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), second.devicePath());
}

void TestSimLine::staleLinkReachesNothingAndIsReplaced()
{
    // What a killed simulator leaves: its link, now to a terminal that another program got,
    // and its owner file naming a process that is gone.
    sim::PseudoTerminal stranger;
    QVERIFY(stranger.open(nullptr));
    QProcess gone;
    gone.start("true");
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = lnk::portLinkPath(7, dir.path());
    QVERIFY(QDir().mkpath(dir.filePath("ports")));
    QVERIFY(QFile::link(stranger.devicePath(), o.linkPath));
    QFile owner(lnk::ownerFilePath(o.linkPath));
    QVERIFY(owner.open(QIODevice::WriteOnly));
    owner.write(QByteArray::number(pid) + "\n");
    owner.close();

    QVERIFY(lnk::ownerGone(o.linkPath));
    QCOMPARE(lnk::portDevice(7, dir.path()), QString());
    const QList<lnk::PortLink> links = lnk::portLinks(dir.path());
    QCOMPARE(links.size(), 1);
    QVERIFY(links[0].stale);

    sim::Simulator s(o);
    QString error;
    QVERIFY2(s.start(&error), qPrintable(error));
    QCOMPARE(QFileInfo(o.linkPath).symLinkTarget(), s.devicePath());
    QVERIFY(!lnk::ownerGone(o.linkPath));
    QCOMPARE(lnk::portDevice(7, dir.path()), s.devicePath());
    QVERIFY(!lnk::portLinks(dir.path())[0].stale);
}

void TestSimLine::ownerLockDecidesLiveness_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("stale");

    // Process 1 always runs: a process id alone proves nothing.
    QTest::newRow("a live process id, nobody locks it: stale")
        << QByteArray("1\n") << false << true;
    QTest::newRow("a live process id, locked: live") << QByteArray("1\n") << true << false;
    QTest::newRow("no process id at all, locked: live") << QByteArray() << true << false;
    QTest::newRow("no process id at all, nobody locks it: stale") << QByteArray() << false << true;
}

void TestSimLine::ownerLockDecidesLiveness()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, locked);
    QFETCH(bool, stale);

    sim::PseudoTerminal stranger;
    QVERIFY(stranger.open(nullptr));
    QTemporaryDir dir;
    const QString link = lnk::portLinkPath(4, dir.path());
    QVERIFY(QDir().mkpath(dir.filePath("ports")));
    QVERIFY(QFile::link(stranger.devicePath(), link));
    QFile owner(lnk::ownerFilePath(link));
    QVERIFY(owner.open(QIODevice::ReadWrite));
    owner.write(content);
    owner.flush();
    if (locked) {
        QCOMPARE(::flock(owner.handle(), LOCK_EX | LOCK_NB), 0);
    }

    QCOMPARE(lnk::ownerGone(link), stale);
    QCOMPARE(lnk::portDevice(4, dir.path()), stale ? QString() : stranger.devicePath());
    QCOMPARE(lnk::portLinks(dir.path()).value(0).stale, stale);
    // The probe gave the lock back: the holder still has it and nobody else gets it.
    if (locked) {
        QCOMPARE(lnk::probeOwnerLock(link), lnk::OwnerLock::Held);
    }
}

void TestSimLine::simulatorWaitsOutABriefLock()
{
    // A panel probing the owner file while the simulator starts: the start waits, then claims.
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = lnk::portLinkPath(5, dir.path());
    QVERIFY(QDir().mkpath(dir.filePath("ports")));
    const QByteArray ownerPath = QFile::encodeName(lnk::ownerFilePath(o.linkPath));
    const int fd = ::open(ownerPath.constData(), O_RDWR | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_SH | LOCK_NB), 0);
    std::thread probe([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::close(fd);
    });
    sim::Simulator s(o);
    QString error;
    const bool started = s.start(&error);
    probe.join();
    QVERIFY2(started, qPrintable(error));
    QCOMPARE(lnk::probeOwnerLock(o.linkPath), lnk::OwnerLock::Held);
}

QTEST_GUILESS_MAIN(TestSimLine)
#include "test_sim_line.moc"
