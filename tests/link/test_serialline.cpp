// The serial layer on a real pseudo-terminal, with the test playing the device, and the
// mapping from port numbers to devices.
#include "RawPty.h"
#include "link/LineSettings.h"
#include "link/PortLines.h"
#include "link/PortNames.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace std::chrono_literals;

namespace {

// Opens the line and waits for the answer; true when it opened.
bool openLine(lnk::Line& line, const lnk::LineSettings& settings)
{
    QSignalSpy opened(&line, &lnk::Line::opened);
    QSignalSpy refused(&line, &lnk::Line::openFailed);
    line.open(settings);
    return QTest::qWaitFor([&] { return !opened.isEmpty() || !refused.isEmpty(); }, 5000) &&
           !opened.isEmpty();
}

// Closes the line and waits until it is closed; the fault it reported.
lnk::LineFault closeLine(lnk::Line& line)
{
    QSignalSpy closed(&line, &lnk::Line::closed);
    line.close();
    if (!closed.wait(5000)) {
        return lnk::LineFault::DrainTimeout;
    }
    return closed.first().first().value<lnk::LineFault>();
}

} // namespace

Q_DECLARE_METATYPE(lnk::LineSettings)

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
    void vanishedDeviceIsAFault();
    void missingPortsRefuseToOpen();
};

void TestSerialLine::settings_data()
{
    QTest::addColumn<lnk::LineSettings>("settings");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bitsPerByte");
    QTest::addColumn<int>("dayFrameMs"); // 42 bytes on the line

    QTest::newRow("send") << lnk::kSendSettings << "1200,N,8,2" << 11 << 385;
    QTest::newRow("upload") << lnk::kUploadSettings << "1200,N,8,1" << 10 << 350;
    QTest::newRow("parity, 1.5 stop")
        << lnk::LineSettings{9600, lnk::Parity::Even, 7, lnk::StopBits::OneAndHalf}
        << "9600,E,7,1.5" << 11 << 49;
}

void TestSerialLine::settings()
{
    QFETCH(lnk::LineSettings, settings);
    QFETCH(QString, text);
    QFETCH(int, bitsPerByte);
    QFETCH(int, dayFrameMs);
    QCOMPARE(settings.text(), text);
    QCOMPARE(settings.bitsPerByte(), bitsPerByte);
    QCOMPARE(settings.lineTime(42).count(), dayFrameMs);
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
    lnk::PortLines lines(dir.path());
    lnk::Line& line = lines.lineFor({1, {}});
    for (const bool twoStops : {true, false}) {
        QVERIFY(openLine(line, twoStops ? lnk::kSendSettings : lnk::kUploadSettings));
        termios t{};
        QCOMPARE(tcgetattr(pty.guard(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B1200));
        QCOMPARE((t.c_cflag & CSIZE), tcflag_t(CS8));
        QCOMPARE((t.c_cflag & PARENB) != 0, false);
        QCOMPARE((t.c_cflag & CSTOPB) != 0, twoStops);
        QCOMPARE((t.c_cflag & CRTSCTS) != 0, false);
        QCOMPARE(closeLine(line), lnk::LineFault::None);
    }
}

void TestSerialLine::everyByteLeavesBeforeClose()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 2));
    lnk::PortLines lines(dir.path());
    lnk::Line& line = lines.lineFor({2, {}});
    QVERIFY(openLine(line, lnk::kSendSettings));
    QByteArray frame;
    for (int i = 0; i < 42; ++i) {
        frame.append(static_cast<char>(i * 6));
        line.write(frame.right(1));
    }
    QCOMPARE(closeLine(line), lnk::LineFault::None);
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
    lnk::PortLines lines(dir.path());
    lnk::Line& line = lines.lineFor({1, {}});
    QVERIFY(openLine(line, lnk::kUploadSettings));
    QCOMPARE(line.bytesAvailable(), 0);
    QSignalSpy received(&line, &lnk::Line::received);
    QVERIFY(pty.send("new"));
    QVERIFY(QTest::qWaitFor([&] { return line.bytesAvailable() == 3; }, 2000));
    QVERIFY(!received.isEmpty());
    QCOMPARE(line.readAll(), QByteArray("new"));
    QCOMPARE(line.bytesAvailable(), 0);
    QCOMPARE(closeLine(line), lnk::LineFault::None);
}

void TestSerialLine::vanishedDeviceIsAFault()
{
    QTemporaryDir dir;
    RawPty pty;
    QVERIFY(pty.linkAs(dir.path(), 1));
    lnk::PortLines lines(dir.path());
    lnk::Line& line = lines.lineFor({1, {}});
    QVERIFY(openLine(line, lnk::kUploadSettings));
    line.write(QByteArray(1, '\xe2'));
    QSignalSpy failed(&line, &lnk::Line::failed);
    QElapsedTimer t;
    t.start();
    pty.hangUp();
    QVERIFY(failed.wait(1500)); // a hang-up is noticed at once
    QCOMPARE(failed.first().first().value<lnk::LineFault>(), lnk::LineFault::DeviceGone);
    QVERIFY(!line.isOpen());
    // The next exchange finds the port missing.
    lnk::Line& next = lines.lineFor({1, {}});
    QSignalSpy refused(&next, &lnk::Line::openFailed);
    QVERIFY(!openLine(next, lnk::kSendSettings));
    QCOMPARE(refused.first().first().value<lnk::LineFault>(), lnk::LineFault::PortMissing);
}

void TestSerialLine::missingPortsRefuseToOpen()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")),
                        dir.filePath(QStringLiteral("ports/COM4"))));
    lnk::PortLines lines(dir.path());
    for (const int portNo : {0, 4, 200}) {
        lnk::Line& line = lines.lineFor({portNo, {}});
        QSignalSpy refused(&line, &lnk::Line::openFailed);
        QVERIFY(!openLine(line, lnk::kSendSettings));
        QVERIFY(!line.isOpen());
        QCOMPARE(refused.first().first().value<lnk::LineFault>(), lnk::LineFault::PortMissing);
        QVERIFY(!refused.first().at(1).toString().isEmpty());
        QCOMPARE(closeLine(line), lnk::LineFault::None);
    }
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "test_serialline.moc"
