#include "support/FileBytes.h"
#include "support/PanelFixture.h"

#include "app/ParamSlider.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using model::Member;

// The window's behaviour: the desktop session's save requests, the check box, the Turbo indication,
// the options, F1 and the keyboard path through the panel.
class TestPanelWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chkTurboMapping();
    void chkTurboOperator();
    void turboIndicationFromTheMenu();
    void noTurboIndicationFromAPlainWrite();
    void otherOptionsToggleOnlyTheirMark();
    void helpOnF1FromASlider();
    void tabOrder();
    void threeSlidersByKeyboardAlone();
    void accessibleNames();
    void desktopSaveRequestKeepsTheWindow();

private:
    static void activate(frmMain& w)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
};

void TestPanelWindow::chkTurboMapping()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QCOMPARE(w.turboBox()->checkState(), Qt::Unchecked);
    // Set to widget: 0 clear, 1 checked, 2 greyed.
    QVERIFY(w.params().setValue(Member::chkTurbo, 1));
    QCOMPARE(w.turboBox()->checkState(), Qt::Checked);
    QVERIFY(w.params().setValue(Member::chkTurbo, 2));
    QCOMPARE(w.turboBox()->checkState(), Qt::PartiallyChecked);
    QVERIFY(w.params().setValue(Member::chkTurbo, 0));
    QCOMPARE(w.turboBox()->checkState(), Qt::Unchecked);
    // Widget to set.
    w.turboBox()->setCheckState(Qt::Checked);
    QCOMPARE(w.params().value(Member::chkTurbo), 1);
    w.turboBox()->setCheckState(Qt::PartiallyChecked);
    QCOMPARE(w.params().value(Member::chkTurbo), 2);
    w.turboBox()->setCheckState(Qt::Unchecked);
    QCOMPARE(w.params().value(Member::chkTurbo), 0);
}

void TestPanelWindow::chkTurboOperator()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    w.show();
    QTest::mouseClick(w.turboBox(), Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 1);
    QTest::mouseClick(w.turboBox(), Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 0);
    // The operator never makes it greyed; a greyed box clicked becomes checked.
    QTest::mouseClick(w.turboBox(), Qt::LeftButton);
    QTest::mouseClick(w.turboBox(), Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 0);
    QVERIFY(w.params().setValue(Member::chkTurbo, 2));
    QTest::mouseClick(w.turboBox(), Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 1);
}

void TestPanelWindow::turboIndicationFromTheMenu()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QAction* space = w.flagAction(Member::Space);
    QVERIFY(space != nullptr);
    QVERIFY(space->isCheckable());

    space->trigger();
    QVERIFY(space->isChecked());
    QCOMPARE(w.params().value(Member::Space), 1);
    QVERIFY(w.turboIndicationShown());
    QCOMPARE(w.palette().color(QPalette::Window), QColor(255, 0, 255));
    QVERIFY(w.turboDensityLabel()->isVisibleTo(&w));

    space->trigger();
    QVERIFY(!space->isChecked());
    QCOMPARE(w.params().value(Member::Space), 0);
    QVERIFY(!w.turboIndicationShown());
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 255));
    QVERIFY(!w.turboDensityLabel()->isVisibleTo(&w));
}

void TestPanelWindow::noTurboIndicationFromAPlainWrite()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QAction* space = w.flagAction(Member::Space);
    // A file or an upload sets the flag: the mark follows, the window stays blue.
    w.params().setFlag(Member::Space, true);
    QVERIFY(space->isChecked());
    QVERIFY(!w.turboIndicationShown());
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 255));
    QVERIFY(!w.turboDensityLabel()->isVisibleTo(&w));
    // Toggled twice from the menu it shows magenta.
    space->trigger();
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 255));
    space->trigger();
    QCOMPARE(w.params().value(Member::Space), 1);
    QCOMPARE(w.palette().color(QPalette::Window), QColor(255, 0, 255));
}

void TestPanelWindow::otherOptionsToggleOnlyTheirMark()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    for (const Member m : {Member::Digin, Member::Daynight}) {
        QAction* a = w.flagAction(m);
        QVERIFY(a != nullptr);
        a->trigger();
        QVERIFY(a->isChecked());
        QCOMPARE(w.params().value(m), 1);
        a->trigger();
        QVERIFY(!a->isChecked());
        QCOMPARE(w.params().value(m), 0);
        w.params().setFlag(m, true);
        QVERIFY(a->isChecked());
    }
    QVERIFY(!w.turboIndicationShown());
    QVERIFY(fx.line.allWritten().isEmpty());
    QCOMPARE(fx.line.openAttempts, 0);

    QAction* autoDensity = w.flagAction(Member::AutoDensity);
    QVERIFY(autoDensity != nullptr);
    QVERIFY(!autoDensity->isVisible());
    QVERIFY(!autoDensity->isEnabled());
    w.params().setFlag(Member::AutoDensity, true);
    QVERIFY(autoDensity->isChecked());
    autoDensity->trigger(); // cannot be chosen
    QCOMPARE(w.params().value(Member::AutoDensity), 1);
}

void TestPanelWindow::helpOnF1FromASlider()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    activate(w);
    ParamSlider* gate = w.slider(Member::gate);
    gate->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(gate->hasFocus(), 2000);
    QTest::keyClick(gate, Qt::Key_F1);
    QCOMPARE(fx.prompts.messages.size(), 1);
    QCOMPARE(fx.prompts.messages[0].text,
             QStringLiteral("Refer manual in .pdf file on install CD, Veltrane web or instal "
                            "directory of this program"));
    QCOMPARE(fx.prompts.messages[0].title, QStringLiteral("Orvex"));
    QCOMPARE(fx.prompts.messages[0].icon, PromptIcon::Information);
    QCOMPARE(gate->paramValue(), 1);
}

void TestPanelWindow::tabOrder()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    activate(w);
    const QStringList expected = {
        "tool_sendd",  "tool_sendn", "tool_uplod", "tool_uplon", "tool_pre1",       "tool_pre2",
        "tool_pre3",   "tool_pre4",  "tool_pre5",  "cmdPara",    "txtNazevSouboru", "gate",
        "ranges",      "bassrel",    "masterrel",  "bassamount", "obbass",          "ob200600",
        "ob60016",     "ob1638",     "ob3815",     "optidrive",  "mainexp",         "mclipdrive",
        "mpxpow",      "LUFSOffset", "chkTurbo",   "HFShift",    "LFShift",         "MSlimit",
        "Enhancement", "eq200600",   "eq60016",    "eq1638",     "eq3815",          "rel200600",
        "rel60016",    "rel1638",    "rel3815",    "density",    "cmdRearPanel",    "Command1",
        "tool_sendd", // and round again
    };
    QWidget* first = w.toolbar()->widgetForAction(w.toolbar()->actions().first());
    first->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(first->hasFocus(), 2000);
    QStringList reached{QApplication::focusWidget()->objectName()};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(reached, expected);
}

void TestPanelWindow::threeSlidersByKeyboardAlone()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    activate(w);
    w.paraButton()->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(w.paraButton()->hasFocus(), 2000);
    const auto press = [](Qt::Key key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
        }
    };
    press(Qt::Key_Tab, 2);
    QCOMPARE(QApplication::focusWidget(), w.slider(Member::gate));
    const QImage unmarked = w.slider(Member::ranges)->grab().toImage();
    const QImage marked = w.slider(Member::gate)->grab().toImage();
    QCOMPARE(QColor(marked.pixel(1, 1)),
             w.slider(Member::gate)->palette().color(QPalette::Highlight));
    QVERIFY(QColor(unmarked.pixel(1, 1)) != QColor(marked.pixel(1, 1)));
    press(Qt::Key_Up, 3);
    press(Qt::Key_Tab);
    press(Qt::Key_Home);
    press(Qt::Key_Tab, 3);
    QCOMPARE(QApplication::focusWidget(), w.slider(Member::bassamount));
    press(Qt::Key_End);
    press(Qt::Key_Down, 5);
    QCOMPARE(w.params().value(Member::gate), 4);
    QCOMPARE(w.params().value(Member::ranges), 0);
    QCOMPARE(w.params().value(Member::bassamount), 250);
}

void TestPanelWindow::accessibleNames()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    const auto name = [](QObject* o) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
        return iface != nullptr ? iface->text(QAccessible::Name) : QString();
    };
    QCOMPARE(name(w.turboBox()), QStringLiteral("Space ON"));
    QCOMPARE(name(w.rearPanelButton()), QStringLiteral("View Rear Panel"));
    QCOMPARE(name(w.wizardButton()), QStringLiteral("LUFS Info"));
    QCOMPARE(name(w.paraButton()), QStringLiteral("Show/Export/Print/Edit exact parameters"));
    const QList<QAction*> keys = w.toolbar()->actions();
    for (QAction* a : keys) {
        if (!a->isSeparator()) {
            QCOMPARE(name(w.toolbar()->widgetForAction(a)), a->toolTip());
        }
    }
    QCOMPARE(name(w.toolbar()->widgetForAction(keys.first())),
             QStringLiteral("Send data to Orvex"));
    // Every control a screen reader can land on is named, hidden helpers included.
    const QList<QWidget*> controls = w.findChildren<QWidget*>();
    for (QWidget* c : controls) {
        if (qobject_cast<QAbstractButton*>(c) != nullptr ||
            qobject_cast<QAbstractSlider*>(c) != nullptr ||
            qobject_cast<QProgressBar*>(c) != nullptr || qobject_cast<QLineEdit*>(c) != nullptr) {
            QVERIFY2(!name(c).isEmpty(), qPrintable(c->objectName() + QLatin1Char(' ') +
                                                    QLatin1String(c->metaObject()->className())));
        }
    }
}

// A checkpoint, or a logout another program then cancels: both files written, the panel stays.
void TestPanelWindow::desktopSaveRequestKeepsTheWindow()
{
    PanelFixture f;
    f.window->show();
    f.window->PortNo = 3;
    f.window->params().assign(Member::gate, 200);
    f.window->saveFiles();
    QCOMPARE(contentOf(f.window->settingsFilePath()), QByteArray(" 3 \r\n"));
    QVERIFY(contentOf(f.window->workingFilePath()).startsWith(" 200 \r\n 255 \r\n"));
    QTest::qWait(50); // a close asked for would be carried out from the event loop
    QVERIFY(f.window->isVisible());
    QVERIFY(!f.window->closeRequested());
    QVERIFY(f.prompts.messages.size() <= 1); // only the first start's missing working file
}

QTEST_MAIN(TestPanelWindow)
#include "test_panel_window.moc"
