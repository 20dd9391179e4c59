// The serial layer on a real pseudo-terminal, with the test playing the device, and the
// mapping from port numbers to devices.
#include "RawPty.h"
#include "link/LineSettings.h"
#include "link/PortNames.h"
#include "link/QtSerialLine.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace std::chrono_literals;

namespace {

// Port 1 (the test's ports/COM1 link) with the uploads' line settings.
void useForUpload(lnk::QtSerialLine& line)
{
    line.setPort(1);
    line.setSettings(lnk::kUploadSettings.text());
}

} // namespace

class TestSerialLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settings_data();
    void settings();
    void portNumbersReachDevices();
    void portLinksListed();
    void numberOfADevice();

    void lineSettingsReachTheDevice();
    void everyByteLeavesBeforeClose();
    void staleInputIsDropped();
    void waitEndsAsSoonAsEnoughArrived();
    void runningOutOfTimeIsNoFault();
    void vanishedDeviceIsAFault();
    void missingPortsRefuseToOpen();
};

void TestSerialLine::settings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("bitsPerByte");

    QTest::newRow("send") << "1200,N,8,2" << true << 11;
    QTest::newRow("upload") << "1200,N,8,1" << true << 10;
    QTest::newRow("parity, 1.5 stop") << "9600,e,7,1.5" << true << 11;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("three fields") << "1200,N,8" << false << 0;
    QTest::newRow("baud not a number") << "fast,N,8,1" << false << 0;
    QTest::newRow("unknown parity") << "1200,X,8,1" << false << 0;
    QTest::newRow("nine data bits") << "1200,N,9,1" << false << 0;
    QTest::newRow("three stop bits") << "1200,N,8,3" << false << 0;
}

void TestSerialLine::settings()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, bitsPerByte);
    const std::optional<lnk::LineSettings> s = lnk::parseLineSettings(text);
    QCOMPARE(s.has_value(), valid);
    if (valid) {
        QCOMPARE(s->bitsPerByte(), bitsPerByte);
    }
}

void TestSerialLine::portNumbersReachDevices()
{
    QTemporaryDir dir;
    QFile device(dir.filePath(QStringLiteral("fake-device")));
    QVERIFY(device.open(QIODevice::WriteOnly));
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QVERIFY(QFile::link(device.fileName(), dir.filePath(QStringLiteral("ports/COM3"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")),
                        dir.filePath(QStringLiteral("ports/COM5"))));

    // A link is resolved to the device itself.
    QCOMPARE(lnk::portDevice(3, dir.path()), QFileInfo(device.fileName()).canonicalFilePath());
    // Without a link, 1 is the first serial port.
    QCOMPARE(lnk::portDevice(1, dir.path()), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(lnk::portDevice(2, dir.path()), QStringLiteral("/dev/ttyS1"));
    // A link whose device is gone reaches nothing; it does not fall back to ttyS4.
    QVERIFY(lnk::portDevice(5, dir.path()).isEmpty());
    QVERIFY(lnk::portDevice(0, dir.path()).isEmpty());
    QVERIFY(lnk::portDevice(256, dir.path()).isEmpty());
}

void TestSerialLine::portLinksListed()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("ports/COM12"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")),
                        dir.filePath(QStringLiteral("ports/COM2"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("ports/readme"))));

    const QList<lnk::PortLink> links = lnk::portLinks(dir.path());
    QCOMPARE(links.size(), 2);
    QCOMPARE(links[0].portNo, 2);
    QVERIFY(links[0].device.isEmpty());
    QCOMPARE(links[1].portNo, 12);
    QCOMPARE(links[1].device, QStringLiteral("/dev/null"));
    QVERIFY(lnk::portLinks(dir.filePath(QStringLiteral("nowhere"))).isEmpty());
}

void TestSerialLine::numberOfADevice()
{
    QTemporaryDir dir;
    QCOMPARE(lnk::portNumberOf(QStringLiteral("/dev/ttyS3"), dir.path()), std::optional<int>(4));
    QCOMPARE(lnk::portNumberOf(QStringLiteral("/dev/ttyUSB0"), dir.path()), std::nullopt);

    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("ports/COM4"))));
    QCOMPARE(lnk::portNumberOf(QStringLiteral("/dev/null"), dir.path()), std::optional<int>(4));
    // Number 4 now reaches the link's device, so ttyS3 has none.
    QCOMPARE(lnk::portNumberOf(QStringLiteral("/dev/ttyS3"), dir.path()), std::nullopt);
}

void TestSerialLine::lineSettingsReachTheDevice()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.isOpen());
    QVERIFY(pty.linkAs(dir.path(), 1));
    lnk::QtSerialLine line(dir.path());
    line.setPort(1);
    for (const bool twoStops : {true, false}) {
        line.setSettings((twoStops ? lnk::kSendSettings : lnk::kUploadSettings).text());
        QVERIFY2(line.open(), qPrintable(line.lastError()));
        termios t{};
        QCOMPARE(tcgetattr(pty.guard(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B1200));
        QCOMPARE((t.c_cflag & CSIZE), tcflag_t(CS8));
        QCOMPARE((t.c_cflag & PARENB) != 0, false);
        QCOMPARE((t.c_cflag & CSTOPB) != 0, twoStops);
        QCOMPARE((t.c_cflag & CRTSCTS) != 0, false);
        QVERIFY(line.close());
    }
}

void TestSerialLine::everyByteLeavesBeforeClose()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 2));
    lnk::QtSerialLine line(dir.path());
    line.setPort(2);
    line.setSettings(lnk::kSendSettings.text());
    QVERIFY2(line.open(), qPrintable(line.lastError()));
    QByteArray frame;
    for (int i = 0; i < 42; ++i) {
        frame.append(static_cast<char>(i * 6));
        QVERIFY(line.writeByte(static_cast<quint8>(i * 6)));
    }
    QVERIFY(line.close());
    QVERIFY(!line.isOpen());
    QCOMPARE(pty.receive(43, 200ms).toHex(' '), frame.toHex(' '));
}

void TestSerialLine::staleInputIsDropped()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 1));
    QVERIFY(pty.send("an old reply"));
    QThread::msleep(20);
    lnk::QtSerialLine line(dir.path());
    useForUpload(line);
    QVERIFY(line.open());
    QCOMPARE(line.bytesWaiting(), 0);
    QVERIFY(pty.send("new"));
    QCOMPARE(line.waitForBytes(3, 1000ms, {}), 3);
    QCOMPARE(line.readAllWaiting(), QByteArray("new"));
    QCOMPARE(line.bytesWaiting(), 0);
    QVERIFY(line.close());
}

void TestSerialLine::waitEndsAsSoonAsEnoughArrived()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 1));
    lnk::QtSerialLine line(dir.path());
    useForUpload(line);
    QVERIFY(line.open());

    std::thread device([&pty] {
        for (int i = 0; i < 6; ++i) {
            std::this_thread::sleep_for(15ms);
            pty.send(QByteArray(7, 'x'));
        }
    });
    int idles = 0;
    QElapsedTimer t;
    t.start();
    const int got = line.waitForBytes(42, 5000ms, [&idles] { ++idles; });
    const qint64 took = t.elapsed();
    device.join();
    QCOMPARE(got, 42);
    QVERIFY2(took < 2000, qPrintable(QString::number(took)));
    QVERIFY(idles > 0); // the panel gets to repaint during the wait
    QCOMPARE(line.fault(), lnk::LineFault::None);
    QVERIFY(line.close());
}

void TestSerialLine::runningOutOfTimeIsNoFault()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 1));
    lnk::QtSerialLine line(dir.path());
    useForUpload(line);
    QVERIFY(line.open());
    QVERIFY(pty.send("abc"));
    QElapsedTimer t;
    t.start();
    QCOMPARE(line.waitForBytes(25, 150ms, {}), 3);
    QVERIFY(t.elapsed() >= 140);
    QCOMPARE(line.fault(), lnk::LineFault::None);
    QCOMPARE(line.bytesWaiting(), 3);
    QVERIFY(line.close());
}

void TestSerialLine::vanishedDeviceIsAFault()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 1));
    lnk::QtSerialLine line(dir.path());
    useForUpload(line);
    QVERIFY(line.open());
    QVERIFY(line.writeByte(226));
    std::thread unplug([&pty] {
        std::this_thread::sleep_for(50ms);
        pty.hangUp();
    });
    QElapsedTimer t;
    t.start();
    const int got = line.waitForBytes(42, 3000ms, {});
    unplug.join();
    QCOMPARE(got, -1);
    QCOMPARE(line.fault(), lnk::LineFault::DeviceGone);
    QVERIFY2(t.elapsed() < 1500, "a hang-up ends the wait");
    line.close();
    QVERIFY(!line.isOpen());
    // The next exchange finds the port missing.
    QVERIFY(!line.open());
    QCOMPARE(line.fault(), lnk::LineFault::PortMissing);
}

void TestSerialLine::missingPortsRefuseToOpen()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")),
                        dir.filePath(QStringLiteral("ports/COM4"))));
    lnk::QtSerialLine line(dir.path());
    line.setSettings(lnk::kSendSettings.text());
    for (const int portNo : {0, 4, 200}) {
        line.setPort(portNo);
        QVERIFY(!line.open());
        QVERIFY(!line.isOpen());
        QCOMPARE(line.fault(), lnk::LineFault::PortMissing);
        QVERIFY(!line.lastError().isEmpty());
        QVERIFY(line.close());
    }

    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 1));
    line.setPort(1);
    line.setSettings(QStringLiteral("1200;N;8;2"));
    QVERIFY(!line.open());
    QCOMPARE(line.fault(), lnk::LineFault::OpenRefused);
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "test_serialline.moc"
