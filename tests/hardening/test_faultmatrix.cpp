// Every exchange of the panel against every fault of the line and the processor, end to end over
// a real pseudo-terminal: what the operator is told, that the port ends closed and the next
// exchange gets through, that a failed exchange leaves the panel alone, and that the working file
// written at close holds the panel.
#include "MatrixExchanges.h"
#include "link/Frames.h"
#include "link/PortNames.h"
#include "storage/ParameterFile.h"
#include "support/LiveRig.h"

#include <QFile>
#include <QProgressBar>
#include <QSerialPort>
#include <QTest>

using namespace std::chrono_literals;
using matrix::Exchange;
using model::Member;

namespace {

enum class Fault
{
    MissingPort,
    PortHeld,
    NoReply,
    ShortReply,
    LongReply,
    TooLate,
    Vanishes,
    GarbageFirst,
};

enum class Outcome
{
    Refused, // the exchange's message; nothing changed on the panel
    Done,    // no message; the frame or command reached the processor, or the reply was applied
    TakenWithGarbage, // day upload: the garbage and the reply's first 39 bytes are applied
};

// The value the bar shows before each exchange, left full by a command that found no port: a
// failed block transfer must leave it there.
constexpr int kBarBefore = 23;
// Bytes written before the device vanishes under a send: half a frame, or the command's byte.
constexpr int kVanishAfterFrameBytes = 20;
// Answer bytes before the device vanishes under an upload.
constexpr int kVanishAfterReplyBytes = 10;
constexpr int kGarbage = 3;
constexpr int kExtra = 3;

// What the panel's serial line reports; faults of the answer are no faults of the line.
lnk::LineFault lineFaultOf(Fault f)
{
    switch (f) {
    case Fault::MissingPort:
        return lnk::LineFault::PortMissing;
    case Fault::PortHeld:
        return lnk::LineFault::PortBusy;
    case Fault::Vanishes:
        return lnk::LineFault::DeviceGone;
    default:
        return lnk::LineFault::None;
    }
}

// Every slider distinct and away from its initial value; the flags set as given. AutoDensity
// stays clear so that no change rule moves a value behind the test's back.
void distinct(model::ParameterSet& set, int seed, bool flags)
{
    set.setFlag(Member::AutoDensity, false);
    for (const model::MemberInfo& i : model::members()) {
        if (model::isSlider(i.member)) {
            set.assign(i.member, (model::index(i.member) * 7 + seed) % 256);
        }
    }
    set.assign(Member::chkTurbo, flags ? 1 : 0);
    set.setFlag(Member::Space, flags);
    set.setFlag(Member::Digin, flags);
    set.setFlag(Member::Daynight, flags);
}

// Member by member, so that a failure names the member.
bool sameValues(const sim::Values& got, const sim::Values& expected, QString& why)
{
    for (const model::MemberInfo& i : model::members()) {
        const int g = sim::valueOf(got, i.member);
        const int e = sim::valueOf(expected, i.member);
        if (g != e) {
            why = QStringLiteral("%1 is %2, expected %3").arg(i.name.data()).arg(g).arg(e);
            return false;
        }
    }
    return true;
}

// What the panel holds after the reply bytes are applied over what it held.
sim::Values applied(const sim::Values& before, lnk::Layout block, const QByteArray& reply)
{
    model::ParameterSet set;
    sim::loadValues(set, before);
    lnk::applyReply(block, reply, set);
    return sim::valuesOf(set);
}

} // namespace

Q_DECLARE_METATYPE(matrix::Exchange)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Outcome)

class TestFaultMatrix : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exchangeMeetsFault_data();
    void exchangeMeetsFault();
};

void TestFaultMatrix::exchangeMeetsFault_data()
{
    QTest::addColumn<Exchange>("exchange");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Outcome>("outcome");

    struct Named
    {
        Exchange exchange;
        const char* name;
    };
    const Named exchanges[] = {{Exchange::Posliden, "posliden"},
                               {Exchange::Sendnight, "Sendnight"},
                               {Exchange::Uploadday, "Uploadday"},
                               {Exchange::Uploadnight, "Uploadnight"},
                               {Exchange::Testtone, "Testtone"}};
    for (const Named& e : exchanges) {
        const auto row = [&e](const char* fault) -> QTestData& {
            return QTest::newRow(qPrintable(QStringLiteral("%1 / %2").arg(e.name, fault)))
                   << e.exchange;
        };
        const bool upload = matrix::isUpload(e.exchange);
        const bool day = e.exchange == Exchange::Uploadday;
        const Outcome replyFault = upload ? Outcome::Refused : Outcome::Done;

        // Open failures fail every exchange.
        row("missing port") << Fault::MissingPort << Outcome::Refused;
        row("port held by another program") << Fault::PortHeld << Outcome::Refused;
        // Faults of the answer touch only the uploads: a send reads nothing.
        row("no reply") << Fault::NoReply << replyFault;
        row("short reply") << Fault::ShortReply << replyFault;
        // A day reply is taken once 42 bytes wait, and bytes after those are dropped; a night
        // reply must be exactly 25 bytes.
        row("long reply") << Fault::LongReply << (day ? Outcome::Done : replyFault);
        row("reply too late") << Fault::TooLate << replyFault;
        // The device going away fails every exchange, sends included.
        row("device vanishes mid-exchange") << Fault::Vanishes << Outcome::Refused;
        // The day reply has no header: its only check is its length, so garbage before it
        // passes for its first bytes.
        row("garbage before the reply")
            << Fault::GarbageFirst << (day ? Outcome::TakenWithGarbage : replyFault);
    }
}

void TestFaultMatrix::exchangeMeetsFault()
{
    QFETCH(Exchange, exchange);
    QFETCH(Fault, fault);
    QFETCH(Outcome, outcome);

    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    frmMain& w = *p.window;

    // The processor holds other values than the panel, in both of its stores.
    model::ParameterSet held;
    distinct(held, 101, true);
    sim::State state = p.simulator->state();
    state.current = sim::valuesOf(held);
    state.night = state.current;
    p.simulator->setState(state);
    distinct(w.params(), 3, false);
    // A bar left full by a command that found no port.
    w.PortNo = rig::kMissingPort;
    w.Testtone();
    QVERIFY(p.settle());
    QCOMPARE(w.sendBar()->value(), kBarBefore);
    p.prompts.messages.clear();
    w.PortNo = rig::kPort;
    const sim::Values before = sim::valuesOf(w.params());

    const lnk::Layout layout = matrix::layoutOf(exchange);
    sim::Settings clean;
    clean.replyLayout = layout;
    sim::Settings settings = clean;
    std::unique_ptr<QSerialPort> holder;
    switch (fault) {
    case Fault::MissingPort:
        w.PortNo = rig::kMissingPort;
        QVERIFY(!QFile::exists(lnk::portLinkPath(rig::kMissingPort, p.dir.path())));
        QVERIFY(!QFile::exists(lnk::portDevice(rig::kMissingPort, p.dir.path())));
        break;
    case Fault::PortHeld:
        // Another program has the device open, as Qt Serial Port opens it: a lock file and
        // exclusive use.
        holder = std::make_unique<QSerialPort>(p.simulator->devicePath());
        QVERIFY2(holder->open(QIODevice::ReadWrite), qPrintable(holder->errorString()));
        break;
    case Fault::NoReply:
        settings.noReply = true;
        break;
    case Fault::ShortReply:
        settings.replyLength = lnk::replySize(layout) - 1;
        break;
    case Fault::LongReply:
        settings.extraBytes = kExtra;
        break;
    case Fault::TooLate:
        // Longer than the upload waits: 800 ms for the day, 2000 ms for the night.
        settings.reaction = layout == lnk::Layout::Day ? 1200ms : 2500ms;
        break;
    case Fault::Vanishes:
        if (matrix::isUpload(exchange)) {
            settings.dropAfter = kVanishAfterReplyBytes;
        } else {
            p.line->vanishAfterWrites = exchange == Exchange::Testtone ? 1 : kVanishAfterFrameBytes;
        }
        break;
    case Fault::GarbageFirst:
        settings.garbageBytes = kGarbage;
        break;
    }
    p.simulator->setSettings(settings);

    const int from = p.mark();
    matrix::run(w, exchange);
    QVERIFY(p.settle());

    // What the operator is told.
    if (outcome == Outcome::Refused) {
        QCOMPARE(p.prompts.messages.size(), 1);
        QCOMPARE(p.prompts.messages[0].text, matrix::messageOf(exchange));
        QCOMPARE(p.prompts.messages[0].title, QStringLiteral("OrvexDAB"));
        QCOMPARE(p.prompts.messages[0].icon, PromptIcon::Exclamation);
    } else {
        QVERIFY2(p.prompts.messages.isEmpty(),
                 qPrintable(p.prompts.messages.value(0).text + p.lastResult.detail));
    }
    if (fault == Fault::Vanishes && !matrix::isUpload(exchange)) {
        QVERIFY(p.line->vanished);
    }
    // The line saw the fault the row is about, not some other one on the way.
    QVERIFY2(p.lastResult.fault == lineFaultOf(fault), qPrintable(p.lastResult.detail));
    QVERIFY(!p.line->isOpen());
    // A failed command leaves the bar full, a failed block transfer leaves it as it was.
    const int bar = outcome != Outcome::Refused      ? 0
                    : exchange == Exchange::Testtone ? 23
                                                     : kBarBefore;
    QCOMPARE(w.sendBar()->value(), bar);

    // What the panel holds.
    sim::Values expected = before;
    if (outcome != Outcome::Refused && matrix::isUpload(exchange)) {
        QByteArray reply = lnk::encodeReply(layout, held);
        if (outcome == Outcome::TakenWithGarbage) {
            // The garbage takes the first three controls, and every value after them stands
            // three places late.
            reply = (QByteArray(kGarbage, static_cast<char>(sim::kGarbageByte)) + reply)
                        .left(lnk::kDayReplySize);
            QCOMPARE(w.params().value(Member::gate), int{sim::kGarbageByte});
            QCOMPARE(w.params().value(Member::bassrel), int{sim::kGarbageByte});
            QCOMPARE(w.params().value(Member::masterrel), held.value(Member::gate));
        }
        expected = applied(before, layout, reply);
    }
    QString why;
    QVERIFY2(sameValues(sim::valuesOf(w.params()), expected, why), qPrintable(why));
    if (outcome == Outcome::Done && !matrix::isUpload(exchange)) {
        QVERIFY(p.logSays(matrix::arrival(exchange), from));
    }

    // The port is free again: the next exchange opens it and reaches the processor.
    holder.reset();
    if (fault == Fault::Vanishes) {
        QVERIFY(p.logSays(QStringLiteral("line back on device"), from));
        QVERIFY(p.deviceBack());
    }
    p.simulator->setSettings(clean);
    p.line->vanishAfterWrites = -1;
    w.PortNo = rig::kPort;
    const int next = p.mark();
    w.posliden();
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), outcome == Outcome::Refused ? 1 : 0);
    QVERIFY(!p.line->isOpen());
    QVERIFY(p.logSays(QStringLiteral("day frame:"), next));
    for (const model::MemberInfo& i : model::members()) {
        if (i.dayFrame != model::kAbsent) {
            QVERIFY2(sim::valueOf(p.simulator->state().current, i.member) ==
                         w.params().value(i.member),
                     i.name.data());
        }
    }

    // The working file written at close holds the panel.
    const QByteArray file = storage::formatParameterFile(w.params());
    const qsizetype shown = p.prompts.messages.size();
    QVERIFY(w.close());
    QCOMPARE(p.prompts.messages.size(), shown);
    QFile working(w.workingFilePath());
    QVERIFY(working.open(QIODevice::ReadOnly));
    QCOMPARE(working.readAll(), file);
}

QTEST_MAIN(TestFaultMatrix)
#include "test_faultmatrix.moc"
