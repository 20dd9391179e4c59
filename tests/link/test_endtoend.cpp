// The panel against the simulated processor through a real pseudo-terminal: the serial layer,
// the exchanges and the processor's view of what arrived.
#include "app/frmMain.h"
#include "link/Commands.h"
#include "sim/Simulator.h"
#include "support/LiveRig.h"

#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using model::Member;

namespace {

const QString kUploadDayFailure =
    QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup), wrong connection "
                   "or wrong firmware version.");
const QString kUploadNightFailure =
    QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup) or wrong "
                   "connection or wrong firmware version. ");

// Every slider distinct and away from its initial value, flags and check box set.
void distinct(model::ParameterSet& set, int seed)
{
    set.setFlag(Member::AutoDensity, false);
    for (const model::MemberInfo& i : model::members()) {
        if (model::isSlider(i.member)) {
            set.assign(i.member, (model::index(i.member) * 9 + seed) % 256);
        }
    }
    set.assign(Member::chkTurbo, 1);
    set.setFlag(Member::Space, true);
    set.setFlag(Member::Digin, true);
    set.setFlag(Member::Daynight, true);
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void daySend();
    void nightSend();
    void twoSendsInQuickSuccession();
    void everyCommand();
    void dayUpload();
    void nightUpload();
    void noReply();
    void shortReply();
    void longDayReplyIsCut();
    void longNightReplyIsRefused();
    void deviceVanishesMidExchange();
    void missingPort();
    void windowsOwnLineUsesThePortsFolder();
};

void TestEndToEnd::daySend()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    distinct(p.window->params(), 3);
    const int from = p.mark();
    p.window->toolbarKey(QStringLiteral("sendd"));
    QVERIFY(p.settle());
    QVERIFY(p.prompts.messages.isEmpty());
    QVERIFY(p.logSays(QStringLiteral("day frame:"), from));
    const sim::Values got = p.simulator->state().current;
    for (const model::MemberInfo& i : model::members()) {
        if (i.dayFrame != model::kAbsent) {
            QVERIFY2(sim::valueOf(got, i.member) == p.window->params().value(i.member),
                     i.name.data());
        }
    }
    QCOMPARE(p.window->sendBar()->value(), 0);
}

void TestEndToEnd::nightSend()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    distinct(p.window->params(), 5);
    const int from = p.mark();
    p.window->toolbarKey(QStringLiteral("sendn"));
    QVERIFY(p.settle());
    QVERIFY(p.prompts.messages.isEmpty());
    QVERIFY(p.logSays(QStringLiteral("night frame:"), from));
    const sim::Values got = p.simulator->state().night;
    for (const model::MemberInfo& i : model::members()) {
        if (i.nightFrame != model::kAbsent) {
            QVERIFY2(sim::valueOf(got, i.member) == p.window->params().value(i.member),
                     i.name.data());
        }
    }
}

void TestEndToEnd::twoSendsInQuickSuccession()
{
    // Frames have no length byte: without a pause between them the processor would read two
    // night frames as one day frame.
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    const int from = p.mark();
    p.window->toolbarKey(QStringLiteral("sendn"));
    p.window->toolbarKey(QStringLiteral("sendn"));
    QVERIFY(p.settle());
    QVERIFY(p.logSays(QStringLiteral("night frame:"), from));
    QTest::qWait(200); // the processor ends a frame after 100 ms of silence
    QStringList frames;
    for (const QString& line : p.simulator->log().lines().mid(from)) {
        if (line.contains(QStringLiteral(" frame"))) {
            frames << line.section(QLatin1Char(':'), 2, 2).trimmed();
        }
    }
    QCOMPARE(frames.size(), 2);
    QVERIFY2(frames.filter(QStringLiteral("day")).isEmpty(), qPrintable(frames.join('|')));
}

void TestEndToEnd::everyCommand()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    frmMain& w = *p.window;
    const std::array<void (frmMain::*)(), lnk::kCommandCount> operations{
        &frmMain::Testtone, &frmMain::Stoptone, &frmMain::Saveday,  &frmMain::Savenight,
        &frmMain::Setday,   &frmMain::Setnight, &frmMain::Switchon, &frmMain::Switchoff,
        &frmMain::Save1,    &frmMain::Save2,    &frmMain::Save3,    &frmMain::Save4,
        &frmMain::Recall1,  &frmMain::Recall2,  &frmMain::Recall3,  &frmMain::Recall4};
    for (const lnk::CommandInfo& c : lnk::commands()) {
        const int from = p.mark();
        (w.*operations[static_cast<int>(c.command)])();
        QVERIFY(p.settle());
        const QString expected =
            QStringLiteral("command %1 %2")
                .arg(c.byte)
                .arg(QLatin1String(c.name.data(), static_cast<qsizetype>(c.name.size())));
        QVERIFY2(p.logSays(expected, from), qPrintable(expected));
        QCOMPARE(w.sendBar()->value(), 0);
        if (c.command == lnk::Command::Testtone) {
            QVERIFY(p.simulator->state().testTone);
        }
        if (c.command == lnk::Command::Stoptone) {
            QVERIFY(!p.simulator->state().testTone);
        }
    }
    QVERIFY(p.prompts.messages.isEmpty());
    QVERIFY(!p.simulator->state().switchEnabled);
}

void TestEndToEnd::dayUpload()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    model::ParameterSet held;
    distinct(held, 7);
    sim::State s = p.simulator->state();
    s.current = sim::valuesOf(held);
    p.simulator->setState(s);

    const int from = p.mark();
    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    QVERIFY(p.prompts.messages.isEmpty());
    QVERIFY(p.logSays(QStringLiteral("sent day reply"), from));
    for (const model::MemberInfo& i : model::members()) {
        if (i.dayReply != model::kAbsent) {
            QVERIFY2(p.window->params().value(i.member) == held.value(i.member), i.name.data());
        }
    }
    QCOMPARE(p.window->sendBar()->value(), 0);

    // What came up goes back down unchanged.
    p.window->params().resetToInitial();
    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    s.current = sim::initialValues();
    p.simulator->setState(s);
    const int again = p.mark();
    p.window->toolbarKey(QStringLiteral("sendd"));
    QVERIFY(p.settle());
    QVERIFY(p.logSays(QStringLiteral("day frame:"), again));
    const sim::Values back = p.simulator->state().current;
    for (const model::MemberInfo& i : model::members()) {
        if (i.dayFrame != model::kAbsent) {
            QVERIFY2(sim::valueOf(back, i.member) == held.value(i.member), i.name.data());
        }
    }
    QVERIFY(p.prompts.messages.isEmpty());
}

void TestEndToEnd::nightUpload()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    model::ParameterSet held;
    distinct(held, 11);
    held.setFlag(Member::Digin, false);
    sim::State s = p.simulator->state();
    s.night = sim::valuesOf(held);
    s.nightPreset = s.night;
    p.simulator->setState(s);
    sim::Settings settings = p.simulator->settings();
    settings.replyLayout = lnk::Layout::Night;
    p.simulator->setSettings(settings);

    const int lufs = p.window->params().value(Member::LUFSOffset);
    const int from = p.mark();
    p.window->toolbarKey(QStringLiteral("uplon"));
    QVERIFY(p.settle());
    QVERIFY2(p.prompts.messages.isEmpty(), qPrintable(p.prompts.messages.value(0).text));
    QVERIFY(p.logSays(QStringLiteral("sent night reply"), from));
    for (const model::MemberInfo& i : model::members()) {
        if (i.nightReply != model::kAbsent) {
            QVERIFY2(p.window->params().value(i.member) == held.value(i.member), i.name.data());
        }
    }
    QCOMPARE(p.window->params().value(Member::LUFSOffset), lufs); // not in the night reply
}

void TestEndToEnd::noReply()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    sim::Settings settings = p.simulator->settings();
    settings.noReply = true;
    p.simulator->setSettings(settings);
    p.window->params().assign(Member::gate, 42);

    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    p.window->toolbarKey(QStringLiteral("uplon"));
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 2);
    QCOMPARE(p.prompts.messages[0].text, kUploadDayFailure);
    QCOMPARE(p.prompts.messages[1].text, kUploadNightFailure);
    QCOMPARE(p.window->params().value(Member::gate), 42);
}

void TestEndToEnd::shortReply()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    sim::Settings settings = p.simulator->settings();
    settings.replyLength = 41;
    p.simulator->setSettings(settings);
    p.window->params().assign(Member::gate, 42);
    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());

    settings.replyLayout = lnk::Layout::Night;
    settings.replyLength = 24;
    p.simulator->setSettings(settings);
    p.window->toolbarKey(QStringLiteral("uplon"));
    QVERIFY(p.settle());

    QCOMPARE(p.prompts.messages.size(), 2);
    QCOMPARE(p.prompts.messages[0].text, kUploadDayFailure);
    QCOMPARE(p.prompts.messages[1].text, kUploadNightFailure);
    QCOMPARE(p.window->params().value(Member::gate), 42);
}

void TestEndToEnd::longDayReplyIsCut()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    model::ParameterSet held;
    distinct(held, 13);
    sim::State s = p.simulator->state();
    s.current = sim::valuesOf(held);
    p.simulator->setState(s);
    sim::Settings settings = p.simulator->settings();
    settings.extraBytes = 3;
    p.simulator->setSettings(settings);

    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    QVERIFY(p.prompts.messages.isEmpty());
    QCOMPARE(p.window->params().value(Member::LUFSOffset), held.value(Member::LUFSOffset));

    // The extra bytes that came after the close never pass for the next reply.
    settings.extraBytes = 0;
    settings.replyLength = 41;
    p.simulator->setSettings(settings);
    QTest::qWait(100);
    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 1);
    QCOMPARE(p.prompts.messages[0].text, kUploadDayFailure);
}

void TestEndToEnd::longNightReplyIsRefused()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    model::ParameterSet held;
    distinct(held, 17);
    sim::State s = p.simulator->state();
    s.night = sim::valuesOf(held);
    s.nightPreset = s.night;
    p.simulator->setState(s);
    p.window->params().assign(Member::gate, 42);

    // One byte too many, after the reply or before it: the count passes 25 on its way to 26
    // and the reply must not be taken at 25.
    for (const bool before : {false, true}) {
        sim::Settings settings;
        settings.replyLayout = lnk::Layout::Night;
        (before ? settings.garbageBytes : settings.extraBytes) = 1;
        p.simulator->setSettings(settings);
        const int from = p.mark();
        p.window->toolbarKey(QStringLiteral("uplon"));
        QVERIFY(p.settle());
        QVERIFY(p.logSays(QStringLiteral("night reply"), from));
        QCOMPARE(p.prompts.messages.size(), before ? 2 : 1);
        QCOMPARE(p.prompts.messages.last().text, kUploadNightFailure);
        QCOMPARE(p.window->params().value(Member::gate), 42);
    }
}

void TestEndToEnd::deviceVanishesMidExchange()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    sim::Settings settings = p.simulator->settings();
    settings.dropAfter = 10;
    p.simulator->setSettings(settings);
    p.window->params().assign(Member::gate, 42);
    p.window->sendBar()->setValue(5);

    p.window->toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 1);
    QCOMPARE(p.prompts.messages[0].text, kUploadDayFailure);
    QCOMPARE(p.window->params().value(Member::gate), 42);
    QCOMPARE(p.window->sendBar()->value(), 5);
    QVERIFY(!p.line->isOpen());

    // While the device is away the port is missing; when it is back the panel carries on.
    p.window->posliden();
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 2);
    settings.dropAfter = -1;
    p.simulator->setSettings(settings);
    QTRY_VERIFY_WITH_TIMEOUT(!p.simulator->devicePath().isEmpty(), 5000);
    const int from = p.mark();
    p.window->posliden();
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 2);
    QVERIFY(p.logSays(QStringLiteral("day frame:"), from));
}

void TestEndToEnd::missingPort()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    // Port 9 is a link to a device that is not there.
    QVERIFY(QFile::link(p.dir.filePath(QStringLiteral("gone")),
                        p.dir.filePath(QStringLiteral("ports/COM9"))));
    frmMain& w = *p.window;
    w.PortNo = 9;
    w.sendBar()->setValue(10);
    const int from = p.mark();
    w.posliden();
    QVERIFY(p.settle());
    w.Sendnight();
    QVERIFY(p.settle());
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    w.Uploadnight();
    QVERIFY(p.settle());
    QCOMPARE(w.sendBar()->value(), 10);
    w.Setnight();
    QVERIFY(p.settle());
    QCOMPARE(w.sendBar()->value(), 23);

    QCOMPARE(p.prompts.messages.size(), 5);
    QCOMPARE(p.prompts.messages[0].text,
             QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup) or wrong "
                            "firmware version."));
    QCOMPARE(p.prompts.messages[1].text,
             QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup)or wrong "
                            "firmware version."));
    QCOMPARE(p.prompts.messages[2].text, kUploadDayFailure);
    QCOMPARE(p.prompts.messages[3].text, kUploadNightFailure);
    QCOMPARE(p.prompts.messages[4].text,
             QStringLiteral("Error serial communication, try to use other port (Menu Setup)"));
    QTest::qWait(150);
    QCOMPARE(p.simulator->log().count(), from); // nothing reached the processor
}

void TestEndToEnd::windowsOwnLineUsesThePortsFolder()
{
    rig::LivePanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    AppEnvironment env = p.env;
    env.lines = nullptr; // the window makes its own lines, as the program does
    frmMain w(env);
    w.PortNo = rig::kPort;
    const int from = p.mark();
    w.Setday();
    QVERIFY(waitIdle(w.session()));
    QVERIFY(p.prompts.messages.isEmpty());
    QVERIFY(p.logSays(QStringLiteral("command 151 Setday"), from));
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
