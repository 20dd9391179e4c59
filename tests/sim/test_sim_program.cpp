// orvexdab-sim as a user starts it: first line, link, log, clean end on SIGTERM.
#include "SimBytes.h"
#include "SimClient.h"
#include "link/LinkOwner.h"
#include "link/PortNames.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr int kWaitMs = 5000;

QString program()
{
    return qEnvironmentVariable("ORVEX_BIN_DIR") + "/orvexdab-sim";
}

bool pathPresent(const QString& path)
{
    struct stat st
    {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Reads standard output until it holds the fragment or the time is up.
bool waitForOutput(QProcess& p, QByteArray& seen, const QByteArray& fragment)
{
    QDeadlineTimer deadline(kWaitMs);
    while (!seen.contains(fragment) && !deadline.hasExpired()) {
        p.waitForReadyRead(static_cast<int>(qMax<qint64>(deadline.remainingTime(), 1)));
        seen += p.readAllStandardOutput();
    }
    return seen.contains(fragment);
}

} // namespace

class TestSimProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void help();
    void wrongOption_data();
    void wrongOption();
    void servesUntilTerminated();
    void logToFile();
    void secondOnTheSameLinkRefused();
    void killedLeavesAStaleLinkThatIsReplaced();
};

void TestSimProgram::help()
{
    QProcess p;
    p.start(program(), {"--help"});
    QVERIFY(p.waitForFinished(kWaitMs));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray out = p.readAllStandardOutput();
    QVERIFY(out.startsWith("Usage: orvexdab-sim"));
    QVERIFY(out.contains("--drop-after N"));
}

void TestSimProgram::wrongOption_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("unknown layout")
        << QStringList{"--reply", "noon"} << QByteArray("--reply takes day or night");
    QTest::newRow("reply length beyond its maximum")
        << QStringList{"--reply-length", "1000000000"}
        << QByteArray("--reply-length takes at most 4096 bytes");
}

void TestSimProgram::wrongOption()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    QProcess p;
    p.start(program(), args);
    QVERIFY(p.waitForFinished(kWaitMs));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains(message));
}

void TestSimProgram::servesUntilTerminated()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("bin/ports/COM1");
    QProcess p;
    p.start(program(), {"--link", link});
    QByteArray out;
    QVERIFY(waitForOutput(p, out, "processor ready"));
    const QString device = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    QVERIFY2(device.startsWith("/dev/pts/"), out.constData());
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);

    SimClient c(link);
    QVERIFY(c.isOpen());
    c.send(bytes({100}));
    QVERIFY(waitForOutput(p, out, "command 100 Testtone: test tone on\n"));
    c.send(distinctDayFrame());
    QVERIFY(waitForOutput(p, out, "day frame: gate=1 ranges=2 bassrel=3"));
    c.close();

    p.terminate();
    QVERIFY(p.waitForFinished(kWaitMs));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    out += p.readAllStandardOutput();
    QVERIFY(out.endsWith("processor stopped\n"));
    QVERIFY(!pathPresent(link));
}

void TestSimProgram::logToFile()
{
    QTemporaryDir dir;
    const QString log = dir.filePath("sim.log");
    QProcess p;
    p.start(program(), {"--log", log});
    QVERIFY(p.waitForReadyRead(kWaitMs));
    QByteArray out = p.readLine();
    QVERIFY(out.startsWith("/dev/pts/"));
    SimClient c(QString::fromLocal8Bit(out.trimmed()));
    c.send(bytes({110}));
    const auto logged = [&log] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("command 110 Stoptone");
    };
    QTRY_VERIFY_WITH_TIMEOUT(logged(), kWaitMs);
    p.terminate();
    QVERIFY(p.waitForFinished(kWaitMs));
    QCOMPARE(p.readAllStandardOutput(), QByteArray());
}

void TestSimProgram::secondOnTheSameLinkRefused()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ports/COM1");
    const QString log = dir.filePath("sim.log");
    QProcess first;
    first.start(program(), {"--link", link, "--log", log});
    QVERIFY(first.waitForReadyRead(kWaitMs));
    const QString device = QString::fromLocal8Bit(first.readLine().trimmed());

    QProcess second;
    second.start(program(), {"--link", link, "--log", log});
    QVERIFY(second.waitForFinished(kWaitMs));
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(second.readAllStandardError()),
             QString("orvexdab-sim: %1 belongs to the simulator running as process %2; not "
                     "taken over\n")
                 .arg(link)
                 .arg(first.processId()));
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("processor ready on " + device.toLocal8Bit()));

    first.terminate();
    QVERIFY(first.waitForFinished(kWaitMs));
    QVERIFY(!pathPresent(link));
    QVERIFY(!pathPresent(lnk::ownerFilePath(link)));
}

void TestSimProgram::killedLeavesAStaleLinkThatIsReplaced()
{
    QTemporaryDir dir;
    const QString link = lnk::portLinkPath(1, dir.path());
    QProcess killed;
    killed.start(program(), {"--link", link});
    QByteArray out;
    QVERIFY(waitForOutput(killed, out, "processor ready"));
    QCOMPARE(lnk::portDevice(1, dir.path()), QString::fromLocal8Bit(out.left(out.indexOf('\n'))));
    killed.kill();
    QVERIFY(killed.waitForFinished(kWaitMs));

    QVERIFY(pathPresent(link));
    QVERIFY(lnk::ownerGone(link));
    QCOMPARE(lnk::portDevice(1, dir.path()), QString());

    QProcess next;
    next.start(program(), {"--link", link});
    out.clear();
    QVERIFY(waitForOutput(next, out, "processor ready"));
    QCOMPARE(lnk::linkOwner(link), std::optional<qint64>(next.processId()));
    QCOMPARE(lnk::portDevice(1, dir.path()), QString::fromLocal8Bit(out.left(out.indexOf('\n'))));
    next.terminate();
    QVERIFY(next.waitForFinished(kWaitMs));
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "test_sim_program.moc"
