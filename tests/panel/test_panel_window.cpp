#include "support/PanelFixture.h"

#include "app/PanelGroup.h"
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

// The window as a whole: geometry, captions, colours, texts, the check box, the Turbo
// indication, F1 and the keyboard path through the panel.
class TestPanelWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clientArea();
    void groups_data();
    void groups();
    void fixedTexts_data();
    void fixedTexts();
    void controlsAtTheirPlaces();
    void colouredButtons();
    void chkTurboMapping();
    void chkTurboOperator();
    void turboIndicationFromTheMenu();
    void noTurboIndicationFromAPlainWrite();
    void otherOptionsToggleOnlyTheirMark();
    void helpOnF1FromASlider();
    void tabOrder();
    void threeSlidersByKeyboardAlone();
    void accessibleNames();

private:
    static PanelGroup* group(frmMain& w, const QString& caption)
    {
        for (PanelGroup* g : w.findChildren<PanelGroup*>()) {
            if (g->title() == caption) {
                return g;
            }
        }
        return nullptr;
    }
    static void activate(frmMain& w)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
};

void TestPanelWindow::clientArea()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("ORVEX DAB+ Setup v 20.01"));
    QVERIFY(w.centralWidget() != nullptr);
    QCOMPARE(w.centralWidget()->size(), QSize(921, 547));
    w.show();
    QCOMPARE(w.centralWidget()->size(), QSize(921, 547));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 255));
}

void TestPanelWindow::groups_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QColor>("captionColour");
    QTest::addColumn<QColor>("background"); // invalid: the plain face colour, not blue

    const QColor blue(0, 0, 255);
    const QColor black(0, 0, 0);
    const QColor yellow(255, 255, 0);
    const QColor green(128, 255, 128);
    QTest::newRow("levelers") << "Levelers (bass and main)" << QRect(40, 32, 281, 153) << blue
                              << QColor();
    QTest::newRow("output mix") << "Output spectral mix" << QRect(328, 32, 213, 153) << blue
                                << QColor();
    QTest::newRow("optimizer") << "Otimizer/Clipper drive/Expanders" << QRect(544, 32, 177, 153)
                               << blue << QColor();
    QTest::newRow("lufs level") << "LUFS Level dB" << QRect(728, 32, 89, 337) << blue << yellow;
    QTest::newRow("lufs offset") << "LUFS Offset dB" << QRect(824, 32, 89, 337) << blue << yellow;
    QTest::newRow("space on") << "Spatial Enhaner" << QRect(40, 192, 121, 49) << blue << green;
    QTest::newRow("hft") << "HFT (kHz)" << QRect(40, 248, 121, 57) << black << yellow;
    QTest::newRow("lft") << "LFT Bass (Hz)" << QRect(40, 312, 121, 57) << black << yellow;
    QTest::newRow("spatial") << "Spatial Enhancer" << QRect(168, 192, 153, 177) << blue << green;
    QTest::newRow("limiters") << "Limiters" << QRect(328, 192, 393, 177) << blue << QColor();
}

void TestPanelWindow::groups()
{
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(QColor, captionColour);
    QFETCH(QColor, background);
    PanelFixture fx(false);
    PanelGroup* g = group(*fx.window, caption);
    QVERIFY(g != nullptr);
    QCOMPARE(g->parentWidget(), fx.window->centralWidget());
    QCOMPARE(g->geometry(), geometry);
    QCOMPARE(g->captionColour(), captionColour);
    if (background.isValid()) {
        QCOMPARE(g->background(), background);
    } else {
        QVERIFY(g->background() != QColor(0, 0, 255));
    }
    // What is painted is what is declared.
    const QImage shot = g->grab().toImage();
    QCOMPARE(QColor(shot.pixel(g->width() / 2, g->height() - 4)), g->background());
}

void TestPanelWindow::fixedTexts_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("text");
    const char* rows[][2] = {
        {"Levelers (bass and main)", "Gate       Ranges    Bass+Mast. release  Bass on Voice"},
        {"Levelers (bass and main)", "-40"},
        {"Levelers (bass and main)", "0.25"},
        {"Levelers (bass and main)", "dB"},
        {"Output spectral mix", "Output Spectral Balance (dB)"},
        {"Output spectral mix", "LFT  200-600 600-1,6  1,6 -HFT- 15 kHz"},
        {"Output spectral mix", "-1.5"},
        {"Otimizer/Clipper drive/Expanders", "Optimizer SF Drive  (dB)"},
        {"Otimizer/Clipper drive/Expanders", " 0     1     2     3     4"},
        {"Otimizer/Clipper drive/Expanders", "Expander M+HF Levels (dB)"},
        {"Otimizer/Clipper drive/Expanders", "-40 -45 -50 -55      0-4dB"},
        {"Otimizer/Clipper drive/Expanders", "M.Clip."},
        {"LUFS Level dB", "-16"},
        {"LUFS Level dB", "-25"},
        {"LUFS Offset dB", "+4"},
        {"LUFS Offset dB", "-4"},
        {"HFT (kHz)", " 3,8...4,5....7,0"},
        {"LFT Bass (Hz)", "50....100...150"},
        {"Spatial Enhancer", "S/M limitation ratio"},
        {"Spatial Enhancer", "0.5    0.7    1.0   1.2"},
        {"Spatial Enhancer", "StereoEnhancement"},
        {"Spatial Enhancer", "-2           +3       +6 dB"},
        {"Limiters", "+Turbo Band Density"},
        {"Limiters", "EQ (dB)"},
        {"Limiters", "200-600           1,6-3,8"},
        {"Limiters", "600-1,6           3,8 - 15  "},
        {"Limiters", "Release Times (ms)"},
        {"Limiters", "200 Hz...............15 kHz"},
        {"Limiters", "x8        x4       x2       x1"},
        {"Limiters", "Density (dB)"},
    };
    for (const auto& r : rows) {
        QTest::newRow(r[1]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]);
    }
}

void TestPanelWindow::fixedTexts()
{
    QFETCH(QString, group);
    QFETCH(QString, text);
    PanelFixture fx(false);
    PanelGroup* g = TestPanelWindow::group(*fx.window, group);
    QVERIFY(g != nullptr);
    bool found = false;
    for (QLabel* l : g->findChildren<QLabel*>()) {
        if (l->text() == text) {
            found = true;
            QVERIFY2(g->rect().contains(l->geometry()), "the text lies inside its group");
        }
    }
    QVERIFY2(found, qPrintable(text));
}

void TestPanelWindow::controlsAtTheirPlaces()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QWidget* area = w.centralWidget();

    QCOMPARE(w.Toolbar1->parentWidget(), area);
    QCOMPARE(w.Toolbar1->geometry(), QRect(0, 0, 921, 28));
    QCOMPARE(w.cmdPara->parentWidget(), w.Toolbar1);
    QCOMPARE(w.cmdPara->geometry(), QRect(208, 0, 257, 25));
    QCOMPARE(w.cmdPara->text(), QStringLiteral("Show/Export/Print/Edit exact parameters"));
    QCOMPARE(w.txtNazevSouboru->parentWidget(), w.Toolbar1);
    QCOMPARE(w.txtNazevSouboru->geometry(), QRect(472, 4, 137, 19));
    QCOMPARE(w.txtNazevSouboru->text(), QStringLiteral("Actual.DAB"));

    QCOMPARE(w.cmdRearPanel->geometry(), QRect(40, 376, 241, 17));
    QCOMPARE(w.cmdRearPanel->text(), QStringLiteral("View Rear Panel"));
    QCOMPARE(w.Command1->geometry(), QRect(728, 376, 185, 17));
    QCOMPARE(w.Command1->text(), QStringLiteral("LUFS Info"));
    QCOMPARE(w.Sendbar->geometry(), QRect(536, 376, 177, 13));
    QCOMPARE(w.Sendbar->minimum(), 0);
    QCOMPARE(w.Sendbar->maximum(), 23);

    auto* status = area->findChild<QLabel*>(QStringLiteral("Label71"));
    QVERIFY(status != nullptr);
    QCOMPARE(status->text(), QStringLiteral("Serial/USB/IP communication status:"));
    QCOMPARE(status->geometry(), QRect(352, 376, 181, 13));
    QCOMPARE(status->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    auto* help = area->findChild<QLabel*>(QStringLiteral("lblHELP"));
    QVERIFY(help != nullptr);
    QCOMPARE(help->text(), QStringLiteral("F1 - HELP"));
    QCOMPARE(help->mapTo(area, QPoint(0, 0)), QPoint(664, 0));
    QCOMPARE(help->size(), QSize(113, 25));

    const struct
    {
        const char* name;
        const char* text;
        QPoint at;
    } boxes[] = {{"Text1", "+2", {840, 128}}, {"Text2", "-2", {840, 264}}};
    for (const auto& b : boxes) {
        auto* box = area->findChild<QLineEdit*>(QLatin1String(b.name));
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), QLatin1String(b.text));
        QCOMPARE(box->mapTo(area, QPoint(0, 0)), b.at);
        QVERIFY(box->isReadOnly());
    }

    const struct
    {
        const char* name;
        QRect at;
    } pictures[] = {{"Picture2", {40, 400, 753, 138}},
                    {"Picture4", {800, 400, 112, 63}},
                    {"Picture3", {800, 472, 108, 53}},
                    {"Picture1", {0, 28, 33, 634}}};
    for (const auto& p : pictures) {
        auto* label = area->findChild<QLabel*>(QLatin1String(p.name));
        QVERIFY2(label != nullptr, p.name);
        QCOMPARE(label->geometry(), p.at);
        QCOMPARE(label->pixmap().size(), p.at.size());
    }

    QVERIFY(w.lblTurboDens != nullptr);
    QCOMPARE(w.lblTurboDens->text(), QStringLiteral("+Turbo Band Density"));
    QVERIFY(!w.lblTurboDens->isVisibleTo(&w));
    QCOMPARE(w.chkTurbo->text(), QStringLiteral("Space ON"));
    QCOMPARE(w.chkTurbo->parentWidget(), group(w, QStringLiteral("Spatial Enhaner")));
}

void TestPanelWindow::colouredButtons()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    w.show();
    const struct
    {
        QPushButton* button;
        QColor colour;
    } buttons[] = {{w.cmdPara, QColor(255, 255, 0)},
                   {w.cmdRearPanel, QColor(0, 255, 0)},
                   {w.Command1, QColor(255, 255, 0)}};
    for (const auto& b : buttons) {
        const QImage shot = b.button->grab().toImage();
        // Left of the caption, inside the border.
        QCOMPARE(QColor(shot.pixel(5, b.button->height() / 2)), b.colour);
    }
}

void TestPanelWindow::chkTurboMapping()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QCOMPARE(w.chkTurbo->checkState(), Qt::Unchecked);
    // Set to widget: 0 clear, 1 checked, 2 greyed.
    QVERIFY(w.params().setValue(Member::chkTurbo, 1));
    QCOMPARE(w.chkTurbo->checkState(), Qt::Checked);
    QVERIFY(w.params().setValue(Member::chkTurbo, 2));
    QCOMPARE(w.chkTurbo->checkState(), Qt::PartiallyChecked);
    QVERIFY(w.params().setValue(Member::chkTurbo, 0));
    QCOMPARE(w.chkTurbo->checkState(), Qt::Unchecked);
    // Widget to set.
    w.chkTurbo->setCheckState(Qt::Checked);
    QCOMPARE(w.params().value(Member::chkTurbo), 1);
    w.chkTurbo->setCheckState(Qt::PartiallyChecked);
    QCOMPARE(w.params().value(Member::chkTurbo), 2);
    w.chkTurbo->setCheckState(Qt::Unchecked);
    QCOMPARE(w.params().value(Member::chkTurbo), 0);
}

void TestPanelWindow::chkTurboOperator()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    w.show();
    QTest::mouseClick(w.chkTurbo, Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 1);
    QTest::mouseClick(w.chkTurbo, Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 0);
    // The operator never makes it greyed; a greyed box clicked becomes checked.
    QTest::mouseClick(w.chkTurbo, Qt::LeftButton);
    QTest::mouseClick(w.chkTurbo, Qt::LeftButton);
    QCOMPARE(w.params().value(Member::chkTurbo), 0);
    QVERIFY(w.params().setValue(Member::chkTurbo, 2));
    QTest::mouseClick(w.chkTurbo, Qt::LeftButton);
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
    QVERIFY(w.lblTurboDens->isVisibleTo(&w));

    space->trigger();
    QVERIFY(!space->isChecked());
    QCOMPARE(w.params().value(Member::Space), 0);
    QVERIFY(!w.turboIndicationShown());
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0, 0, 255));
    QVERIFY(!w.lblTurboDens->isVisibleTo(&w));
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
    QVERIFY(!w.lblTurboDens->isVisibleTo(&w));
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
    QWidget* first = w.Toolbar1->widgetForAction(w.Toolbar1->actions().first());
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
    w.cmdPara->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(w.cmdPara->hasFocus(), 2000);
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
    QCOMPARE(name(w.chkTurbo), QStringLiteral("Space ON"));
    QCOMPARE(name(w.cmdRearPanel), QStringLiteral("View Rear Panel"));
    QCOMPARE(name(w.Command1), QStringLiteral("LUFS Info"));
    QCOMPARE(name(w.cmdPara), QStringLiteral("Show/Export/Print/Edit exact parameters"));
    const QList<QAction*> keys = w.Toolbar1->actions();
    for (QAction* a : keys) {
        if (!a->isSeparator()) {
            QCOMPARE(name(w.Toolbar1->widgetForAction(a)), a->toolTip());
        }
    }
    QCOMPARE(name(w.Toolbar1->widgetForAction(keys.first())), QStringLiteral("Send data to Orvex"));
}

QTEST_MAIN(TestPanelWindow)
#include "test_panel_window.moc"
