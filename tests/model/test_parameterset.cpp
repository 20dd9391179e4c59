#include "model/ParameterSet.h"

#include <QSignalSpy>
#include <QTest>

using model::Member;

class TestParameterSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialValues();
    void densityFollowedWithAutoDensity();
    void densityNotFollowedWithoutAutoDensity();
    void sameValueIsNoChange();
    void bassamountDoesNotMoveDensity();
    void refusedWrites_data();
    void refusedWrites();
    void checkBoxTakesGrey();
};

void TestParameterSet::initialValues()
{
    const model::ParameterSet set;
    const QList<QPair<Member, int>> expected = {
        {Member::gate, 1},        {Member::ranges, 255},   {Member::bassrel, 255},
        {Member::masterrel, 255}, {Member::bassamount, 1}, {Member::eq200600, 1},
        {Member::eq60016, 1},     {Member::eq1638, 1},     {Member::eq3815, 1},
        {Member::rel200600, 255}, {Member::rel60016, 255}, {Member::rel1638, 255},
        {Member::rel3815, 255},   {Member::density, 1},    {Member::obbass, 1},
        {Member::ob200600, 1},    {Member::ob60016, 1},    {Member::ob1638, 1},
        {Member::ob3815, 1},      {Member::optidrive, 1},  {Member::mclipdrive, 0},
        {Member::mainexp, 1},     {Member::mpxpow, 255},   {Member::LUFSOffset, 170},
        {Member::HFShift, 0},     {Member::LFShift, 0},    {Member::MSlimit, 0},
        {Member::Enhancement, 0}, {Member::chkTurbo, 0},   {Member::Space, 0},
        {Member::Digin, 0},       {Member::Daynight, 0},   {Member::AutoDensity, 0},
    };
    QCOMPARE(expected.size(), model::kMemberCount);
    for (const auto& [m, v] : expected) {
        QCOMPARE(set.value(m), v);
    }
}

void TestParameterSet::densityFollowedWithAutoDensity()
{
    model::ParameterSet set;
    set.setFlag(Member::AutoDensity, true);
    QVERIFY(set.setValue(Member::bassamount, 10));
    QVERIFY(set.setValue(Member::density, 200));
    QCOMPARE(set.value(Member::bassamount), 200);
}

void TestParameterSet::densityNotFollowedWithoutAutoDensity()
{
    model::ParameterSet set;
    QVERIFY(set.setValue(Member::bassamount, 10));
    QVERIFY(set.setValue(Member::density, 200));
    QCOMPARE(set.value(Member::bassamount), 10);
}

void TestParameterSet::sameValueIsNoChange()
{
    model::ParameterSet set;
    QVERIFY(set.setValue(Member::density, 70));
    set.setFlag(Member::AutoDensity, true);
    QVERIFY(set.setValue(Member::bassamount, 180));
    QSignalSpy spy(&set, &model::ParameterSet::changed);
    QVERIFY(set.setValue(Member::density, 70));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(set.value(Member::bassamount), 180);
}

void TestParameterSet::bassamountDoesNotMoveDensity()
{
    model::ParameterSet set;
    set.setFlag(Member::AutoDensity, true);
    QVERIFY(set.setValue(Member::bassamount, 99));
    QCOMPARE(set.value(Member::density), 1);
}

void TestParameterSet::refusedWrites_data()
{
    QTest::addColumn<int>("member");
    QTest::addColumn<int>("value");
    QTest::newRow("slider above 255") << model::index(Member::gate) << 256;
    QTest::newRow("slider below 0") << model::index(Member::LUFSOffset) << -1;
    QTest::newRow("density above 255 with AutoDensity") << model::index(Member::density) << 300;
    QTest::newRow("check box above 2") << model::index(Member::chkTurbo) << 3;
    QTest::newRow("flag above 1") << model::index(Member::Space) << 5;
}

void TestParameterSet::refusedWrites()
{
    QFETCH(int, member);
    QFETCH(int, value);
    model::ParameterSet set;
    set.setFlag(Member::AutoDensity, true);
    model::ParameterSet before;
    before.setFlag(Member::AutoDensity, true);
    QSignalSpy spy(&set, &model::ParameterSet::changed);
    QVERIFY(!set.setValue(model::memberAt(member), value));
    QCOMPARE(spy.count(), 0);
    for (int i = 0; i < model::kMemberCount; ++i) {
        QCOMPARE(set.value(model::memberAt(i)), before.value(model::memberAt(i)));
    }
}

void TestParameterSet::checkBoxTakesGrey()
{
    model::ParameterSet set;
    QVERIFY(set.setValue(Member::chkTurbo, 2));
    QCOMPARE(set.value(Member::chkTurbo), 2);
}

QTEST_GUILESS_MAIN(TestParameterSet)
#include "test_parameterset.moc"
