// The network lines against a real serial server (ser2net on loopback) in front of the
// simulated processor or a bare pseudo-terminal, and against a scripted Telnet server.
#include "NetworkRig.h"
#include "RawPty.h"
#include "link/Exchange.h"
#include "link/Frames.h"
#include "link/Rfc2217Line.h"

#include <QElapsedTimer>

#include <memory>
#include <termios.h>
#include <vector>

using namespace std::chrono_literals;
using lnk::LineFault;

using namespace netrig;

class TestNetworkLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void schemes_data();
    void framesThroughTheServer_data() { schemes_data(); }
    void framesThroughTheServer();
    void stopBitsReachTheSerialSide_data();
    void stopBitsReachTheSerialSide();
    void refusedConnectionFailsTheOpen_data() { schemes_data(); }
    void refusedConnectionFailsTheOpen();
    void unansweredConnectTimesOut();
    void secondClientIsBusy_data() { schemes_data(); }
    void secondClientIsBusy();
    void serverVanishingMidReplyFails_data() { schemes_data(); }
    void serverVanishingMidReplyFails();
    void refusingServerFailsTheOpen_data();
    void refusingServerFailsTheOpen();
    void requestsIgnoredBeforeAgreementAreSentAgain_data();
    void requestsIgnoredBeforeAgreementAreSentAgain();
    void replyTakenByLengthInBursts_data();
    void replyTakenByLengthInBursts();
    void negotiationFloodFailsTheOpen();
};

void TestNetworkLines::schemes_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("tcp") << false;
    QTest::newRow("rfc2217") << true;
}

void TestNetworkLines::framesThroughTheServer()
{
    QFETCH(bool, rfc2217);
    ORVEX_SKIP_WITHOUT_SER2NET();
    Site site;
    QVERIFY2(site.start(), qPrintable(site.error));
    const auto line = site.line(rfc2217);

    model::ParameterSet set;
    set.assign(model::Member::gate, 0xFF);                // the Telnet escape byte
    set.assign(model::Member::ranges, lnk::kFrameHeader); // a frame header inside the data
    const QByteArray frame = lnk::encodeFrame(lnk::Layout::Day, set);

    Watch send(*line);
    QVERIFY(send.open(lnk::kSendSettings));
    const int mark = site.simulator.log().count();
    QElapsedTimer sending;
    sending.start();
    line->write(frame);
    QCOMPARE(send.close(), LineFault::None);
    // Closed only once the frame can have left a real serial line.
    QVERIFY(sending.elapsed() >= lnk::kSendSettings.lineTime(frame.size()).count());
    QCOMPARE(send.dataWritten(), frame.size());
    QVERIFY(site.simulator.log().waitFor(QStringLiteral("day frame"), mark, 2s));
    QVERIFY(site.simulator.state().current == sim::valuesOf(set));

    Watch upload(*line);
    QVERIFY(upload.open(lnk::kUploadSettings));
    line->write(QByteArray(1, char(lnk::kUploadRequest)));
    QByteArray reply;
    QVERIFY(QTest::qWaitFor(
        [&] {
            reply += line->readAll();
            return reply.size() >= lnk::kDayReplySize;
        },
        kWaitMs));
    QCOMPARE(reply.toHex(' '), lnk::encodeReply(lnk::Layout::Day, set).toHex(' '));
    QCOMPARE(upload.close(), LineFault::None);
}

void TestNetworkLines::stopBitsReachTheSerialSide_data()
{
    QTest::addColumn<QString>("serverDefault");
    QTest::addColumn<bool>("send");

    QTest::newRow("send: 2 stop bits on a port left at 1") << "9600e71" << true;
    QTest::newRow("upload: 1 stop bit on a port left at 2") << "9600e72" << false;
}

void TestNetworkLines::stopBitsReachTheSerialSide()
{
    QFETCH(QString, serverDefault);
    QFETCH(bool, send);
    ORVEX_SKIP_WITHOUT_SER2NET();
    RawPty pty;
    QVERIFY(pty.isOpen());
    Ser2net server(pty.device(), serverDefault);
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    const std::unique_ptr<lnk::NetworkLine> line(
        lnk::createNetworkLine(server.address(lnk::NetworkScheme::Rfc2217)));

    Watch watch(*line);
    QVERIFY(watch.open(send ? lnk::kSendSettings : lnk::kUploadSettings));
    termios t{};
    QCOMPARE(tcgetattr(pty.guard(), &t), 0);
    QCOMPARE(cfgetospeed(&t), speed_t(B1200));
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(t.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE((t.c_cflag & CSTOPB) != 0, send);
    line->abort();
}

void TestNetworkLines::refusedConnectionFailsTheOpen()
{
    QFETCH(bool, rfc2217);
    const lnk::NetworkAddress closedPort{schemeOf(rfc2217), QStringLiteral("127.0.0.1"),
                                         Ser2net::freeLoopbackPort()};
    const std::unique_ptr<lnk::NetworkLine> line(lnk::createNetworkLine(closedPort));
    Watch watch(*line);
    QVERIFY(!watch.open(lnk::kSendSettings));
    QCOMPARE(Watch::fault(watch.openFailed), LineFault::PortMissing);
    line->write(QByteArray(1, char(lnk::kUploadRequest)));
    QTest::qWait(20);
    QVERIFY(watch.written.isEmpty());
}

void TestNetworkLines::unansweredConnectTimesOut()
{
    // A server that accepts nobody: once its queue is full, a connect goes unanswered.
    QTcpServer server;
    server.setListenBacklogSize(1);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    server.pauseAccepting();
    std::vector<std::unique_ptr<QTcpSocket>> queued;
    for (int i = 0; i < 8; ++i) {
        queued.push_back(std::make_unique<QTcpSocket>());
        queued.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
        if (!queued.back()->waitForConnected(500)) {
            break;
        }
    }
    const std::unique_ptr<lnk::NetworkLine> line(lnk::createNetworkLine(
        {lnk::NetworkScheme::Tcp, QStringLiteral("127.0.0.1"), server.serverPort()}));
    Watch watch(*line);
    QVERIFY(!watch.open(lnk::kSendSettings));
    QCOMPARE(Watch::fault(watch.openFailed), LineFault::ConnectTimeout);
}

void TestNetworkLines::secondClientIsBusy()
{
    QFETCH(bool, rfc2217);
    ORVEX_SKIP_WITHOUT_SER2NET();
    Site site;
    QVERIFY2(site.start(), qPrintable(site.error));
    const auto first = site.line(rfc2217);
    const auto second = site.line(rfc2217);
    Watch holder(*first);
    QVERIFY(holder.open(lnk::kUploadSettings));

    Watch watch(*second);
    QVERIFY(!watch.open(lnk::kUploadSettings));
    QCOMPARE(Watch::fault(watch.openFailed), LineFault::PortBusy);
    QVERIFY(!holder.failed.count());
    first->abort();
}

void TestNetworkLines::serverVanishingMidReplyFails()
{
    QFETCH(bool, rfc2217);
    ORVEX_SKIP_WITHOUT_SER2NET();
    Site site;
    QVERIFY2(site.start(), qPrintable(site.error));
    const auto line = site.line(rfc2217);
    Watch watch(*line);
    QVERIFY(watch.open(lnk::kUploadSettings));
    line->write(QByteArray(1, char(lnk::kUploadRequest)));
    QVERIFY(QTest::qWaitFor([&] { return line->bytesAvailable() > 0; }, kWaitMs));
    site.server->kill();
    QVERIFY(QTest::qWaitFor([&] { return !watch.failed.isEmpty(); }, kWaitMs));
    QCOMPARE(Watch::fault(watch.failed), LineFault::DeviceGone);
    QVERIFY(line->bytesAvailable() < lnk::kDayReplySize);
    QVERIFY(!line->isOpen());
}

void TestNetworkLines::refusingServerFailsTheOpen_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<LineFault>("fault");

    const QByteArray binary = QByteArray::fromHex("fffd00fffb00");
    QTest::newRow("COM port option refused")
        << binary + QByteArray::fromHex("fffe2c") << LineFault::OpenRefused;
    QTest::newRow("binary data refused")
        << QByteArray::fromHex("fffc00fffd2c") << LineFault::OpenRefused;
    QTest::newRow("another baud rate confirmed")
        << binary + QByteArray::fromHex("fffd2c"
                                        "fffa2c6500002580fff0"
                                        "fffa2c6608fff0fffa2c6701fff0fffa2c6802fff0"
                                        "fffa2c7003fff0")
        << LineFault::OpenRefused;
    QTest::newRow("no answer at all") << QByteArray() << LineFault::ConnectTimeout;
}

void TestNetworkLines::refusingServerFailsTheOpen()
{
    QFETCH(QByteArray, script);
    QFETCH(LineFault, fault);
    TelnetServer server(QHostAddress::LocalHost, script);
    QVERIFY(server.isListening());
    const std::unique_ptr<lnk::NetworkLine> line(
        lnk::createNetworkLine(server.address(QStringLiteral("127.0.0.1"))));
    Watch watch(*line);
    QVERIFY(!watch.open(lnk::kSendSettings));
    QCOMPARE(Watch::fault(watch.openFailed), fault);
}

void TestNetworkLines::requestsIgnoredBeforeAgreementAreSentAgain_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("listenOn");

    QTest::newRow("IPv4") << "127.0.0.1"
                          << "127.0.0.1";
    QTest::newRow("IPv6") << "::1"
                          << "::1";
    QTest::newRow("host name") << "localhost"
                               << "127.0.0.1";
}

void TestNetworkLines::requestsIgnoredBeforeAgreementAreSentAgain()
{
    QFETCH(QString, host);
    QFETCH(QString, listenOn);
    TelnetServer server(QHostAddress(listenOn), QByteArray::fromHex("fffd00fffb00fffd2c"),
                        QByteArray::fromHex("fffa2c65000004b0fff0fffa2c6608fff0fffa2c6701fff0"
                                            "fffa2c6802fff0fffa2c7003fff0"));
    if (!server.isListening()) {
        QSKIP("this loopback address cannot be used here");
    }
    const std::unique_ptr<lnk::NetworkLine> line(lnk::createNetworkLine(server.address(host)));
    Watch watch(*line);
    QVERIFY(watch.open(lnk::kSendSettings));
    line->abort();
}

namespace {

// A raw serial server whose device answers the request byte with a reply in two bursts.
class BurstServer : public QTcpServer
{
public:
    BurstServer(QByteArray reply, int split, std::chrono::milliseconds pause)
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this, reply, split, pause] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s, reply, split, pause] {
                if (!s->readAll().contains(char(lnk::kUploadRequest))) {
                    return;
                }
                s->write(reply.left(split));
                QTimer::singleShot(pause, s, [s, reply, split] { s->write(reply.mid(split)); });
            });
        });
    }
    lnk::NetworkAddress address() const
    {
        return {lnk::NetworkScheme::Tcp, QStringLiteral("127.0.0.1"), serverPort()};
    }
};

} // namespace

void TestNetworkLines::replyTakenByLengthInBursts_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("split");
    QTest::addColumn<bool>("day");

    // Each byte its offset plus 100: where a value lands shows which layout read it.
    QByteArray day;
    for (int i = 0; i < 42; ++i) {
        day.append(char(100 + i));
    }
    QTest::newRow("day reply paused after 20 bytes") << day << 20 << true;
    QTest::newRow("day reply paused after exactly 25 bytes") << day << 25 << true;
    QTest::newRow("day reply paused after 30 bytes") << day << 30 << true;
    QTest::newRow("night reply of 25 bytes") << day.left(25) << 25 << false;
}

void TestNetworkLines::replyTakenByLengthInBursts()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, split);
    QFETCH(bool, day);

    BurstServer server(reply, split, 210ms);
    const std::unique_ptr<lnk::NetworkLine> line(lnk::createNetworkLine(server.address()));
    lnk::Exchange x(*line, lnk::uploadRequest(std::nullopt, lnk::kNightUploadWait));
    QSignalSpy finished(&x, &lnk::Exchange::finished);
    x.start();
    QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, kWaitMs));
    const auto r = finished.first().at(0).value<lnk::ExchangeResult>();

    QCOMPARE(r.status, lnk::ExchangeStatus::Done);
    QCOMPARE(r.layout, day ? lnk::Layout::Day : lnk::Layout::Night);
    QCOMPARE(r.reply(), reply);
    model::ParameterSet set;
    QVERIFY(lnk::applyReply(*r.layout, r.reply(), set));
    if (day) {
        // Offsets 30 and 34 of the day reply: MSlimit and LUFSOffset.
        QCOMPARE(set.value(model::Member::MSlimit), 130);
        QCOMPARE(set.value(model::Member::LUFSOffset), 134);
    } else {
        // A night reply taken by length waits out the day upload's time first.
        QVERIFY(r.duration >= lnk::kDayUploadWait);
        QVERIFY(r.duration < lnk::kNightUploadWait);
    }
}

void TestNetworkLines::negotiationFloodFailsTheOpen()
{
    // A server that answers nothing but Telnet no-operations, as fast as it can.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QByteArray nops;
    for (int i = 0; i < 32 * 1024; ++i) {
        nops.append(char(lnk::telnet::kIac)).append(char(241));
    }
    qint64 sent = 0;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket* s = server.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::bytesWritten, s, [&, s](qint64 n) {
            sent += n;
            if (s->bytesToWrite() == 0 && sent < 64 * 1024 * 1024) {
                s->write(nops);
            }
        });
        s->write(nops);
    });
    const std::unique_ptr<lnk::NetworkLine> line(lnk::createNetworkLine(
        {lnk::NetworkScheme::Rfc2217, QStringLiteral("127.0.0.1"), server.serverPort()}));
    Watch watch(*line);
    QElapsedTimer t;
    t.start();
    QVERIFY(!watch.open(lnk::kSendSettings));
    QCOMPARE(Watch::fault(watch.openFailed), LineFault::ProtocolFault);
    QVERIFY2(t.elapsed() < lnk::kNegotiationTimeout.count() / 2,
             qPrintable(QString::number(t.elapsed())));
}

QTEST_GUILESS_MAIN(TestNetworkLines)
#include "test_networklines.moc"
