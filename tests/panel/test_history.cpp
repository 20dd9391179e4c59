// Undo and redo of the panel's values: one step per operator action, the change rules not
// fired again, nothing on the line.
#include "app/PanelHistory.h"
#include "app/ParamSlider.h"
#include "dialogs/frmCompare.h"
#include "storage/ParameterFile.h"
#include "support/PanelFixture.h"
#include "support/WindowChecks.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QUndoStack>

using model::Member;

namespace {

struct Panel : PanelFixture
{
    Panel()
    {
        window->show();
        prompts.messages.clear();
    }
    QAction* action(const char* name) const
    {
        return window->findChild<QAction*>(QLatin1String(name));
    }
    QString undoText() const { return action("Undo")->text(); }
    int steps() const { return window->history().stack().count(); }
    void undo() const { action("Undo")->trigger(); }
    void redo() const { action("Redo")->trigger(); }
    int value(Member m) const { return window->params().value(m); }
};

using Step = std::function<void(Panel&)>;

} // namespace

Q_DECLARE_METATYPE(Step)

class TestHistory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachKindOfChangeIsOneStep_data();
    void eachKindOfChangeIsOneStep();
    void sliderRunsAndDrags();
    void densityRuleNotFiredAgain();
    void menusAndShortcuts();
};

void TestHistory::eachKindOfChangeIsOneStep_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("label");

    QTest::newRow("option") << Step([](Panel& p) { p.action("Digin")->trigger(); })
                            << "Digital input AES3 (AES/EBU) on";
    QTest::newRow("spatial enhancer box")
        << Step([](Panel& p) { p.window->turboBox()->click(); }) << "Space ON on";
    QTest::newRow("factory sound") << Step([](Panel& p) {
        p.action("Speed")->trigger();
        QVERIFY(p.settle());
    }) << "Speed -18 LUFS";
    QTest::newRow("preset key") << Step([](Panel& p) {
        model::ParameterSet preset;
        preset.assign(Member::gate, 77);
        QVERIFY(!storage::writeParameterFile(p.window->presetFilePath(3), preset));
        p.window->toolbarKey(QStringLiteral("pre3"));
    }) << "Load preset3.DAB";
    QTest::newRow("day upload") << Step([](Panel& p) {
        p.line.nextReply = QByteArray(42, '\x40');
        p.window->toolbarKey(QStringLiteral("uplod"));
        QVERIFY(p.settle());
    }) << "Upload day";
    QTest::newRow("exact parameters window") << Step([](Panel& p) {
        whileModal(
            [&p] { p.window->paraButton()->click(); }, QStringLiteral("SendBack"),
            [](QDialog& d) {
                d.findChild<QLineEdit*>(QStringLiteral("txtGate"))->setText(QStringLiteral("200"));
            });
    }) << "Exact parameters";
    QTest::newRow("compare: take processor's values") << Step([](Panel& p) {
        p.line.nextReply = QByteArray(25, '\x11');
        whileModal([&p] { p.action("mnuCompare")->trigger(); }, QStringLiteral("cmdClose"),
                   [](QDialog& d) {
                       // The window asks the processor once it is up.
                       auto* take = d.findChild<QPushButton*>(QStringLiteral("cmdTake"));
                       QVERIFY(QTest::qWaitFor([take] { return take->isEnabled(); }, 5000));
                       take->click();
                   });
    }) << "Take processor's values";
}

void TestHistory::eachKindOfChangeIsOneStep()
{
    QFETCH(Step, step);
    QFETCH(QString, label);
    Panel p;
    const model::ParameterSet::Values before = p.window->params().values();
    step(p);
    const model::ParameterSet::Values after = p.window->params().values();
    QVERIFY(after != before);
    QCOMPARE(p.steps(), 1);
    QCOMPARE(p.undoText(), QStringLiteral("Undo ") + label);
    const qsizetype exchanges = p.line.exchanges.size();

    p.undo();
    QVERIFY(p.window->params().values() == before);
    QCOMPARE(p.action("Redo")->text(), QStringLiteral("Redo ") + label);
    p.redo();
    QVERIFY(p.window->params().values() == after);
    QCOMPARE(p.line.exchanges.size(), exchanges); // nothing went to the processor
}

void TestHistory::sliderRunsAndDrags()
{
    Panel p;
    ParamSlider* gate = p.window->slider(Member::gate);
    ParamSlider* ranges = p.window->slider(Member::ranges);
    const int start = p.value(Member::gate);
    gate->setFocus();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(gate, Qt::Key_Up);
    }
    QCOMPARE(p.steps(), 1); // a run of key presses on one slider
    QCOMPARE(p.undoText(), QStringLiteral("Undo Move Gate"));
    // Another slider, then a drag of the first: two more steps.
    ranges->setFocus();
    QTest::keyClick(ranges, Qt::Key_Up);
    gate->setSliderDown(true);
    gate->setParamValue(200);
    gate->setParamValue(201);
    gate->setSliderDown(false);
    QCOMPARE(p.steps(), 3);
    p.undo();
    QCOMPARE(p.value(Member::gate), start + 3);
    p.undo();
    p.undo();
    QCOMPARE(p.value(Member::gate), start);
    QVERIFY(p.line.exchanges.isEmpty());
}

void TestHistory::densityRuleNotFiredAgain()
{
    Panel p;
    p.window->params().setFlag(Member::AutoDensity, true);
    p.window->params().assign(Member::bassamount, 50);
    p.window->params().assign(Member::density, 10); // bass follows: 10
    p.window->params().assign(Member::bassamount, 50);
    p.window->history().reset();
    p.window->slider(Member::density)->setParamValue(90);
    QCOMPARE(p.value(Member::bassamount), 90);
    p.undo();
    QCOMPARE(p.value(Member::density), 10);
    QCOMPARE(p.value(Member::bassamount), 50); // not 10: the rule does not fire on undo
    p.redo();
    QCOMPARE(p.value(Member::bassamount), 90);
}

void TestHistory::menusAndShortcuts()
{
    Panel p;
    QStringList bar;
    for (QAction* a : p.window->menuBar()->actions()) {
        bar << a->objectName();
    }
    QCOMPARE(bar, (QStringList{"File", "Edit", "PortSetup", "PrasetSounds", "Options", "Testsignal",
                               "DenNoc", "UserPresets", "Tools", "AboutHelp"}));
    QCOMPARE(p.action("Undo")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    QCOMPARE(p.action("Redo")->shortcuts(),
             (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                  QKeySequence(QStringLiteral("Ctrl+Y"))}));
    QCOMPARE(p.action("mnuLineMonitor")->text(), QStringLiteral("Line monitor"));
    QCOMPARE(p.action("mnuCompare")->text(), QStringLiteral("Compare with processor..."));
    // Ctrl+Z from the keyboard undoes a step.
    p.action("Daynight")->trigger();
    QTest::keyClick(p.window->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!p.window->params().flag(Member::Daynight));
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
