// The simulated processor's protocol engine: framing, decoding, commands, unknown bytes.
#include "sim/Processor.h"

#include "SimBytes.h"

#include <QTest>

using model::Member;
using sim::Clock;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::State)

namespace {

sim::Values values(std::initializer_list<std::pair<Member, int>> changes,
                   sim::Values base = sim::initialValues())
{
    for (const auto& [m, v] : changes) {
        base[model::index(m)] = v;
    }
    return base;
}

// Every slider of the frames at one value, so that copies between slots are visible.
sim::Values all(int v)
{
    sim::Values x = sim::initialValues();
    for (int i = 0; i < model::kSliderCount; ++i) {
        x[i] = v;
    }
    return x;
}

QStringList texts(const std::vector<sim::Event>& events)
{
    QStringList t;
    for (const sim::Event& e : events) {
        t << e.text;
    }
    return t;
}

const Clock::time_point t0{};

} // namespace

class TestSimProcessor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayFrame_data();
    void dayFrame();
    void dayFrameLogNamesEveryParameter();
    void nightFrameEndsAtSilence();
    void nightFrameLeavesCurrentAlone();
    void frameInPiecesWithShortPauses();
    void incompleteFrame_data();
    void incompleteFrame();
    void byteAfterSilenceStartsAfresh();
    void unknownBytes_data();
    void unknownBytes();
    void commands_data();
    void commands();
};

void TestSimProcessor::dayFrame_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<sim::Values>("expected");

    QTest::newRow("every position distinct")
        << distinctDayFrame()
        << values({{Member::gate, 1},       {Member::ranges, 2},       {Member::bassrel, 3},
                   {Member::masterrel, 4},  {Member::bassamount, 5},   {Member::eq200600, 6},
                   {Member::eq60016, 7},    {Member::eq1638, 8},       {Member::eq3815, 9},
                   {Member::rel200600, 10}, {Member::rel60016, 11},    {Member::rel1638, 12},
                   {Member::rel3815, 13},   {Member::density, 14},     {Member::obbass, 15},
                   {Member::ob200600, 16},  {Member::ob60016, 17},     {Member::ob1638, 18},
                   {Member::ob3815, 19},    {Member::optidrive, 20},   {Member::mpxpow, 21},
                   {Member::mainexp, 22},   {Member::mclipdrive, 23},  {Member::Space, 1},
                   {Member::Digin, 0},      {Member::Daynight, 1},     {Member::chkTurbo, 1},
                   {Member::MSlimit, 30},   {Member::Enhancement, 31}, {Member::HFShift, 32},
                   {Member::LFShift, 33},   {Member::LUFSOffset, 34}});

    QTest::newRow("all zero")
        << bytes({126}) + zeros(41)
        << values({{Member::ranges, 0},    {Member::bassrel, 0},    {Member::masterrel, 0},
                   {Member::gate, 0},      {Member::bassamount, 0}, {Member::eq200600, 0},
                   {Member::eq60016, 0},   {Member::eq1638, 0},     {Member::eq3815, 0},
                   {Member::rel200600, 0}, {Member::rel60016, 0},   {Member::rel1638, 0},
                   {Member::rel3815, 0},   {Member::density, 0},    {Member::obbass, 0},
                   {Member::ob200600, 0},  {Member::ob60016, 0},    {Member::ob1638, 0},
                   {Member::ob3815, 0},    {Member::optidrive, 0},  {Member::mpxpow, 0},
                   {Member::mainexp, 0},   {Member::LUFSOffset, 0}});

    // 126 at gate and density and 226 at mpxpow are parameter values, not a new frame or a
    // request; the frame still ends at its 42nd byte.
    QTest::newRow("126 and 226 inside the data")
        << bytes({126, 126, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 126, 0, 0, 0, 0, 0, 0, 226}) +
               zeros(20)
        << values({{Member::gate, 126},    {Member::ranges, 0},     {Member::bassrel, 0},
                   {Member::masterrel, 0}, {Member::bassamount, 0}, {Member::eq200600, 0},
                   {Member::eq60016, 0},   {Member::eq1638, 0},     {Member::eq3815, 0},
                   {Member::rel200600, 0}, {Member::rel60016, 0},   {Member::rel1638, 0},
                   {Member::rel3815, 0},   {Member::density, 126},  {Member::obbass, 0},
                   {Member::ob200600, 0},  {Member::ob60016, 0},    {Member::ob1638, 0},
                   {Member::ob3815, 0},    {Member::optidrive, 0},  {Member::mpxpow, 226},
                   {Member::mainexp, 0},   {Member::LUFSOffset, 0}});

    // A flag byte that is not 0 counts as set; a check box byte above 2 as checked.
    QTest::newRow("odd flag and check box bytes")
        << bytes({126, 1, 255, 255, 255, 1, 1, 1, 1,   1, 255, 255, 255, 255, 1, 1, 1, 1, 1, 1, 1,
                  255, 1, 0,   1,   2,   0, 0, 0, 255, 0, 0,   0,   0,   170, 0, 0, 0, 0, 0, 0, 0})
        << values({{Member::Space, 1}, {Member::Digin, 1}, {Member::chkTurbo, 1}});
}

void TestSimProcessor::dayFrame()
{
    QFETCH(QByteArray, frame);
    QFETCH(sim::Values, expected);
    QCOMPARE(frame.size(), 42);

    sim::Processor p;
    const auto events = p.feed(frame, t0);
    QCOMPARE(events.size(), size_t{1});
    QVERIFY(events[0].text.startsWith("day frame: "));
    QVERIFY(!events[0].request);
    QCOMPARE(p.state().current, expected);
    QCOMPARE(p.state().night, sim::initialValues());
    QVERIFY(!p.deadline());
}

void TestSimProcessor::dayFrameLogNamesEveryParameter()
{
    sim::Processor p;
    const QString text = p.feed(distinctDayFrame(), t0).at(0).text;
    QVERIFY2(text.startsWith("day frame: gate=1 ranges=2 bassrel=3 masterrel=4 bassamount=5 "
                             "eq200600=6 eq60016=7 eq1638=8 eq3815=9 rel200600=10 rel60016=11 "
                             "rel1638=12 rel3815=13 density=14 obbass=15 ob200600=16 ob60016=17 "
                             "ob1638=18 ob3815=19 optidrive=20 mpxpow=21 mainexp=22 "
                             "mclipdrive=23 Space=on Digin=off Daynight=on chkTurbo=1 MSlimit=30 "
                             "Enhancement=31 HFShift=32 LFShift=33 LUFSOffset=34 | changed: "),
             qPrintable(text));
    QVERIFY(text.contains("gate 1->1") == false);
    QVERIFY(text.contains("ranges 255->2"));
    QVERIFY(text.contains("Space off->on"));

    // The same frame again changes nothing; a stray constant byte is shown.
    QByteArray again = distinctDayFrame();
    again[26] = 5;
    const QString second = p.feed(again, t0 + 1s).at(0).text;
    QVERIFY2(second.contains("Digin=off byte26=5(should be 0) Daynight=on"), qPrintable(second));
    QVERIFY(second.endsWith("| no change"));
}

void TestSimProcessor::nightFrameEndsAtSilence()
{
    const QByteArray frame =
        bytes({126, 11, 12, 13, 14, 15, 16, 17,  18, 19,  20, 21, 22, 23, 24, 25, 26,
               27,  28, 29, 30, 31, 32, 33, 255, 0,  255, 0,  0,  0,  0,  0,  0});
    QCOMPARE(frame.size(), 33);
    sim::Processor p;
    QVERIFY(p.feed(frame, t0).empty());
    QCOMPARE(p.deadline(), std::optional(t0 + 100ms));
    QVERIFY(p.expire(t0 + 99ms).empty());

    const auto events = p.expire(t0 + 100ms);
    QCOMPARE(events.size(), size_t{1});
    QVERIFY2(events[0].text.startsWith("night frame: gate=11 ranges=12 "),
             qPrintable(events[0].text));
    QVERIFY(events[0].text.contains("mclipdrive=33 Space=on Digin=off Daynight=on |"));
    QVERIFY(!events[0].text.contains("chkTurbo"));
    QCOMPARE(p.state().night,
             values({{Member::gate, 11},      {Member::ranges, 12},     {Member::bassrel, 13},
                     {Member::masterrel, 14}, {Member::bassamount, 15}, {Member::eq200600, 16},
                     {Member::eq60016, 17},   {Member::eq1638, 18},     {Member::eq3815, 19},
                     {Member::rel200600, 20}, {Member::rel60016, 21},   {Member::rel1638, 22},
                     {Member::rel3815, 23},   {Member::density, 24},    {Member::obbass, 25},
                     {Member::ob200600, 26},  {Member::ob60016, 27},    {Member::ob1638, 28},
                     {Member::ob3815, 29},    {Member::optidrive, 30},  {Member::mpxpow, 31},
                     {Member::mainexp, 32},   {Member::mclipdrive, 33}, {Member::Space, 1},
                     {Member::Daynight, 1}}));
    QVERIFY(!p.deadline());
}

void TestSimProcessor::nightFrameLeavesCurrentAlone()
{
    sim::Processor p;
    p.feed(distinctDayFrame(), t0);
    const sim::Values day = p.state().current;
    p.feed(bytes({126}) + QByteArray(32, 7), t0 + 1s);
    p.expire(t0 + 2s);
    QCOMPARE(p.state().current, day);
    QCOMPARE(sim::valueOf(p.state().night, Member::gate), 7);
    // Members the night frame does not carry keep what the night parameters held.
    QCOMPARE(sim::valueOf(p.state().night, Member::LUFSOffset), 170);
}

void TestSimProcessor::frameInPiecesWithShortPauses()
{
    const QByteArray frame = distinctDayFrame();
    sim::Processor p;
    for (int i = 0; i < frame.size(); ++i) {
        const auto events = p.feed(frame.mid(i, 1), t0 + i * 90ms);
        QCOMPARE(events.size(), i == frame.size() - 1 ? size_t{1} : size_t{0});
    }
    QCOMPARE(sim::valueOf(p.state().current, Member::LUFSOffset), 34);
}

void TestSimProcessor::incompleteFrame_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("log");

    QTest::newRow("header alone") << bytes({126}) << "incomplete frame (1 bytes) dropped: 7E";
    QTest::newRow("17 bytes") << bytes({126}) + QByteArray(16, 9)
                              << "incomplete frame (17 bytes) dropped: 7E 09 09";
    QTest::newRow("one short of night")
        << bytes({126}) + zeros(31) << "incomplete frame (32 bytes) dropped";
    QTest::newRow("one past night")
        << bytes({126}) + zeros(33) << "incomplete frame (34 bytes) dropped";
    QTest::newRow("one short of day")
        << distinctDayFrame().left(41) << "incomplete frame (41 bytes) dropped";
}

void TestSimProcessor::incompleteFrame()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, log);
    sim::Processor p;
    const sim::State before = p.state();
    QVERIFY(p.feed(sent, t0).empty());
    QVERIFY(p.expire(t0 + 99ms).empty());
    const QStringList t = texts(p.expire(t0 + 100ms));
    QCOMPARE(t.size(), 1);
    QVERIFY2(t[0].startsWith(log), qPrintable(t[0]));
    QCOMPARE(p.state(), before);
    // The line is back outside a frame: a command byte is a command again.
    QCOMPARE(texts(p.feed(bytes({100}), t0 + 1s)),
             QStringList{"command 100 Testtone: test tone on"});
}

void TestSimProcessor::byteAfterSilenceStartsAfresh()
{
    sim::Processor p;
    p.feed(bytes({126, 1, 2}), t0);
    // No expire() between: the late byte itself ends the frame that went silent.
    const QStringList t = texts(p.feed(bytes({110, 126}), t0 + 150ms));
    QCOMPARE(t, (QStringList{"incomplete frame (3 bytes) dropped: 7E 01 02",
                             "command 110 Stoptone: test tone off"}));
    QCOMPARE(p.deadline(), std::optional(t0 + 250ms));
}

void TestSimProcessor::unknownBytes_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("log");
    QTest::newRow("0") << 0 << "unknown byte 0 (0x00) ignored";
    QTest::newRow("5") << 5 << "unknown byte 5 (0x05) ignored";
    QTest::newRow("127, next to the header") << 127 << "unknown byte 127 (0x7F) ignored";
    QTest::newRow("135, below Save1") << 135 << "unknown byte 135 (0x87) ignored";
    QTest::newRow("184, above Recall4") << 184 << "unknown byte 184 (0xB8) ignored";
    QTest::newRow("225, below the request") << 225 << "unknown byte 225 (0xE1) ignored";
    QTest::newRow("255") << 255 << "unknown byte 255 (0xFF) ignored";
}

void TestSimProcessor::unknownBytes()
{
    QFETCH(int, byte);
    QFETCH(QString, log);
    sim::Processor p;
    const auto events = p.feed(bytes({byte}), t0);
    QCOMPARE(texts(events), QStringList{log});
    QVERIFY(!events[0].request);
    QCOMPARE(p.state(), sim::State{});
    QVERIFY(!p.deadline());
}

namespace {

// A processor whose slots all differ: current 10, night 20, day preset 30, night preset 40,
// user presets 51..54; the night preset active, test tone off, switch disabled.
sim::State distinctState()
{
    sim::State s;
    s.current = all(10);
    s.night = all(20);
    s.dayPreset = all(30);
    s.nightPreset = all(40);
    s.user = {all(51), all(52), all(53), all(54)};
    s.active = lnk::Layout::Night;
    return s;
}

} // namespace

void TestSimProcessor::commands_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<sim::State>("expected");
    QTest::addColumn<QString>("log"); // of the last byte

    auto row = [](const char* name, QByteArray sent, auto change, const char* log) {
        sim::State e = distinctState();
        change(e);
        QTest::newRow(name) << sent << e << QString::fromLatin1(log);
    };
    row(
        "Testtone", bytes({100}), [](sim::State& s) { s.testTone = true; },
        "command 100 Testtone: test tone on");
    row(
        "Stoptone after Testtone", bytes({100, 110}), [](sim::State&) {},
        "command 110 Stoptone: test tone off");
    row(
        "Testtone twice", bytes({100, 100}), [](sim::State& s) { s.testTone = true; },
        "command 100 Testtone: test tone on");
    row(
        "Saveday", bytes({145}), [](sim::State& s) { s.dayPreset = all(10); },
        "command 145 Saveday: current parameters stored as day preset");
    row(
        "Savenight", bytes({149}), [](sim::State& s) { s.nightPreset = all(10); },
        "command 149 Savenight: current parameters stored as night preset");
    row(
        "Setday", bytes({151}),
        [](sim::State& s) {
            s.active = lnk::Layout::Day;
            s.current = all(30);
        },
        "command 151 Setday: day preset active, current parameters = day preset");
    row(
        "Setnight after Setday", bytes({151, 163}), [](sim::State& s) { s.current = all(40); },
        "command 163 Setnight: night preset active, current parameters = night preset");
    row(
        "Switchon", bytes({175}), [](sim::State& s) { s.switchEnabled = true; },
        "command 175 Switchon: day/night switch enabled");
    row(
        "Switchoff after Switchon", bytes({175, 179}), [](sim::State&) {},
        "command 179 Switchoff: day/night switch disabled");
    row(
        "Save1", bytes({136}), [](sim::State& s) { s.user[0] = all(10); },
        "command 136 Save1: current parameters stored as user preset 1");
    row(
        "Save2", bytes({137}), [](sim::State& s) { s.user[1] = all(10); },
        "command 137 Save2: current parameters stored as user preset 2");
    row(
        "Save3", bytes({138}), [](sim::State& s) { s.user[2] = all(10); },
        "command 138 Save3: current parameters stored as user preset 3");
    row(
        "Save4", bytes({139}), [](sim::State& s) { s.user[3] = all(10); },
        "command 139 Save4: current parameters stored as user preset 4");
    row(
        "Recall1", bytes({180}), [](sim::State& s) { s.current = all(51); },
        "command 180 Recall1: user preset 1 recalled, current parameters = user preset 1");
    row(
        "Recall2", bytes({181}), [](sim::State& s) { s.current = all(52); },
        "command 181 Recall2: user preset 2 recalled, current parameters = user preset 2");
    row(
        "Recall3", bytes({182}), [](sim::State& s) { s.current = all(53); },
        "command 182 Recall3: user preset 3 recalled, current parameters = user preset 3");
    row(
        "Recall4", bytes({183}), [](sim::State& s) { s.current = all(54); },
        "command 183 Recall4: user preset 4 recalled, current parameters = user preset 4");
    row(
        "Save2, Recall4, Recall2", bytes({137, 183, 181}),
        [](sim::State& s) {
            s.user[1] = all(10);
            s.current = all(10);
        },
        "command 181 Recall2: user preset 2 recalled, current parameters = user preset 2");
}

void TestSimProcessor::commands()
{
    QFETCH(QByteArray, sent);
    QFETCH(sim::State, expected);
    QFETCH(QString, log);

    sim::Processor p;
    p.setState(distinctState());
    const QStringList t = texts(p.feed(sent, t0));
    QCOMPARE(t.size(), sent.size());
    QCOMPARE(t.last(), log);
    QCOMPARE(p.state(), expected);
}

QTEST_GUILESS_MAIN(TestSimProcessor)
#include "test_sim_processor.moc"
