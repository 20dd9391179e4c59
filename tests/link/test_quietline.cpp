// Replies that can be trusted: an upload asks only on a quiet line, so bytes still arriving from
// an interrupted exchange or a chatty server are never read as the answer; a record's read takes
// a reply only at exactly its layout's length. Sends and commands do not wait.
#include "session/LineLog.h"
#include "session/PortText.h"
#include "session/ProcessorChannel.h"
#include "support/MemoryLine.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

QByteArray counting(int size)
{
    QByteArray r;
    for (int i = 0; i < size; ++i) {
        r.append(static_cast<char>(i + 1));
    }
    return r;
}

struct LineScript
{
    QByteArray waitingAtOpen;
    int chatter = 0;
    QByteArray reply;
};

session::ChannelResult runOn(MemoryLine& line, const QString& dataDir,
                             const std::function<void(session::ProcessorChannel&)>& ask)
{
    session::ProcessorChannel channel(dataDir, &line);
    channel.setPort(lnk::PortRef{3, {}});
    QSignalSpy finished(&channel, &session::ProcessorChannel::finished);
    ask(channel);
    if (!finished.wait(5000)) {
        qWarning("the exchange did not end");
        return {};
    }
    return finished.first().first().value<session::ChannelResult>();
}

} // namespace

Q_DECLARE_METATYPE(session::ReplyLength)
Q_DECLARE_METATYPE(std::optional<lnk::Layout>)

class TestQuietLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void uploadAsksOnAQuietLine_data();
    void uploadAsksOnAQuietLine();
    void droppedBytesAreLogged();
    void sendsAndCommandsDoNotWait();

private:
    QTemporaryDir m_dir;
};

void TestQuietLine::uploadAsksOnAQuietLine_data()
{
    QTest::addColumn<QByteArray>("waitingAtOpen");
    QTest::addColumn<int>("chatter");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<std::optional<lnk::Layout>>("layout");
    QTest::addColumn<session::ReplyLength>("length");
    QTest::addColumn<bool>("requestSent");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<QString>("failure"); // empty: the reply is taken
    QTest::addColumn<QByteArray>("taken");

    const auto exact = session::ReplyLength::Exact;
    const auto atLeast = session::ReplyLength::AtLeast;
    const std::optional<lnk::Layout> byLength;
    // An interrupted run's reply still on its way when the port opens: dropped, then asked.
    QTest::newRow("tail of an earlier reply dropped, then the reply taken")
        << counting(10) << 5 << counting(42) << byLength << exact << true << 15 << QString()
        << counting(42);
    QTest::newRow("a line that never goes quiet fails and asks nothing")
        << QByteArray() << 1000 << counting(42) << byLength << exact << false << -1
        << QStringLiteral("line not quiet (%1 bytes in 1 s)") << QByteArray();
    QTest::newRow("a quiet line asks at once and drops nothing")
        << QByteArray() << 0 << counting(42) << byLength << exact << true << 0 << QString()
        << counting(42);
    QTest::newRow("43 bytes refused where the length must be exact")
        << QByteArray() << 0 << counting(43) << byLength << exact << true << 0
        << QStringLiteral("reply too long (43 bytes)") << QByteArray();
    QTest::newRow("43 bytes cut to 42 for the panel")
        << QByteArray() << 0 << counting(43) << byLength << atLeast << true << 0 << QString()
        << counting(42);
    QTest::newRow("two garbage bytes before a day reply refused as too long")
        << QByteArray() << 0 << QByteArray(2, char(0xA5)) + counting(42) << byLength << exact
        << true << 0 << QStringLiteral("reply too long (44 bytes)") << QByteArray();
    QTest::newRow("an exact night reply taken by its length")
        << QByteArray() << 0 << counting(25) << byLength << exact << true << 0 << QString()
        << counting(25);
    QTest::newRow("an exact day reply asked as a day upload")
        << QByteArray() << 0 << counting(42) << std::optional<lnk::Layout>(lnk::Layout::Day)
        << exact << true << 0 << QString() << counting(42);
    QTest::newRow("43 bytes refused as a day upload with the exact rule")
        << QByteArray() << 0 << counting(43) << std::optional<lnk::Layout>(lnk::Layout::Day)
        << exact << true << 0 << QStringLiteral("reply too long (43 bytes)") << QByteArray();
}

void TestQuietLine::uploadAsksOnAQuietLine()
{
    QFETCH(QByteArray, waitingAtOpen);
    QFETCH(int, chatter);
    QFETCH(QByteArray, reply);
    QFETCH(std::optional<lnk::Layout>, layout);
    QFETCH(session::ReplyLength, length);
    QFETCH(bool, requestSent);
    QFETCH(int, dropped);
    QFETCH(QString, failure);
    QFETCH(QByteArray, taken);

    MemoryLine line;
    line.waitingAtOpen = waitingAtOpen;
    line.chatter = chatter;
    line.nextReply = reply;
    QElapsedTimer clock;
    clock.start();
    const session::ChannelResult r = runOn(line, m_dir.path(), [&](session::ProcessorChannel& c) {
        c.upload(layout, lnk::kNightUploadWait, length);
    });
    QCOMPARE(line.allWritten().isEmpty(), !requestSent);
    if (dropped >= 0) {
        QCOMPARE(r.exchange.dropped.size(), dropped);
    } else {
        // About one byte each 8 ms for the second the line is given.
        QVERIFY2(r.exchange.dropped.size() > 60,
                 qPrintable(QString::number(r.exchange.dropped.size())));
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY(clock.elapsed() < 3000);
        failure = failure.arg(r.exchange.dropped.size());
    }
    if (failure.isEmpty()) {
        QVERIFY2(r.ok(), qPrintable(session::failureText(r.exchange)));
        QVERIFY(r.reply.has_value());
        QCOMPARE(r.exchange.reply(), taken);
    } else {
        QVERIFY(!r.ok());
        QVERIFY(!r.reply.has_value());
        QCOMPARE(session::failureText(r.exchange), failure);
    }
}

void TestQuietLine::droppedBytesAreLogged()
{
    MemoryLine line;
    line.waitingAtOpen = QByteArray::fromHex("0707");
    line.nextReply = counting(42);
    const session::ChannelResult r = runOn(line, m_dir.path(), [](session::ProcessorChannel& c) {
        c.upload(std::nullopt, lnk::kNightUploadWait, session::ReplyLength::Exact);
    });
    QVERIFY(r.ok());
    QVERIFY2(session::logLine(r.exchange).endsWith(QLatin1String(" dropped: 07 07")),
             qPrintable(session::logLine(r.exchange)));
    QFile log(QDir(m_dir.path()).filePath(QStringLiteral("line.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(" dropped: 07 07\n"));
}

void TestQuietLine::sendsAndCommandsDoNotWait()
{
    for (const bool send : {true, false}) {
        MemoryLine line;
        line.chatter = 1000;
        const session::ChannelResult r =
            runOn(line, m_dir.path(), [send](session::ProcessorChannel& c) {
                if (send) {
                    c.send(lnk::Layout::Day, model::ParameterSet().values());
                } else {
                    c.command(lnk::Command::Testtone);
                }
            });
        QVERIFY2(r.ok(), qPrintable(session::failureText(r.exchange)));
        QVERIFY(r.exchange.dropped.isEmpty());
        QCOMPARE(line.exchanges.size(), 1);
        // Written before the line's first chatter could arrive.
        QVERIFY(!line.exchanges.first().written.isEmpty());
        QVERIFY(line.exchanges.first().closedAt - line.exchanges.first().openedAt < 500ms);
    }
}

QTEST_GUILESS_MAIN(TestQuietLine)
#include "test_quietline.moc"
