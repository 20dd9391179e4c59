// The exchanges on an in-memory line: frame bytes, reply application, order of the steps and
// what a failure leaves behind.
#include "link/Exchange.h"
#include "model/ParameterSet.h"
#include "support/MemoryLine.h"

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

// A paced line: each wait lets the next batch of bytes arrive, as a slow line would between two
// looks at the count.
class TricklingLine : public MemoryLine
{
public:
    QList<QByteArray> batches; // what arrives during the first, second, ... wait

    int waitForBytes(int count, std::chrono::milliseconds timeout,
                     const std::function<void()>& idle) override
    {
        MemoryLine::waitForBytes(count, timeout, idle);
        if (!batches.isEmpty()) {
            m_input += batches.takeFirst();
        }
        return static_cast<int>(m_input.size());
    }
    int bytesWaiting() override { return static_cast<int>(m_input.size()); }
    QByteArray readAllWaiting() override { return std::exchange(m_input, {}); }

private:
    QByteArray m_input;
};

} // namespace

Q_DECLARE_METATYPE(lnk::Block)
Q_DECLARE_METATYPE(Setup)

class TestExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameBytes_data();
    void frameBytes();
    void frameProgress_data();
    void frameProgress();
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
    void uploadWaitsAndProgress();
    void uploadLineFailureChangesNothing();
    void nightReplySettles_data();
    void nightReplySettles();
    void nightSettleStaysInsideTheWait();
};

void TestExchange::frameBytes_data()
{
    QTest::addColumn<lnk::Block>("block");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("expected");

    const Setup nothing = [](model::ParameterSet&) {};
    const Setup flags = [](model::ParameterSet& s) {
        s.setFlag(Member::Space, true);
        s.setFlag(Member::Digin, true);
        s.setFlag(Member::Daynight, true);
    };

    QTest::newRow("day, all zero") << lnk::Block::Day << nothing
                                   << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                          "00 00 00 00 00 00");
    QTest::newRow("night, all zero") << lnk::Block::Night << nothing
                                     << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    // Day: Space 24, Digin 25, a zero at 26, Daynight 27, a zero at 28.
    QTest::newRow("day, three flags") << lnk::Block::Day << flags
                                      << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                             "00 00 00 00 00 00 00 ff ff 00 ff 00 00 00 00 00 00 "
                                             "00 00 00 00 00 00 00 00");
    // Night: Daynight moves up to 26.
    QTest::newRow("night, three flags") << lnk::Block::Night << flags
                                        << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                               "00 00 00 00 00 00 00 00 ff ff ff 00 00 00 00 00 "
                                               "00");
    QTest::newRow("day, chkTurbo is 1 not 255")
        << lnk::Block::Day << Setup([](model::ParameterSet& s) { s.assign(Member::chkTurbo, 1); })
        << hex("7e 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 01 00 00 00 00 00 00 00 00 00 00 00 00");
    QTest::newRow("day, 255 and an unescaped 126")
        << lnk::Block::Day << Setup([](model::ParameterSet& s) {
               s.assign(Member::gate, 255);
               s.assign(Member::density, 126);
               s.assign(Member::LUFSOffset, 255);
           })
        << hex("7e ff 00 00 00 00 00 00 00 00 00 00 00 00 7e 00 00 00 00 00 00 00 00 00 00 00 00 "
               "00 00 00 00 00 00 00 ff 00 00 00 00 00 00 00");
    QTest::newRow("night, 126 inside and the day-only members left out")
        << lnk::Block::Night << Setup([](model::ParameterSet& s) {
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
    QFETCH(lnk::Block, block);
    QFETCH(Setup, setup);
    QFETCH(QByteArray, expected);

    model::ParameterSet set;
    zero(set);
    setup(set);
    MemoryLine line;
    const lnk::ExchangeResult r = lnk::sendBlock(line, 3, block, set);

    QVERIFY(r.ok());
    QCOMPARE(line.exchanges.size(), 1);
    QCOMPARE(line.exchanges[0].written.toHex(' '), expected.toHex(' '));
    QCOMPARE(line.exchanges[0].settings, QStringLiteral("1200,N,8,2"));
    QCOMPARE(line.exchanges[0].portNo, 3);
    QVERIFY(line.exchanges[0].closed);
}

void TestExchange::frameProgress_data()
{
    QTest::addColumn<lnk::Block>("block");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("day") << lnk::Block::Day << QList<int>{5, 10, 15, 20, 23, 0};
    QTest::newRow("night") << lnk::Block::Night << QList<int>{5, 10, 15, 20, 23, 0};
}

void TestExchange::frameProgress()
{
    QFETCH(lnk::Block, block);
    QFETCH(QList<int>, expected);

    model::ParameterSet set;
    MemoryLine line;
    QList<int> shown;
    QList<int> writtenWhenShown;
    lnk::ExchangeHooks hooks;
    hooks.progress = [&](int v) {
        shown << v;
        writtenWhenShown << static_cast<int>(line.exchanges.last().written.size());
    };
    QVERIFY(lnk::sendBlock(line, 1, block, set, hooks).ok());
    QCOMPARE(shown, expected);
    // Right after offsets 3, 8, 14, 19, then 33 (day) or 21 (night), then the last byte.
    const QList<int> after = block == lnk::Block::Day ? QList<int>{4, 9, 15, 20, 34, 42}
                                                      : QList<int>{4, 9, 15, 20, 22, 33};
    QCOMPARE(writtenWhenShown, after);
}

void TestExchange::commandShowsFullThenEmpty()
{
    MemoryLine line;
    QList<int> shown;
    bool openWhenFull = true;
    lnk::ExchangeHooks hooks;
    hooks.progress = [&](int v) {
        shown << v;
        if (v == 23) {
            openWhenFull = line.isOpen();
        }
    };
    QVERIFY(lnk::sendCommand(line, 2, 145, hooks).ok());
    QCOMPARE(shown, (QList<int>{23, 0}));
    QVERIFY(!openWhenFull); // full before the port opens
    QCOMPARE(line.allWritten(), hex("91"));
    QCOMPARE(line.exchanges[0].settings, QStringLiteral("1200,N,8,2"));
    QVERIFY(line.exchanges[0].closed);
}

void TestExchange::openFailureWritesNothing()
{
    MemoryLine line;
    line.failOpen = true;
    model::ParameterSet set;
    QList<int> shown;
    lnk::ExchangeHooks hooks;
    hooks.progress = [&](int v) { shown << v; };

    QCOMPARE(lnk::sendBlock(line, 1, lnk::Block::Day, set, hooks).status,
             lnk::ExchangeStatus::OpenFailed);
    QVERIFY(shown.isEmpty());
    QCOMPARE(lnk::sendCommand(line, 1, 100, hooks).status, lnk::ExchangeStatus::OpenFailed);
    QCOMPARE(shown, QList<int>{23});
    QCOMPARE(lnk::uploadBlock(line, 1, lnk::Block::Day, 800ms, set, hooks).status,
             lnk::ExchangeStatus::OpenFailed);
    QCOMPARE(line.openAttempts, 3);
    QVERIFY(line.allWritten().isEmpty());
}

void TestExchange::writeFailureClosesThePort()
{
    MemoryLine line;
    line.failWriteAt = 10;
    model::ParameterSet set;
    const lnk::ExchangeResult r = lnk::sendBlock(line, 1, lnk::Block::Day, set);
    QCOMPARE(r.status, lnk::ExchangeStatus::LineFailed);
    QCOMPARE(r.fault, lnk::LineFault::WriteRefused);
    QCOMPARE(line.exchanges[0].written.size(), 10);
    QVERIFY(!line.isOpen());
}

void TestExchange::closeFailureIsAFailure()
{
    MemoryLine line;
    line.failClose = true;
    model::ParameterSet set;
    QCOMPARE(lnk::sendBlock(line, 1, lnk::Block::Night, set).status,
             lnk::ExchangeStatus::LineFailed);
    QCOMPARE(lnk::sendCommand(line, 1, 100).status, lnk::ExchangeStatus::LineFailed);
    QVERIFY(!line.isOpen());
}

void TestExchange::replyApplied_data()
{
    QTest::addColumn<lnk::Block>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("expected");

    QTest::newRow("day Space 255 checks") << lnk::Block::Day << 23 << 255 << "Space" << 1;
    QTest::newRow("day Space 2 clears (bit 0)") << lnk::Block::Day << 23 << 2 << "Space" << 0;
    QTest::newRow("day Digin 3 checks") << lnk::Block::Day << 24 << 3 << "Digin" << 1;
    QTest::newRow("day Daynight at 26") << lnk::Block::Day << 26 << 1 << "Daynight" << 1;
    QTest::newRow("night Space 2 checks (non-zero)")
        << lnk::Block::Night << 23 << 2 << "Space" << 1;
    QTest::newRow("night Digin 0 clears") << lnk::Block::Night << 24 << 0 << "Digin" << 0;
    QTest::newRow("day chkTurbo 1") << lnk::Block::Day << 29 << 1 << "chkTurbo" << 1;
    QTest::newRow("day chkTurbo 255 gives 1") << lnk::Block::Day << 29 << 255 << "chkTurbo" << 1;
    QTest::newRow("day chkTurbo 254 gives 0") << lnk::Block::Day << 29 << 254 << "chkTurbo" << 0;
    QTest::newRow("day gate at 0") << lnk::Block::Day << 0 << 200 << "gate" << 200;
    QTest::newRow("day mclipdrive at 22") << lnk::Block::Day << 22 << 99 << "mclipdrive" << 99;
    QTest::newRow("day MSlimit at 30") << lnk::Block::Day << 30 << 77 << "MSlimit" << 77;
    QTest::newRow("day LUFSOffset at 34") << lnk::Block::Day << 34 << 255 << "LUFSOffset" << 255;
    QTest::newRow("night mpxpow at 20") << lnk::Block::Night << 20 << 66 << "mpxpow" << 66;
}

void TestExchange::replyApplied()
{
    QFETCH(lnk::Block, block);
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
        MemoryLine line;
        line.nextReply = reply;
        QVERIFY(lnk::uploadBlock(line, 1, block, 800ms, set).ok());
        QCOMPARE(set.value(m), expected);
    }
}

void TestExchange::replyRefused_data()
{
    QTest::addColumn<lnk::Block>("block");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("day 41 refused") << lnk::Block::Day << 41 << false;
    QTest::newRow("day 42 taken") << lnk::Block::Day << 42 << true;
    QTest::newRow("day 45 cut to 42") << lnk::Block::Day << 45 << true;
    QTest::newRow("day none") << lnk::Block::Day << 0 << false;
    QTest::newRow("night 24 refused") << lnk::Block::Night << 24 << false;
    QTest::newRow("night 25 taken") << lnk::Block::Night << 25 << true;
    QTest::newRow("night 26 refused") << lnk::Block::Night << 26 << false;
}

void TestExchange::replyRefused()
{
    QFETCH(lnk::Block, block);
    QFETCH(int, size);
    QFETCH(bool, accepted);

    model::ParameterSet set;
    zero(set);
    MemoryLine line;
    line.nextReply = counting(size);
    const lnk::ExchangeResult r = lnk::uploadBlock(line, 1, block, 800ms, set);

    QCOMPARE(r.ok(), accepted);
    QCOMPARE(r.replyCount, size);
    QCOMPARE(line.allWritten(), hex("e2"));
    QCOMPARE(line.exchanges[0].settings, QStringLiteral("1200,N,8,1"));
    QVERIFY(line.exchanges[0].closed);
    QCOMPARE(line.bytesWaiting(), 0); // read even when refused
    if (accepted) {
        QCOMPARE(set.value(Member::gate), 1);
        QCOMPARE(set.value(Member::mclipdrive), 23);
        if (block == lnk::Block::Day) {
            // Offsets 25, 27, 28 and 35..41 carry nothing; the six after chkTurbo keep their
            // frame offsets.
            QCOMPARE(set.value(Member::chkTurbo), 30 & 1);
            QCOMPARE(set.value(Member::MSlimit), 31);
            QCOMPARE(set.value(Member::LUFSOffset), 35);
        } else {
            QCOMPARE(set.value(Member::Daynight), 0);
            QCOMPARE(set.value(Member::MSlimit), 0);
        }
    } else {
        for (const model::MemberInfo& i : model::members()) {
            QCOMPARE(set.value(i.member), 0);
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
    MemoryLine line;
    line.nextReply = reply;
    QVERIFY(lnk::uploadBlock(line, 1, lnk::Block::Day, 800ms, set).ok());
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
    MemoryLine line;
    line.nextReply = reply;
    QVERIFY(lnk::uploadBlock(line, 1, lnk::Block::Day, 800ms, set).ok());
    QCOMPARE(set.value(Member::density), 90);
    QCOMPARE(set.value(Member::bassamount), 90);
}

void TestExchange::uploadWaitsAndProgress()
{
    for (const lnk::Block block : {lnk::Block::Day, lnk::Block::Night}) {
        model::ParameterSet set;
        MemoryLine line;
        line.nextReply = counting(lnk::replySize(block));
        QList<int> shown;
        bool closedWhenShown = true;
        int idles = 0;
        lnk::ExchangeHooks hooks;
        hooks.progress = [&](int v) {
            shown << v;
            closedWhenShown = closedWhenShown && !line.isOpen();
        };
        hooks.idle = [&] { ++idles; };
        const auto wait = block == lnk::Block::Day ? 800ms : lnk::kNightUploadWait;
        QVERIFY(lnk::uploadBlock(line, 1, block, wait, set, hooks).ok());
        QCOMPARE(shown, (QList<int>{5, 15, 20, 23, 0}));
        QVERIFY(closedWhenShown); // the port closes before the reply is applied
        // The night upload listens on for a further byte once its 25 wait.
        QCOMPARE(line.waits.size(), block == lnk::Block::Day ? 1 : 2);
        QCOMPARE(line.waits[0].count, lnk::replySize(block));
        QCOMPARE(line.waits[0].timeout, block == lnk::Block::Day ? 800ms : 2000ms);
        QVERIFY(idles > 0);
    }
}

void TestExchange::uploadLineFailureChangesNothing()
{
    for (const bool failRead : {false, true}) {
        model::ParameterSet set;
        zero(set);
        MemoryLine line;
        line.nextReply = counting(42);
        line.failWait = !failRead;
        line.failRead = failRead;
        QList<int> shown;
        lnk::ExchangeHooks hooks;
        hooks.progress = [&](int v) { shown << v; };
        const lnk::ExchangeResult r = lnk::uploadBlock(line, 1, lnk::Block::Day, 800ms, set, hooks);
        QCOMPARE(r.status, lnk::ExchangeStatus::LineFailed);
        QVERIFY(!line.isOpen());
        QVERIFY(shown.isEmpty());
        QCOMPARE(set.value(Member::gate), 0);
    }
}

void TestExchange::nightReplySettles_data()
{
    QTest::addColumn<lnk::Block>("block");
    QTest::addColumn<QList<QByteArray>>("batches");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("waitedFor"); // the count each wait asked for

    const QByteArray night = counting(25);
    QTest::newRow("night 25, nothing follows: taken")
        << lnk::Block::Night << QList<QByteArray>{night, {}} << true << 25 << QList<int>{25, 26};
    QTest::newRow("night 25, a 26th follows: refused")
        << lnk::Block::Night << QList<QByteArray>{night, QByteArray(1, '\x5a')} << false << 26
        << QList<int>{25, 26};
    QTest::newRow("night garbage first, the count passes 25: refused")
        << lnk::Block::Night
        << QList<QByteArray>{QByteArray(3, '\xa5') + night.left(22), night.mid(22)} << false << 28
        << QList<int>{25, 26};
    QTest::newRow("night 26 at once: refused without listening on")
        << lnk::Block::Night << QList<QByteArray>{counting(26)} << false << 26 << QList<int>{25};
    QTest::newRow("night 24 when time is up: refused without listening on")
        << lnk::Block::Night << QList<QByteArray>{counting(24)} << false << 24 << QList<int>{25};
    QTest::newRow("day 42 with more behind: taken without listening on")
        << lnk::Block::Day << QList<QByteArray>{counting(42), counting(3)} << true << 42
        << QList<int>{42};
}

void TestExchange::nightReplySettles()
{
    QFETCH(lnk::Block, block);
    QFETCH(QList<QByteArray>, batches);
    QFETCH(bool, accepted);
    QFETCH(int, count);
    QFETCH(QList<int>, waitedFor);

    model::ParameterSet set;
    zero(set);
    TricklingLine line;
    line.batches = batches;
    const auto wait = block == lnk::Block::Day ? 800ms : lnk::kNightUploadWait;
    const lnk::ExchangeResult r = lnk::uploadBlock(line, 1, block, wait, set);

    QCOMPARE(r.status, accepted ? lnk::ExchangeStatus::Done : lnk::ExchangeStatus::ReplyRefused);
    QCOMPARE(r.replyCount, count);
    QVERIFY(line.exchanges[0].closed);
    QList<int> asked;
    for (const MemoryLine::Wait& w : line.waits) {
        asked << w.count;
    }
    QCOMPARE(asked, waitedFor);
    if (waitedFor.size() > 1) {
        QCOMPARE(line.waits[1].timeout, lnk::kNightSettle);
    }
    QCOMPARE(line.bytesWaiting(), 0); // read even when refused
    QCOMPARE(set.value(Member::gate), accepted ? 1 : 0);
    QCOMPARE(set.value(Member::mclipdrive), accepted ? 23 : 0);
}

void TestExchange::nightSettleStaysInsideTheWait()
{
    // With the wait nearly used up the settle is cut short; a 2000 ms bound stays a bound.
    model::ParameterSet set;
    TricklingLine line;
    line.batches = {counting(25)};
    QVERIFY(lnk::uploadBlock(line, 1, lnk::Block::Night, 10ms, set).ok());
    QCOMPARE(line.waits.size(), 2);
    QCOMPARE(line.waits[0].timeout, 10ms);
    QVERIFY(line.waits[1].timeout <= 10ms);
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
