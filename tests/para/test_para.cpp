#include "dialogs/Para.h"
#include "support/PanelFixture.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using model::Member;

namespace {

// The boxes in transfer order, with the member each one writes.
const QList<QPair<QString, Member>> kBoxes = {
    {"txtGate", Member::gate},           {"txtRanges", Member::ranges},
    {"txtBassRel", Member::bassrel},     {"txtMasterRel", Member::masterrel},
    {"txtBassDens", Member::bassamount}, {"txtDensity", Member::density},
    {"txtEQ26", Member::eq200600},       {"txtEQ616", Member::eq60016},
    {"txtEQ1638", Member::eq1638},       {"txtEQ3815", Member::eq3815},
    {"txtRel26", Member::rel200600},     {"txtRel616", Member::rel60016},
    {"txtRel1638", Member::rel1638},     {"txtRel3815", Member::rel3815},
    {"txtOptBass", Member::obbass},      {"txtOpt26", Member::ob200600},
    {"txtOpt616", Member::ob60016},      {"txtOpt1638", Member::ob1638},
    {"txtOpt3815", Member::ob3815},      {"txtOptiDrive", Member::optidrive},
    {"txtMCDrive", Member::mclipdrive},  {"txtMExp", Member::mainexp},
    {"txtHExp", Member::mpxpow},         {"txtLU", Member::LUFSOffset},
    {"txtSM", Member::MSlimit},          {"txtEnhancement", Member::Enhancement},
    {"txtLFT", Member::LFShift},         {"txtHFT", Member::HFShift},
};

QLineEdit* edit(Para& w, const QString& name)
{
    auto* e = w.findChild<QLineEdit*>(name);
    Q_ASSERT(e != nullptr);
    return e;
}

QCheckBox* checkBox(Para& w, const QString& name)
{
    auto* c = w.findChild<QCheckBox*>(name);
    Q_ASSERT(c != nullptr);
    return c;
}

// Every member's value, to prove what a send back left alone.
QList<int> snapshot(const model::ParameterSet& set)
{
    QList<int> values;
    for (int i = 0; i < model::kMemberCount; ++i) {
        values.append(set.value(model::memberAt(i)));
    }
    return values;
}

} // namespace

class TestPara : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowTexts();
    void captionsBesideBoxes_data();
    void captionsBesideBoxes();
    void framesHoldTheirControls();
    void loadShowsEveryValue();
    void backChangesNothing();
    void sendBackWritesEveryRowAndCloses();
    void gateClampedSilently_data();
    void gateClampedSilently();
    void firstErrorStopsTransfer();
    void refusedText_data();
    void refusedText();
    void rounding_data();
    void rounding();
    void bassDensityFollowsDensity();
    void checkBoxesSetMarksOnly();
    void accessibleNames();
};

void TestPara::windowTexts()
{
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    QCOMPARE(w.windowTitle(), QString(" Orvex DAB+ List/Export/Print/ Edit exact parameters"));
    QCOMPARE(w.findChild<QLabel*>("lblOrvex")->text(), QString("Orvex DAB+"));
    QCOMPARE(w.findChild<QPlainTextEdit*>("txtMemo")->toPlainText(),
             QString(" Write notes here please !"));
    QCOMPARE(w.findChild<QPushButton*>("SendBack")->text(),
             QString("Send edited parameters to main panel"));
    QCOMPARE(w.findChild<QPushButton*>("cmdUlozAct")->text(),
             "Export parameters " + QDir::toNativeSeparators(f.env.exportPath));
    QCOMPARE(w.findChild<QPushButton*>("Print")->text(), QString("Print"));
    QCOMPARE(w.findChild<QPushButton*>("Back")->text(), QString("Exit"));
}

void TestPara::captionsBesideBoxes_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frame"); // caption of the frame around the caption; "-" for none
    const char* levelers = "Levelers (Main and Bass)";
    const char* release = "Release Times ";
    const char* mix = "Output Spectral Mix ";
    const char* opt = "Optimizer Drive / Expanders";
    const char* spatial = "Spatial Enhancer";
    const char* lfthft = "LFT and HFT";
    const QList<std::array<const char*, 3>> rows = {
        {"txtGate", "Gate Level", levelers},
        {"txtRanges", "Levelers Ranges", levelers},
        {"txtBassRel", "Bass Release", levelers},
        {"txtMasterRel", "Master Release", levelers},
        {"txtBassDens", "Bass On Voice", levelers},
        {"txtDensity", "Density", levelers},
        {"txtEQ26", "EQ 200-600 Hz", ""},
        {"txtEQ616", "EQ 600-1,6 kHz", ""},
        {"txtEQ1638", "EQ 1,6-3,8 kHz", ""},
        {"txtEQ3815", "EQ 3,8-15 kHz", ""},
        {"txtRel26", "Rel. 200-600 Hz", release},
        {"txtRel616", "Rel. 600-1,6 kHz", release},
        {"txtRel1638", "Rel. 1,6-3,8 kHz", release},
        {"txtRel3815", "Rel. 3,8-15 kHz", release},
        {"txtOptBass", "Bass", mix},
        {"txtOpt26", "200-600 Hz", mix},
        {"txtOpt616", "600-1,6 kHz", mix},
        {"txtOpt1638", "1,6-3,8 kHz", mix},
        {"txtOpt3815", "3,8-15 kHz", mix},
        {"txtOptiDrive", "Optimizer Drive", opt},
        {"txtMCDrive", "Master Clipper Drive", opt},
        {"txtMExp", "Master Expander Level", opt},
        {"txtHExp", "LUFS Level", opt},
        {"txtLU", "LUFS Offset", "-"},
        {"CheckDIN", "Digital Input ON", "Options"},
        {"CheckSPACE", "Turbo Process ON", "Options"},
        {"CheckDayNight", "Day/Night Enable", "Options"},
        {"CheckTurbo", "Spatial Enhancer ON", spatial},
        {"txtSM", "S/M Limitation Ratio", spatial},
        {"txtEnhancement", "Stereo Enhancement", spatial},
        {"txtLFT", "LFT (Bass Shift)", lfthft},
        {"txtHFT", "HFT (HF Shift)", lfthft},
    };
    for (const auto& r : rows) {
        QTest::newRow(r[0]) << r[0] << r[1] << r[2];
    }
}

void TestPara::captionsBesideBoxes()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QString, frame);
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    QWidget* captionWidget = nullptr;
    if (auto* check = w.findChild<QCheckBox*>(control)) {
        QCOMPARE(check->text(), caption);
        captionWidget = check;
    } else {
        QLineEdit* box = edit(w, control);
        const auto labels = w.findChildren<QLabel*>();
        for (QLabel* label : labels) {
            if (label->buddy() == box) {
                captionWidget = label;
            }
        }
        QVERIFY2(captionWidget != nullptr, "no caption names this box");
        QCOMPARE(static_cast<QLabel*>(captionWidget)->text(), caption);
    }
    auto* group = qobject_cast<QGroupBox*>(captionWidget->parentWidget());
    if (frame == "-") {
        QCOMPARE(captionWidget->parentWidget(), &w);
    } else {
        QVERIFY(group != nullptr);
        QCOMPARE(group->title(), frame);
    }
}

void TestPara::framesHoldTheirControls()
{
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    auto* limiters = w.findChild<QGroupBox*>("frameLimiters");
    auto* eq = w.findChild<QGroupBox*>("FrameEQ");
    QVERIFY(limiters && eq);
    QCOMPARE(limiters->title(), QString("Limiters "));
    QCOMPARE(eq->title(), QString());
    QCOMPARE(eq->parentWidget(), limiters);
    QCOMPARE(edit(w, "txtRel26")->parentWidget()->parentWidget(), limiters);
    // The gate box lies on the window itself, as does the LUFS offset box.
    QCOMPARE(edit(w, "txtGate")->parentWidget(), &w);
    QCOMPARE(edit(w, "txtLU")->parentWidget(), &w);
    QCOMPARE(edit(w, "txtRanges")->parentWidget()->objectName(), QString("FrameLevelers"));

    // On screen the gate box stands in the levelers frame, level with its caption.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* levelers = edit(w, "txtRanges")->parentWidget();
    const QRect frameRect(levelers->mapTo(&w, QPoint(0, 0)), levelers->size());
    QVERIFY(frameRect.contains(edit(w, "txtGate")->geometry()));
    QCOMPARE(edit(w, "txtGate")->x(), edit(w, "txtRanges")->mapTo(&w, QPoint(0, 0)).x());
}

void TestPara::loadShowsEveryValue()
{
    PanelFixture f(false);
    model::ParameterSet& set = f.window->params();
    for (int i = 0; i < kBoxes.size(); ++i) {
        QVERIFY(set.setValue(kBoxes[i].second, 100 + i));
    }
    set.setFlag(Member::Digin, true);
    set.setFlag(Member::Daynight, true);
    set.assign(Member::chkTurbo, 2);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    for (int i = 0; i < kBoxes.size(); ++i) {
        QCOMPARE(edit(w, kBoxes[i].first)->text(), QString::number(100 + i));
    }
    QVERIFY(checkBox(w, "CheckDIN")->isChecked());
    QVERIFY(!checkBox(w, "CheckSPACE")->isChecked());
    QVERIFY(checkBox(w, "CheckDayNight")->isChecked());
    QVERIFY(checkBox(w, "CheckTurbo")->isChecked()); // greyed shows as checked
}

void TestPara::backChangesNothing()
{
    PanelFixture f(false);
    QVERIFY(f.window->params().setValue(Member::gate, 128));
    const QList<int> before = snapshot(f.window->params());
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    QCOMPARE(edit(w, "txtGate")->text(), QString("128"));
    edit(w, "txtGate")->setText("7");
    checkBox(w, "CheckSPACE")->setChecked(true);
    w.Back_Click();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(snapshot(f.window->params()), before);
}

void TestPara::sendBackWritesEveryRowAndCloses()
{
    PanelFixture f(false);
    f.window->params().assign(Member::chkTurbo, 2);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    for (int i = 0; i < kBoxes.size(); ++i) {
        edit(w, kBoxes[i].first)->setText(QString::number(200 + i));
    }
    w.SendBack_Click();
    QVERIFY(f.prompts.messages.isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    for (int i = 0; i < kBoxes.size(); ++i) {
        QCOMPARE(f.window->params().value(kBoxes[i].second), 200 + i);
    }
    // The greyed state does not survive the window: it comes back as checked.
    QCOMPARE(f.window->params().value(Member::chkTurbo), 1);
    QCOMPARE(f.line.openAttempts, 0);
}

void TestPara::gateClampedSilently_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("above 255") << "300";
    QTest::newRow("negative") << "-5";
    QTest::newRow("just below 0") << "-0.2";
    QTest::newRow("beyond 16 bits") << "100000";
    QTest::newRow("fraction above 255") << "255.2";
}

void TestPara::gateClampedSilently()
{
    QFETCH(QString, typed);
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    edit(w, "txtGate")->setText(typed);
    w.SendBack_Click();
    QVERIFY(f.prompts.messages.isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(f.window->params().value(Member::gate), 255);
    QCOMPARE(edit(w, "txtGate")->text(), QString("255"));
}

void TestPara::firstErrorStopsTransfer()
{
    PanelFixture f(false);
    const QList<int> before = snapshot(f.window->params());
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    for (int i = 0; i < kBoxes.size(); ++i) {
        edit(w, kBoxes[i].first)->setText(QString::number(20 + i));
    }
    edit(w, "txtDensity")->setText("300");
    checkBox(w, "CheckSPACE")->setChecked(true);
    w.SendBack_Click();

    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QString("Please input NUMBER 0-255"));
    QCOMPARE(f.prompts.messages[0].title, QString("  "));
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Exclamation);
    QVERIFY(w.isVisible());
    QCOMPARE(edit(w, "txtDensity")->text(), QString("300"));

    const model::ParameterSet& set = f.window->params();
    // Rows before density are written; density and everything after it are not.
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(set.value(kBoxes[i].second), 20 + i);
    }
    for (int i = 5; i < kBoxes.size(); ++i) {
        const Member m = kBoxes[i].second;
        QCOMPARE(set.value(m), before[model::index(m)]);
    }
    QVERIFY(!set.flag(Member::Space));
}

void TestPara::refusedText_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("rowsWritten"); // boxes of kBoxes written before the refusal
    QTest::newRow("empty gate") << "txtGate"
                                << "" << 0;
    QTest::newRow("blank gate") << "txtGate"
                                << "   " << 0;
    QTest::newRow("letters") << "txtRanges"
                             << "abc" << 1;
    QTest::newRow("number then letters") << "txtRanges"
                                         << "12a" << 1;
    QTest::newRow("decimal comma") << "txtBassRel"
                                   << "12,5" << 2;
    QTest::newRow("negative") << "txtMasterRel"
                              << "-1" << 3;
    QTest::newRow("256") << "txtEQ26"
                         << "256" << 6;
    QTest::newRow("rounds up to 256") << "txtEQ26"
                                      << "255.5" << 6;
    QTest::newRow("beyond 16 bits") << "txtLU"
                                    << "40000" << 23;
    QTest::newRow("not finite") << "txtSM"
                                << "inf" << 24;
    QTest::newRow("last box") << "txtHFT"
                              << "999" << 27;
}

void TestPara::refusedText()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(int, rowsWritten);
    PanelFixture f(false);
    const QList<int> before = snapshot(f.window->params());
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    for (int i = 0; i < kBoxes.size(); ++i) {
        edit(w, kBoxes[i].first)->setText(QString::number(50 + i));
    }
    edit(w, control)->setText(typed);
    w.SendBack_Click();
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QString("Please input NUMBER 0-255"));
    QVERIFY(w.isVisible());
    for (int i = 0; i < kBoxes.size(); ++i) {
        const Member m = kBoxes[i].second;
        QCOMPARE(f.window->params().value(m), i < rowsWritten ? 50 + i : before[model::index(m)]);
    }
}

void TestPara::rounding_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::newRow("12.5 to even 12") << "12.5" << 12;
    QTest::newRow("13.5 to even 14") << "13.5" << 14;
    QTest::newRow("12.6 up") << "12.6" << 13;
    QTest::newRow("0.5 to 0") << "0.5" << 0;
    QTest::newRow("-0.5 to 0") << "-0.5" << 0;
    QTest::newRow("254.5 to 254") << "254.5" << 254;
    QTest::newRow("blanks around") << "  77  " << 77;
    QTest::newRow("leading plus") << "+9" << 9;
    QTest::newRow("exponent") << "1e2" << 100;
}

void TestPara::rounding()
{
    QFETCH(QString, typed);
    QFETCH(int, value);
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    edit(w, "txtRanges")->setText(typed);
    w.SendBack_Click();
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.window->params().value(Member::ranges), value);
}

void TestPara::bassDensityFollowsDensity()
{
    PanelFixture f(false);
    f.window->params().setFlag(Member::AutoDensity, true);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    edit(w, "txtBassDens")->setText("10");
    edit(w, "txtDensity")->setText("200");
    w.SendBack_Click();
    QCOMPARE(f.window->params().value(Member::density), 200);
    QCOMPARE(f.window->params().value(Member::bassamount), 200);
}

void TestPara::checkBoxesSetMarksOnly()
{
    PanelFixture f(false);
    f.window->params().setFlag(Member::Space, true);
    f.window->applyTurboIndication();
    const bool indication = f.window->turboIndicationShown();
    QVERIFY(indication);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    QVERIFY(checkBox(w, "CheckSPACE")->isChecked());
    checkBox(w, "CheckSPACE")->setChecked(false);
    checkBox(w, "CheckDIN")->setChecked(true);
    checkBox(w, "CheckDayNight")->setChecked(true);
    checkBox(w, "CheckTurbo")->setChecked(true);
    w.SendBack_Click();
    const model::ParameterSet& set = f.window->params();
    QVERIFY(!set.flag(Member::Space));
    QVERIFY(set.flag(Member::Digin));
    QVERIFY(set.flag(Member::Daynight));
    QCOMPARE(set.value(Member::chkTurbo), 1);
    QVERIFY(!set.flag(Member::AutoDensity));
    // The menu shows the new marks; the window colour and label stay as they were.
    QVERIFY(!f.window->flagAction(Member::Space)->isChecked());
    QVERIFY(f.window->flagAction(Member::Digin)->isChecked());
    QVERIFY(f.window->flagAction(Member::Daynight)->isChecked());
    QCOMPARE(f.window->turboBox()->checkState(), Qt::Checked);
    QCOMPARE(f.window->turboIndicationShown(), indication);
    QCOMPARE(f.line.openAttempts, 0);
}

void TestPara::accessibleNames()
{
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    const QList<QPair<QString, QString>> names = {
        {"txtGate", "Gate Level"},
        {"txtOptBass", "Bass"},
        {"txtLU", "LUFS Offset"},
        {"txtHFT", "HFT (HF Shift)"},
        {"CheckTurbo", "Spatial Enhancer ON"},
        {"txtMemo", "Notes"},
    };
    for (const auto& [control, name] : names) {
        auto* widget = w.findChild<QWidget*>(control);
        QVERIFY(widget != nullptr);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->text(QAccessible::Name), name);
    }
    // Every box and check box is named.
    for (QWidget* widget : w.findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QCheckBox*>(widget)) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), qPrintable(widget->objectName()));
        }
    }
}

QTEST_MAIN(TestPara)
#include "test_para.moc"
