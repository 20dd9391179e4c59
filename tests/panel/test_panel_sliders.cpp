#include "SliderProbe.h"
#include "support/PanelFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using model::Member;

// Every slider of the panel: which end holds 255, initial value, name for screen readers.
class TestPanelSliders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void holds255AtItsEnd_data();
    void holds255AtItsEnd();
    void initialValuesOnWidgets_data();
    void initialValuesOnWidgets();
    void direction_data();
    void direction();
    void homeAndEnd_data();
    void homeAndEnd();
    void sliderWritesTheParameterSet();
    void accessibleNameAndValue_data();
    void accessibleNameAndValue();
    void accessibleWriteGoesThroughTheSet();

private:
    static ParamSlider* find(PanelFixture& fx, const char* name)
    {
        auto* s = fx.window->findChild<ParamSlider*>(QLatin1String(name));
        if (s == nullptr) {
            qFatal("no slider named %s", name);
        }
        return s;
    }
};

void TestPanelSliders::holds255AtItsEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("end");
    const char* rows[][2] = {
        {"gate", "top"},          {"ranges", "bottom"},   {"bassrel", "bottom"},
        {"masterrel", "bottom"},  {"bassamount", "top"},  {"eq200600", "top"},
        {"eq60016", "top"},       {"eq1638", "top"},      {"eq3815", "top"},
        {"rel200600", "bottom"},  {"rel60016", "bottom"}, {"rel1638", "bottom"},
        {"rel3815", "bottom"},    {"density", "top"},     {"obbass", "top"},
        {"ob200600", "top"},      {"ob60016", "top"},     {"ob1638", "top"},
        {"ob3815", "top"},        {"optidrive", "right"}, {"mclipdrive", "top"},
        {"mainexp", "left"},      {"mpxpow", "top"},      {"LUFSOffset", "top"},
        {"HFShift", "right"},     {"LFShift", "right"},   {"MSlimit", "right"},
        {"Enhancement", "right"},
    };
    for (const auto& r : rows) {
        QTest::newRow(r[0]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]);
    }
}

void TestPanelSliders::holds255AtItsEnd()
{
    QFETCH(QString, name);
    QFETCH(QString, end);
    PanelFixture fx(false);
    auto* s = find(fx, name.toLatin1().constData());
    const bool vertical = end == QLatin1String("top") || end == QLatin1String("bottom");
    QCOMPARE(s->orientation(), vertical ? Qt::Vertical : Qt::Horizontal);
    QCOMPARE(s->minimum(), 0);
    QCOMPARE(s->maximum(), 255);
    QCOMPARE(s->singleStep(), 1);
    QCOMPARE(s->pageStep(), 1);

    const Member m = *model::memberByName(name.toStdString());
    QVERIFY(fx.window->params().setValue(m, 255));
    const int at255 = thumbAt(s);
    QVERIFY(fx.window->params().setValue(m, 0));
    const int at0 = thumbAt(s);
    if (end == QLatin1String("top") || end == QLatin1String("left")) {
        QVERIFY2(at255 < at0, "the thumb at 255 must stand at the top or left end");
    } else {
        QVERIFY2(at255 > at0, "the thumb at 255 must stand at the bottom or right end");
    }
}

void TestPanelSliders::initialValuesOnWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("initial");
    const std::pair<const char*, int> rows[] = {
        {"gate", 1},       {"ranges", 255},    {"bassrel", 255},  {"masterrel", 255},
        {"bassamount", 1}, {"eq200600", 1},    {"eq60016", 1},    {"eq1638", 1},
        {"eq3815", 1},     {"rel200600", 255}, {"rel60016", 255}, {"rel1638", 255},
        {"rel3815", 255},  {"density", 1},     {"obbass", 1},     {"ob200600", 1},
        {"ob60016", 1},    {"ob1638", 1},      {"ob3815", 1},     {"optidrive", 1},
        {"mclipdrive", 0}, {"mainexp", 1},     {"mpxpow", 255},   {"LUFSOffset", 170},
        {"HFShift", 0},    {"LFShift", 0},     {"MSlimit", 0},    {"Enhancement", 0},
    };
    for (const auto& [name, v] : rows) {
        QTest::newRow(name) << QString::fromLatin1(name) << v;
    }
}

void TestPanelSliders::initialValuesOnWidgets()
{
    QFETCH(QString, name);
    QFETCH(int, initial);
    PanelFixture fx(false);
    QCOMPARE(find(fx, name.toLatin1().constData())->paramValue(), initial);
}

// The operator's ways of moving a slider, each starting from 100. "towards" is what the
// operator aims at: the top arrow or the area above the thumb, the Up key, the wheel turned up.
void TestPanelSliders::direction_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("sign");  // +1: the value rises, -1: it falls
    QTest::addColumn<int>("thumb"); // -1: thumb moves up or left, +1: down or right

    // gate: 255 at the top; ranges: 255 at the bottom; optidrive: 255 at the right;
    // mainexp: 255 at the left.
    QTest::newRow("gate top arrow") << "gate"
                                    << "subline" << +1 << -1;
    QTest::newRow("gate page above thumb") << "gate"
                                           << "subpage" << +1 << -1;
    QTest::newRow("gate Up key") << "gate"
                                 << "up" << +1 << -1;
    QTest::newRow("gate Down key") << "gate"
                                   << "down" << -1 << +1;
    QTest::newRow("gate wheel up") << "gate"
                                   << "wheelup" << +1 << -1;
    QTest::newRow("gate bottom arrow") << "gate"
                                       << "addline" << -1 << +1;

    QTest::newRow("ranges top arrow") << "ranges"
                                      << "subline" << -1 << -1;
    QTest::newRow("ranges page above thumb") << "ranges"
                                             << "subpage" << -1 << -1;
    QTest::newRow("ranges Up key") << "ranges"
                                   << "up" << -1 << -1;
    QTest::newRow("ranges wheel up") << "ranges"
                                     << "wheelup" << -1 << -1;
    QTest::newRow("ranges bottom arrow") << "ranges"
                                         << "addline" << +1 << +1;

    QTest::newRow("optidrive left arrow") << "optidrive"
                                          << "subline" << -1 << -1;
    QTest::newRow("optidrive page left of thumb") << "optidrive"
                                                  << "subpage" << -1 << -1;
    QTest::newRow("optidrive Right key") << "optidrive"
                                         << "right" << +1 << +1;
    QTest::newRow("optidrive Up key") << "optidrive"
                                      << "up" << +1 << +1;
    QTest::newRow("optidrive wheel up") << "optidrive"
                                        << "wheelup" << +1 << +1;

    QTest::newRow("mainexp left arrow") << "mainexp"
                                        << "subline" << +1 << -1;
    QTest::newRow("mainexp page left of thumb") << "mainexp"
                                                << "subpage" << +1 << -1;
    QTest::newRow("mainexp Right key") << "mainexp"
                                       << "right" << -1 << +1;
    QTest::newRow("mainexp Left key") << "mainexp"
                                      << "left" << +1 << -1;
    QTest::newRow("mainexp wheel up") << "mainexp"
                                      << "wheelup" << -1 << +1;
}

void TestPanelSliders::direction()
{
    QFETCH(QString, name);
    QFETCH(QString, way);
    QFETCH(int, sign);
    QFETCH(int, thumb);

    PanelFixture fx(false);
    fx.window->show();
    auto* s = find(fx, name.toLatin1().constData());
    const Member m = s->member();
    QVERIFY(fx.window->params().setValue(m, 100));
    const int thumbBefore = thumbAt(s);

    // Eight times, so the thumb moves by whole pixels.
    constexpr int kTimes = 8;
    const auto click = [s](QStyle::SubControl part) {
        QTest::mouseClick(s, Qt::LeftButton, {}, sliderPart(s, part).center());
    };
    for (int i = 0; i < kTimes; ++i) {
        if (way == QLatin1String("subline")) {
            click(QStyle::SC_ScrollBarSubLine);
        } else if (way == QLatin1String("addline")) {
            click(QStyle::SC_ScrollBarAddLine);
        } else if (way == QLatin1String("subpage")) {
            click(QStyle::SC_ScrollBarSubPage);
        } else if (way == QLatin1String("up")) {
            QTest::keyClick(s, Qt::Key_Up);
        } else if (way == QLatin1String("down")) {
            QTest::keyClick(s, Qt::Key_Down);
        } else if (way == QLatin1String("pageup")) {
            QTest::keyClick(s, Qt::Key_PageUp);
        } else if (way == QLatin1String("left")) {
            QTest::keyClick(s, Qt::Key_Left);
        } else if (way == QLatin1String("right")) {
            QTest::keyClick(s, Qt::Key_Right);
        } else if (way == QLatin1String("wheelup")) {
            const QPoint at = s->rect().center();
            QWheelEvent wheel(at, s->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(s, &wheel);
        }
    }

    const int after = fx.window->params().value(m);
    QVERIFY2(sign > 0 ? after > 100 : after < 100,
             qPrintable(QStringLiteral("value went from 100 to %1").arg(after)));
    QCOMPARE(s->paramValue(), after);
    const int thumbAfter = thumbAt(s);
    QVERIFY2(
        thumb < 0 ? thumbAfter < thumbBefore : thumbAfter > thumbBefore,
        qPrintable(QStringLiteral("thumb went from %1 to %2").arg(thumbBefore).arg(thumbAfter)));
    // An arrow click or a key press is one step of 1; a page is 1 too.
    if (way != QLatin1String("wheelup") && way != QLatin1String("subpage")) {
        QCOMPARE(after, 100 + kTimes * sign);
    }
}

void TestPanelSliders::homeAndEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("top holds 255") << "gate";
    QTest::newRow("bottom holds 255") << "rel1638";
    QTest::newRow("right holds 255") << "MSlimit";
    QTest::newRow("left holds 255") << "mainexp";
    QTest::newRow("full height") << "LUFSOffset";
}

// Home goes to the end that holds 0 and End to the end that holds 255, on every slider.
void TestPanelSliders::homeAndEnd()
{
    QFETCH(QString, name);
    PanelFixture fx(false);
    auto* s = find(fx, name.toLatin1().constData());
    QVERIFY(fx.window->params().setValue(s->member(), 77));
    QTest::keyClick(s, Qt::Key_Home);
    QCOMPARE(fx.window->params().value(s->member()), 0);
    QTest::keyClick(s, Qt::Key_End);
    QCOMPARE(fx.window->params().value(s->member()), 255);
    // A page is one step, and Page Down undoes Page Up.
    QVERIFY(fx.window->params().setValue(s->member(), 100));
    QTest::keyClick(s, Qt::Key_PageUp);
    QCOMPARE(qAbs(fx.window->params().value(s->member()) - 100), 1);
    QTest::keyClick(s, Qt::Key_PageDown);
    QCOMPARE(fx.window->params().value(s->member()), 100);
}

void TestPanelSliders::sliderWritesTheParameterSet()
{
    PanelFixture fx(false);
    model::ParameterSet& set = fx.window->params();
    QSignalSpy changes(&set, &model::ParameterSet::changed);

    // The operator drags: every position reaches the set once, and the set's change comes back
    // to the widget without a loop.
    auto* lufs = find(fx, "LUFSOffset");
    lufs->setParamValue(12);
    QCOMPARE(set.value(Member::LUFSOffset), 12);
    QCOMPARE(changes.size(), 1);

    // A writer of the set moves the widget.
    QVERIFY(set.setValue(Member::mpxpow, 33));
    QCOMPARE(find(fx, "mpxpow")->paramValue(), 33);

    // Bass density follows density while the hidden option is set, also for operator moves.
    set.setFlag(Member::AutoDensity, true);
    auto* density = find(fx, "density");
    QVERIFY(set.setValue(Member::density, 40));
    QTest::keyClick(density, Qt::Key_Up);
    QCOMPARE(set.value(Member::density), 41);
    QCOMPARE(find(fx, "bassamount")->paramValue(), 41);
    QCOMPARE(set.value(Member::bassamount), 41);

    // Without it, bassamount stays put.
    set.setFlag(Member::AutoDensity, false);
    QTest::keyClick(density, Qt::Key_Up);
    QCOMPARE(set.value(Member::density), 42);
    QCOMPARE(find(fx, "bassamount")->paramValue(), 41);

    // A refused value leaves the slider alone.
    QVERIFY(!find(fx, "gate")->setParamValue(256));
    QVERIFY(!find(fx, "gate")->setParamValue(-1));
    QCOMPARE(set.value(Member::gate), 1);
}

void TestPanelSliders::accessibleNameAndValue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spoken");
    const char* rows[][2] = {
        {"gate", "Gate"},
        {"ranges", "Ranges"},
        {"bassrel", "Bass release"},
        {"masterrel", "Master release"},
        {"bassamount", "Bass on Voice"},
        {"eq200600", "EQ 200-600 Hz"},
        {"eq60016", "EQ 600 Hz-1.6 kHz"},
        {"eq1638", "EQ 1.6-3.8 kHz"},
        {"eq3815", "EQ 3.8-15 kHz"},
        {"rel200600", "Release 200-600 Hz"},
        {"rel60016", "Release 600 Hz-1.6 kHz"},
        {"rel1638", "Release 1.6-3.8 kHz"},
        {"rel3815", "Release 3.8-15 kHz"},
        {"density", "Density"},
        {"obbass", "Output balance bass"},
        {"ob200600", "Output balance 200-600 Hz"},
        {"ob60016", "Output balance 600 Hz-1.6 kHz"},
        {"ob1638", "Output balance 1.6-3.8 kHz"},
        {"ob3815", "Output balance 3.8-15 kHz"},
        {"optidrive", "Optimizer SF Drive"},
        {"mclipdrive", "Master Clipper Drive"},
        {"mainexp", "Expander M+HF Levels"},
        {"mpxpow", "LUFS Level"},
        {"LUFSOffset", "LUFS Offset"},
        {"HFShift", "HFT HF Shift"},
        {"LFShift", "LFT Bass Shift"},
        {"MSlimit", "S/M limitation ratio"},
        {"Enhancement", "Stereo Enhancement"},
    };
    for (const auto& r : rows) {
        QTest::newRow(r[0]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]);
    }
}

void TestPanelSliders::accessibleNameAndValue()
{
    QFETCH(QString, name);
    QFETCH(QString, spoken);
    PanelFixture fx(false);
    auto* s = find(fx, name.toLatin1().constData());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(s);
    QVERIFY(iface != nullptr);
    QCOMPARE(iface->text(QAccessible::Name), spoken);
    QCOMPARE(iface->role(), QAccessible::Slider);
    QAccessibleValueInterface* value = iface->valueInterface();
    QVERIFY(value != nullptr);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 255);
    for (const int v : {0, 255, 7}) {
        QVERIFY(fx.window->params().setValue(s->member(), v));
        QCOMPARE(value->currentValue().toInt(), v);
        QCOMPARE(iface->text(QAccessible::Value), QString::number(v));
    }
}

void TestPanelSliders::accessibleWriteGoesThroughTheSet()
{
    PanelFixture fx(false);
    model::ParameterSet& set = fx.window->params();
    set.setFlag(Member::AutoDensity, true);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(find(fx, "density"));
    iface->valueInterface()->setCurrentValue(200);
    QCOMPARE(set.value(Member::density), 200);
    QCOMPARE(set.value(Member::bassamount), 200);
    iface->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    QCOMPARE(set.value(Member::density), 201);
}

QTEST_MAIN(TestPanelSliders)
#include "test_panel_sliders.moc"
