// The exchanges on an in-memory line: frame bytes, reply application, order of the steps and
// what a failure leaves behind.
#include "link/Exchange.h"
#include "model/ParameterSet.h"
#include "support/MemoryLine.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <utility>

using namespace std::chrono_literals;
using model::Member;

namespace {

// Every member at 0: sliders, check box and flags.
void zero(model::ParameterSet& set)
{
    set.setFlag(Member::AutoDensity, false);
    for (const model::MemberInfo& i : model::members()) {
        set.assign(i.member, 0);
    }
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text); // blanks between the bytes are skipped
}

// A reply with every byte equal to its offset plus 1, so each control shows where it came from.
QByteArray counting(int size)
{
    QByteArray r;
    for (int i = 0; i < size; ++i) {
        r.append(static_cast<char>(i + 1));
    }
    return r;
}

using Setup = std::function<void(model::ParameterSet&)>;

// Runs one exchange to its end on the line, for port 3; collects the progress shown.
struct Run
{
    lnk::ExchangeResult result;
    QList<int> shown;
    QList<int> writtenWhenShown;
    QList<bool> openWhenShown;
};

Run run(MemoryLine& line, const lnk::ExchangeRequest& request)
{
    Run r;
    lnk::Exchange x(line.lineFor({3, {}}), request);
    bool done = false;
    QObject::connect(&x, &lnk::Exchange::progress, [&](int v) {
        r.shown << v;
        r.writtenWhenShown << (line.exchanges.isEmpty()
                                   ? 0
                                   : static_cast<int>(line.exchanges.last().written.size()));
        r.openWhenShown << line.isOpen();
    });
    QObject::connect(&x, &lnk::Exchange::finished, [&](const lnk::ExchangeResult& result) {
        r.result = result;
        done = true;
    });
    x.start();
    if (!QTest::qWaitFor([&] { return done; }, 10000)) {
        qWarning("exchange did not end");
    }
    return r;
}

} // namespace

Q_DECLARE_METATYPE(lnk::Layout)
Q_DECLARE_METATYPE(std::optional<lnk::Layout>)
Q_DECLARE_METATYPE(Setup)

class TestExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameBytes_data();
    void frameBytes();
    void frameProgress_data();
    void frameProgress();
    void frameIsThePanelAtTheStart();
    void commandShowsFullThenEmpty();
    void openFailureWritesNothing();
    void writeFailureClosesThePort();
    void closeFailureIsAFailure();
    void replyApplied_data();
    void replyApplied();
    void replyRefused_data();
    void replyRefused();
    void ignoredOffsetsChangeNothing();
    void densityRuleFiresDuringUpload();
    void replyProgress();
    void uploadLineFailure();
    void uploadWaitIsABound();
    void replySettles_data();
    void replySettles();
    void nightSettleStaysInsideTheWait();
};

void TestExchange::frameBytes_data()
{
    QTest::addColumn<lnk::Layout>("block");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("expected");

    const Setup nothing = [](model::ParameterSet&) {};
    const Setup flags = [](model::ParameterSet& s) {
        s.setFlag(Member::Space, true);
        s.setFlag(Member::Digin, true);
        s.setFlag(Member::Daynight, true);
    };

    QTest::newRow("day, all zero") << lnk::Layout::Day << nothing
                                   << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                          "00 00 00 00 00 00");
    QTest::newRow("night, all zero") << lnk::Layout::Night << nothing
                                     << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    // Day: Space 24, Digin 25, a zero at 26, Daynight 27, a zero at 28.
    QTest::newRow("day, three flags") << lnk::Layout::Day << flags
                                      << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                             "00 00 00 00 00 00 00 ff ff 00 ff 00 00 00 00 00 00 "
                                             "00 00 00 00 00 00 00 00");
    // Night: Daynight moves up to 26.
    QTest::newRow("night, three flags") << lnk::Layout::Night << flags
                                        << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                               "00 00 00 00 00 00 00 00 ff ff ff 00 00 00 00 00 "
                                               "00");
    QTest::newRow("day, chkTurbo is 1 not 255")
        << lnk::Layout::Day << Setup([](model::ParameterSet& s) { s.assign(Member::chkTurbo, 1); })
        << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 01 00 00 00 00 00 00 00 00 00 00 00 00");
    QTest::newRow("day, 255 and an unescaped 126")
        << lnk::Layout::Day << Setup([](model::ParameterSet& s) {
               s.assign(Member::gate, 255);
               s.assign(Member::density, 126);
               s.assign(Member::LUFSOffset, 255);
           })
        << hex("7e ff 00 00 00 00 00 00 00 00 00 00 00 00 7e 00 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 00 00 00 00 00 ff 00 00 00 00 00 00 00");
    QTest::newRow("night, 126 inside and the day-only members left out")
        << lnk::Layout::Night << Setup([](model::ParameterSet& s) {
               s.assign(Member::mclipdrive, 126);
               s.assign(Member::chkTurbo, 1);
               s.assign(Member::LUFSOffset, 255);
               s.assign(Member::MSlimit, 255);
           })
        << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7e 00 00 00 "
               "00 00 00 00 00 00");
}

void TestExchange::frameBytes()
{
    QFETCH(lnk::Layout, block);
    QFETCH(Setup, setup);
    QFETCH(QByteArray, expected);

    model::ParameterSet set;
    zero(set);
    setup(set);
    MemoryLine line;
    const Run r = run(line, lnk::sendRequest(block, set));

    QVERIFY(r.result.ok());
    QCOMPARE(line.exchanges.size(), 1);
    QCOMPARE(line.exchanges[0].written.toHex(' '), expected.toHex(' '));
    QCOMPARE(r.result.sent.toHex(' '), expected.toHex(' '));
    QCOMPARE(line.exchanges[0].settings, QStringLiteral("1200,N,8,2"));
    QCOMPARE(line.exchanges[0].portNo, 3);
    QVERIFY(line.exchanges[0].closed);
}

void TestExchange::frameProgress_data()
{
    QTest::addColumn<lnk::Layout>("block");
    QTest::addColumn<QList<int>>("expected");
    // Right after offsets 3, 8, 14, 19, then 33 (day) or 21 (night), then the last byte.
    QTest::addColumn<QList<int>>("writtenWhenShown");
    QTest::newRow("day") << lnk::Layout::Day << QList<int>{5, 10, 15, 20, 23, 0}
                         << QList<int>{4, 9, 15, 20, 34, 42};
    QTest::newRow("night") << lnk::Layout::Night << QList<int>{5, 10, 15, 20, 23, 0}
                           << QList<int>{4, 9, 15, 20, 22, 33};
}

void TestExchange::frameProgress()
{
    QFETCH(lnk::Layout, block);
    QFETCH(QList<int>, expected);
    QFETCH(QList<int>, writtenWhenShown);

    model::ParameterSet set;
    MemoryLine line;
    const Run r = run(line, lnk::sendRequest(block, set));
    QVERIFY(r.result.ok());
    QCOMPARE(r.shown, expected);
    QCOMPARE(r.writtenWhenShown, writtenWhenShown);
}

void TestExchange::frameIsThePanelAtTheStart()
{
    // The frame is one picture of the panel: a change after the request does not reach it.
    model::ParameterSet set;
    zero(set);
    MemoryLine line;
    lnk::Exchange x(line.lineFor({1, {}}), lnk::sendRequest(lnk::Layout::Day, set));
    QSignalSpy finished(&x, &lnk::Exchange::finished);
    x.start();
    set.assign(Member::gate, 99);
    QVERIFY(finished.wait(5000));
    QCOMPARE(static_cast<quint8>(line.allWritten().at(1)), quint8(0));
}

void TestExchange::commandShowsFullThenEmpty()
{
    MemoryLine line;
    const Run r = run(line, lnk::commandRequest(lnk::Command::Saveday));
    QVERIFY(r.result.ok());
    QCOMPARE(r.shown, (QList<int>{23, 0}));
    QVERIFY(!r.openWhenShown.first()); // full before the port opens
    QCOMPARE(line.allWritten(), hex("91"));
    QCOMPARE(line.exchanges[0].settings, QStringLiteral("1200,N,8,2"));
    QVERIFY(line.exchanges[0].closed);
}

void TestExchange::openFailureWritesNothing()
{
    MemoryLine line;
    line.failOpen = true;
    model::ParameterSet set;

    Run r = run(line, lnk::sendRequest(lnk::Layout::Day, set));
    QCOMPARE(r.result.status, lnk::ExchangeStatus::OpenFailed);
    QCOMPARE(r.result.fault, lnk::LineFault::PortMissing);
    QVERIFY(r.shown.isEmpty());
    r = run(line, lnk::commandRequest(lnk::Command::Testtone));
    QCOMPARE(r.result.status, lnk::ExchangeStatus::OpenFailed);
    QCOMPARE(r.shown, QList<int>{23});
    r = run(line, lnk::uploadRequest(lnk::Layout::Day, 800ms));
    QCOMPARE(r.result.status, lnk::ExchangeStatus::OpenFailed);
    QCOMPARE(line.openAttempts, 3);
    QVERIFY(line.allWritten().isEmpty());
    QVERIFY(r.result.sent.isEmpty());
}

void TestExchange::writeFailureClosesThePort()
{
    MemoryLine line;
    line.failWriteAt = 10;
    model::ParameterSet set;
    const Run r = run(line, lnk::sendRequest(lnk::Layout::Day, set));
    QCOMPARE(r.result.status, lnk::ExchangeStatus::LineFailed);
    QCOMPARE(r.result.fault, lnk::LineFault::WriteRefused);
    QCOMPARE(line.exchanges[0].written.size(), 10);
    QCOMPARE(r.result.sent.size(), 10);
    QVERIFY(!line.isOpen());
}

void TestExchange::closeFailureIsAFailure()
{
    MemoryLine line;
    line.failClose = true;
    model::ParameterSet set;
    QCOMPARE(run(line, lnk::sendRequest(lnk::Layout::Night, set)).result.status,
             lnk::ExchangeStatus::LineFailed);
    QCOMPARE(run(line, lnk::commandRequest(lnk::Command::Testtone)).result.fault,
             lnk::LineFault::DrainTimeout);
    QVERIFY(!line.isOpen());
}

void TestExchange::replyApplied_data()
{
    QTest::addColumn<lnk::Layout>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("expected");

    QTest::newRow("day Space 255 checks") << lnk::Layout::Day << 23 << 255 << "Space" << 1;
    QTest::newRow("day Space 2 clears (bit 0)") << lnk::Layout::Day << 23 << 2 << "Space" << 0;
    QTest::newRow("day Digin 3 checks") << lnk::Layout::Day << 24 << 3 << "Digin" << 1;
    QTest::newRow("day Daynight at 26") << lnk::Layout::Day << 26 << 1 << "Daynight" << 1;
    QTest::newRow("night Space 2 checks (non-zero)")
        << lnk::Layout::Night << 23 << 2 << "Space" << 1;
    QTest::newRow("night Digin 0 clears") << lnk::Layout::Night << 24 << 0 << "Digin" << 0;
    QTest::newRow("day chkTurbo 1") << lnk::Layout::Day << 29 << 1 << "chkTurbo" << 1;
    QTest::newRow("day chkTurbo 255 gives 1") << lnk::Layout::Day << 29 << 255 << "chkTurbo" << 1;
    QTest::newRow("day chkTurbo 254 gives 0") << lnk::Layout::Day << 29 << 254 << "chkTurbo" << 0;
    QTest::newRow("day gate at 0") << lnk::Layout::Day << 0 << 200 << "gate" << 200;
    QTest::newRow("day mclipdrive at 22") << lnk::Layout::Day << 22 << 99 << "mclipdrive" << 99;
    QTest::newRow("day MSlimit at 30") << lnk::Layout::Day << 30 << 77 << "MSlimit" << 77;
    QTest::newRow("day LUFSOffset at 34") << lnk::Layout::Day << 34 << 255 << "LUFSOffset" << 255;
    QTest::newRow("night mpxpow at 20") << lnk::Layout::Night << 20 << 66 << "mpxpow" << 66;
}

void TestExchange::replyApplied()
{
    QFETCH(lnk::Layout, block);
    QFETCH(int, offset);
    QFETCH(int, byte);
    QFETCH(QString, member);
    QFETCH(int, expected);

    const Member m = *model::memberByName(member.toStdString());
    for (const int before : {0, 1}) {
        model::ParameterSet set;
        zero(set);
        set.assign(m, before);
        QByteArray reply(lnk::replySize(block), '\0');
        reply[offset] = static_cast<char>(byte);
        QVERIFY(lnk::applyReply(block, reply, set));
        QCOMPARE(set.value(m), expected);
    }
}

void TestExchange::replyRefused_data()
{
    QTest::addColumn<lnk::Layout>("block");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("day 41 refused") << lnk::Layout::Day << 41 << false;
    QTest::newRow("day 42 taken") << lnk::Layout::Day << 42 << true;
    QTest::newRow("day 45 cut to 42") << lnk::Layout::Day << 45 << true;
    QTest::newRow("day none") << lnk::Layout::Day << 0 << false;
    QTest::newRow("night 24 refused") << lnk::Layout::Night << 24 << false;
    QTest::newRow("night 25 taken") << lnk::Layout::Night << 25 << true;
    QTest::newRow("night 26 refused") << lnk::Layout::Night << 26 << false;
}

void TestExchange::replyRefused()
{
    QFETCH(lnk::Layout, block);
    QFETCH(int, size);
    QFETCH(bool, accepted);

    MemoryLine line;
    line.nextReply = counting(size);
    const auto wait = block == lnk::Layout::Day ? lnk::kDayUploadWait : lnk::kNightUploadWait;
    const lnk::ExchangeResult r = run(line, lnk::uploadRequest(block, wait)).result;

    QCOMPARE(r.ok(), accepted);
    QCOMPARE(r.replyCount, size);
    QCOMPARE(r.received, counting(size)); // read even when refused
    QCOMPARE(line.allWritten(), hex("e2"));
    QCOMPARE(line.exchanges[0].settings, QStringLiteral("1200,N,8,1"));
    QVERIFY(line.exchanges[0].closed);
    QCOMPARE(r.layout.has_value(), accepted);
    if (accepted) {
        QCOMPARE(r.reply(), counting(lnk::replySize(block)));
        model::ParameterSet set;
        zero(set);
        QVERIFY(lnk::applyReply(block, r.reply(), set));
        QCOMPARE(set.value(Member::gate), 1);
        QCOMPARE(set.value(Member::mclipdrive), 23);
        if (block == lnk::Layout::Day) {
            // Offsets 25, 27, 28 and 35..41 carry nothing; the six after chkTurbo keep their
            // frame offsets.
            QCOMPARE(set.value(Member::chkTurbo), 30 & 1);
            QCOMPARE(set.value(Member::MSlimit), 31);
            QCOMPARE(set.value(Member::LUFSOffset), 35);
        } else {
            QCOMPARE(set.value(Member::Daynight), 0);
            QCOMPARE(set.value(Member::MSlimit), 0);
        }
    }
}

void TestExchange::ignoredOffsetsChangeNothing()
{
    model::ParameterSet set;
    zero(set);
    QByteArray reply(42, '\0');
    for (const int off : {25, 27, 28, 35, 36, 37, 38, 39, 40, 41}) {
        reply[off] = static_cast<char>(0xff);
    }
    QVERIFY(lnk::applyReply(lnk::Layout::Day, reply, set));
    for (const model::MemberInfo& i : model::members()) {
        QVERIFY2(set.value(i.member) == 0, i.name.data());
    }
}

void TestExchange::densityRuleFiresDuringUpload()
{
    model::ParameterSet set;
    zero(set);
    set.setFlag(Member::AutoDensity, true);
    QByteArray reply(42, '\0');
    reply[4] = 10;  // bassamount
    reply[13] = 90; // density, applied later
    QVERIFY(lnk::applyReply(lnk::Layout::Day, reply, set));
    QCOMPARE(set.value(Member::density), 90);
    QCOMPARE(set.value(Member::bassamount), 90);
}

void TestExchange::replyProgress()
{
    for (const lnk::Layout block : {lnk::Layout::Day, lnk::Layout::Night}) {
        model::ParameterSet set;
        QList<int> shown;
        QVERIFY(lnk::applyReply(block, counting(lnk::replySize(block)), set,
                                [&](int v) { shown << v; }));
        QCOMPARE(shown, (QList<int>{5, 15, 20, 23, 0}));
    }
}

void TestExchange::uploadLineFailure()
{
    for (const bool failRead : {false, true}) {
        MemoryLine line;
        line.nextReply = counting(10);
        line.replyBatches = {counting(32)};
        line.failWait = !failRead;
        line.failRead = failRead;
        const Run r = run(line, lnk::uploadRequest(lnk::Layout::Day, 800ms));
        QCOMPARE(r.result.status, lnk::ExchangeStatus::LineFailed);
        QCOMPARE(r.result.fault,
                 failRead ? lnk::LineFault::ReadRefused : lnk::LineFault::DeviceGone);
        QVERIFY(!line.isOpen());
        QVERIFY(r.shown.isEmpty());
        QVERIFY(!r.result.layout);
    }
}

void TestExchange::uploadWaitIsABound()
{
    // Nothing comes: the upload gives up once its wait is over, not before.
    MemoryLine line;
    QElapsedTimer t;
    t.start();
    const Run r = run(line, lnk::uploadRequest(lnk::Layout::Day, 120ms));
    QVERIFY(t.elapsed() >= 120);
    QCOMPARE(r.result.status, lnk::ExchangeStatus::ReplyRefused);
    QCOMPARE(r.result.replyCount, 0);
}

void TestExchange::replySettles_data()
{
    QTest::addColumn<std::optional<lnk::Layout>>("layout");
    QTest::addColumn<QList<QByteArray>>("batches");
    QTest::addColumn<int>("count");
    QTest::addColumn<std::optional<lnk::Layout>>("taken");

    using B = std::optional<lnk::Layout>;
    const B day = lnk::Layout::Day;
    const B night = lnk::Layout::Night;
    const B any;
    const QByteArray reply25 = counting(25);
    QTest::newRow("night 25, nothing follows: taken")
        << night << QList<QByteArray>{reply25} << 25 << night;
    QTest::newRow("night 25, a 26th follows: refused")
        << night << QList<QByteArray>{reply25, QByteArray(1, '\x5a')} << 26 << B();
    QTest::newRow("night garbage first, the count passes 25: refused")
        << night << QList<QByteArray>{QByteArray(3, '\xa5') + reply25.left(22), reply25.mid(22)}
        << 28 << B();
    QTest::newRow("night 26 at once: refused")
        << night << QList<QByteArray>{counting(26)} << 26 << B();
    QTest::newRow("night 24 when time is up: refused")
        << night << QList<QByteArray>{counting(24)} << 24 << B();
    QTest::newRow("day 42 with more behind: taken at 42")
        << day << QList<QByteArray>{counting(42), counting(3)} << 42 << day;
    QTest::newRow("by length: 42 is day") << any << QList<QByteArray>{counting(42)} << 42 << day;
    QTest::newRow("by length: 42 in pieces is day")
        << any << QList<QByteArray>{counting(25), counting(10), counting(7)} << 42 << day;
    QTest::newRow("by length: 25 is night") << any << QList<QByteArray>{reply25} << 25 << night;
    QTest::newRow("by length: 30 is neither")
        << any << QList<QByteArray>{counting(30)} << 30 << B();
}

void TestExchange::replySettles()
{
    QFETCH(std::optional<lnk::Layout>, layout);
    QFETCH(QList<QByteArray>, batches);
    QFETCH(int, count);
    QFETCH(std::optional<lnk::Layout>, taken);

    MemoryLine line;
    line.replyBatches = batches;
    const auto wait = layout == lnk::Layout::Day ? lnk::kDayUploadWait : lnk::kNightUploadWait;
    const lnk::ExchangeResult r = run(line, lnk::uploadRequest(layout, wait)).result;

    QCOMPARE(r.status, taken ? lnk::ExchangeStatus::Done : lnk::ExchangeStatus::ReplyRefused);
    QCOMPARE(r.replyCount, count);
    QCOMPARE(r.layout, taken);
    QVERIFY(line.exchanges[0].closed);
}

void TestExchange::nightSettleStaysInsideTheWait()
{
    // With the wait nearly used up the settle is cut short; the wait stays a bound.
    MemoryLine line;
    line.nextReply = counting(25);
    QElapsedTimer t;
    t.start();
    QVERIFY(run(line, lnk::uploadRequest(lnk::Layout::Night, 10ms)).result.ok());
    // The request itself waits for a quiet line first.
    QVERIFY2(t.elapsed() < (lnk::kQuietBeforeRequest + lnk::kNightSettle).count() + 10,
             qPrintable(QString::number(t.elapsed())));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
