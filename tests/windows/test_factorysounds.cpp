#include "link/Frames.h"
#include "presets/FactorySounds.h"
#include "support/PanelFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using model::Member;
using presets::Sound;

Q_DECLARE_METATYPE(presets::Sound)

namespace {

using Values = QList<QPair<Member, int>>;

// Each sound's slider values, in panel order.
Values expectedSound(Sound s)
{
    const bool universal = s == Sound::Universal || s == Sound::MUniversal;
    if (universal) {
        return {
            {Member::gate, 8},
            {Member::ranges, 248},
            {Member::bassrel, 205},
            {Member::masterrel, 180},
            {Member::bassamount, s == Sound::Universal ? 180 : 60},
            {Member::eq200600, 141},
            {Member::eq60016, 59},
            {Member::eq1638, 65},
            {Member::eq3815, 123},
            {Member::rel200600, 141},
            {Member::rel60016, 59},
            {Member::rel1638, 58},
            {Member::rel3815, 58},
            {Member::density, 70},
            {Member::obbass, 128},
            {Member::ob200600, 130},
            {Member::ob60016, 65},
            {Member::ob1638, 136},
            {Member::ob3815, 131},
            {Member::optidrive, 25},
            {Member::mclipdrive, 90},
            {Member::mainexp, 1},
            {Member::mpxpow, 73},
            {Member::LUFSOffset, 165},
            {Member::HFShift, 220},
            {Member::LFShift, 92},
            {Member::MSlimit, 100},
            {Member::Enhancement, 135},
        };
    }
    const bool speed = s == Sound::Speed;
    return {
        {Member::gate, 1},
        {Member::ranges, 255},
        {Member::bassrel, 242},
        {Member::masterrel, 210},
        {Member::bassamount, speed ? 110 : 50},
        {Member::eq200600, 141},
        {Member::eq60016, 136},
        {Member::eq1638, speed ? 223 : 141},
        {Member::eq3815, 141},
        {Member::rel200600, 141},
        {Member::rel60016, 141},
        {Member::rel1638, 147},
        {Member::rel3815, 160},
        {Member::density, 45},
        {Member::obbass, 230},
        {Member::ob200600, 113},
        {Member::ob60016, 130},
        {Member::ob1638, 125},
        {Member::ob3815, speed ? 132 : 95},
        {Member::optidrive, 50},
        {Member::mclipdrive, 23},
        {Member::mainexp, 1},
        {Member::mpxpow, 90},
        {Member::LUFSOffset, 145},
        {Member::HFShift, 181},
        {Member::LFShift, 90},
        {Member::MSlimit, 125},
        {Member::Enhancement, 150},
    };
}

// Every slider away from every sound's value, both switches on, all flags set.
void spoil(model::ParameterSet& set)
{
    for (int i = 0; i < model::kSliderCount; ++i) {
        set.assign(model::memberAt(i), 3);
    }
    set.assign(Member::chkTurbo, 1);
    set.setFlag(Member::Space, true);
    set.setFlag(Member::Digin, true);
    set.setFlag(Member::Daynight, true);
}

void compareWithSound(const model::ParameterSet& set, Sound s)
{
    const Values expected = expectedSound(s);
    QCOMPARE(expected.size(), model::kSliderCount);
    for (const auto& [m, v] : expected) {
        QVERIFY2(set.value(m) == v, qPrintable(QStringLiteral("member %1: %2 instead of %3")
                                                   .arg(model::index(m))
                                                   .arg(set.value(m))
                                                   .arg(v)));
    }
    QCOMPARE(set.value(Member::chkTurbo), 0);
    QCOMPARE(set.flag(Member::Space), false);
}

void addSoundRows()
{
    QTest::addColumn<Sound>("sound");
    QTest::addColumn<QString>("menuItem");
    QTest::newRow("Universal") << Sound::Universal << QStringLiteral("GoldenDance");
    QTest::newRow("M - Universal") << Sound::MUniversal << QStringLiteral("MUniversal");
    QTest::newRow("Speed") << Sound::Speed << QStringLiteral("Speed");
    QTest::newRow("M - Speed") << Sound::MSpeed << QStringLiteral("MSpeed");
}

} // namespace

class TestFactorySounds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setsItsColumn_data() { addSoundRows(); }
    void setsItsColumn();
    void assignsInTableOrder();
    void bassFollowsDensity_data();
    void bassFollowsDensity();

    void menuItemLoadsAndSends_data() { addSoundRows(); }
    void menuItemLoadsAndSends();
    void sameSoundTwiceSendsTwice();
    void failedSendKeepsSound();
};

void TestFactorySounds::setsItsColumn()
{
    QFETCH(Sound, sound);
    model::ParameterSet set;
    spoil(set);
    presets::apply(sound, set);
    compareWithSound(set, sound);
    QCOMPARE(set.flag(Member::Digin), true);
    QCOMPARE(set.flag(Member::Daynight), true);
    QCOMPARE(set.flag(Member::AutoDensity), false);
}

void TestFactorySounds::assignsInTableOrder()
{
    model::ParameterSet set;
    spoil(set);
    QSignalSpy spy(&set, &model::ParameterSet::changed);
    presets::apply(Sound::Speed, set);

    const QList<Member> order = {
        Member::gate,       Member::ranges,      Member::bassrel,    Member::masterrel,
        Member::bassamount, Member::eq200600,    Member::eq60016,    Member::eq1638,
        Member::eq3815,     Member::rel200600,   Member::rel60016,   Member::rel1638,
        Member::rel3815,    Member::density,     Member::obbass,     Member::ob200600,
        Member::ob60016,    Member::ob1638,      Member::ob3815,     Member::optidrive,
        Member::mpxpow,     Member::mainexp,     Member::mclipdrive, Member::chkTurbo,
        Member::MSlimit,    Member::Enhancement, Member::Space,      Member::LFShift,
        Member::HFShift,    Member::LUFSOffset,
    };
    QCOMPARE(spy.size(), order.size());
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(spy.at(i).at(0).value<Member>(), order.at(i));
    }
}

void TestFactorySounds::bassFollowsDensity_data()
{
    QTest::addColumn<Sound>("sound");
    QTest::addColumn<int>("densityBefore");
    QTest::addColumn<int>("bassAfter");
    QTest::newRow("Universal, density moves") << Sound::Universal << 3 << 70;
    QTest::newRow("M - Universal, density moves") << Sound::MUniversal << 3 << 70;
    QTest::newRow("Speed, density moves") << Sound::Speed << 3 << 45;
    QTest::newRow("M - Speed, density moves") << Sound::MSpeed << 3 << 45;
    QTest::newRow("Universal, density already 70") << Sound::Universal << 70 << 180;
    QTest::newRow("M - Universal, density already 70") << Sound::MUniversal << 70 << 60;
    QTest::newRow("Speed, density already 45") << Sound::Speed << 45 << 110;
    QTest::newRow("M - Speed, density already 45") << Sound::MSpeed << 45 << 50;
}

void TestFactorySounds::bassFollowsDensity()
{
    QFETCH(Sound, sound);
    QFETCH(int, densityBefore);
    QFETCH(int, bassAfter);
    model::ParameterSet set;
    spoil(set);
    set.setFlag(Member::AutoDensity, true);
    set.assign(Member::density, densityBefore);
    presets::apply(sound, set);
    QCOMPARE(set.value(Member::bassamount), bassAfter);
    QCOMPARE(set.flag(Member::AutoDensity), true);
}

void TestFactorySounds::menuItemLoadsAndSends()
{
    QFETCH(Sound, sound);
    QFETCH(QString, menuItem);
    PanelFixture fx;
    fx.prompts.messages.clear();
    frmMain& w = *fx.window;
    spoil(w.params());
    w.applyTurboIndication();
    QVERIFY(w.turboIndicationShown());
    const int portBefore = w.PortNo;
    const QString nameBefore = w.fileNameBox() ? w.fileNameBox()->text() : QString();

    auto* item = w.findChild<QAction*>(menuItem);
    QVERIFY2(item != nullptr, "menu item missing");
    item->trigger();
    QVERIFY(fx.settle());

    compareWithSound(w.params(), sound);
    QCOMPARE(w.params().flag(Member::Digin), true);
    QCOMPARE(w.params().flag(Member::Daynight), true);
    QCOMPARE(w.params().flag(Member::AutoDensity), false);
    QCOMPARE(w.PortNo, portBefore);
    if (w.fileNameBox() != nullptr) {
        QCOMPARE(w.fileNameBox()->text(), nameBefore);
    }
    QVERIFY(!w.turboIndicationShown());
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 255));
    QVERIFY(w.turboDensityLabel() != nullptr);
    QVERIFY(w.turboDensityLabel()->isHidden());

    // What went out is the day frame of an independently built panel.
    model::ParameterSet sent;
    for (const auto& [m, v] : expectedSound(sound)) {
        QVERIFY(sent.setValue(m, v));
    }
    sent.setFlag(Member::Digin, true);
    sent.setFlag(Member::Daynight, true);
    QCOMPARE(fx.line.exchanges.size(), 1);
    QCOMPARE(fx.line.allWritten(), lnk::encodeFrame(lnk::Layout::Day, sent));
    QVERIFY(fx.prompts.messages.isEmpty());
    QVERIFY(fx.prompts.dialogs.isEmpty());
}

void TestFactorySounds::sameSoundTwiceSendsTwice()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto* item = fx.window->findChild<QAction*>(QStringLiteral("Speed"));
    QVERIFY(item != nullptr);
    item->trigger();
    item->trigger();
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.exchanges.size(), 2);
    QCOMPARE(fx.line.exchanges.at(0).written.size(), lnk::kDayFrameSize);
    QCOMPARE(fx.line.exchanges.at(0).written, fx.line.exchanges.at(1).written);
}

void TestFactorySounds::failedSendKeepsSound()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    fx.line.failOpen = true;
    auto* item = fx.window->findChild<QAction*>(QStringLiteral("MSpeed"));
    QVERIFY(item != nullptr);
    item->trigger();
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.allWritten(), QByteArray());
    QCOMPARE(fx.prompts.messages.size(), 1);
    QCOMPARE(fx.prompts.messages.at(0).icon, PromptIcon::Exclamation);
    compareWithSound(fx.window->params(), Sound::MSpeed);
}

QTEST_MAIN(TestFactorySounds)
#include "test_factorysounds.moc"
