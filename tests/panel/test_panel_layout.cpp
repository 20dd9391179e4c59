#include "support/PanelFixture.h"

#include "app/PanelGroup.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

// The window's layout: client area, groups with captions and colours, fixed texts, and every
// control at its place.
class TestPanelLayout : public QObject
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
};

void TestPanelLayout::clientArea()
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

void TestPanelLayout::groups_data()
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

void TestPanelLayout::groups()
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

void TestPanelLayout::fixedTexts_data()
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

void TestPanelLayout::fixedTexts()
{
    QFETCH(QString, group);
    QFETCH(QString, text);
    PanelFixture fx(false);
    PanelGroup* g = TestPanelLayout::group(*fx.window, group);
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

void TestPanelLayout::controlsAtTheirPlaces()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    QWidget* area = w.centralWidget();

    QCOMPARE(w.toolbar()->parentWidget(), area);
    QCOMPARE(w.toolbar()->geometry(), QRect(0, 0, 921, 28));
    QCOMPARE(w.paraButton()->parentWidget(), w.toolbar());
    QCOMPARE(w.paraButton()->geometry(), QRect(208, 0, 257, 25));
    QCOMPARE(w.paraButton()->text(), QStringLiteral("Show/Export/Print/Edit exact parameters"));
    QCOMPARE(w.fileNameBox()->parentWidget(), w.toolbar());
    QCOMPARE(w.fileNameBox()->geometry(), QRect(472, 4, 137, 19));
    QCOMPARE(w.fileNameBox()->text(), QStringLiteral("Actual.DAB"));

    QCOMPARE(w.rearPanelButton()->geometry(), QRect(40, 376, 241, 17));
    QCOMPARE(w.rearPanelButton()->text(), QStringLiteral("View Rear Panel"));
    QCOMPARE(w.wizardButton()->geometry(), QRect(728, 376, 185, 17));
    QCOMPARE(w.wizardButton()->text(), QStringLiteral("LUFS Info"));
    QCOMPARE(w.sendBar()->geometry(), QRect(536, 376, 177, 13));
    QCOMPARE(w.sendBar()->minimum(), 0);
    QCOMPARE(w.sendBar()->maximum(), 23);

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

    QVERIFY(w.turboDensityLabel() != nullptr);
    QCOMPARE(w.turboDensityLabel()->text(), QStringLiteral("+Turbo Band Density"));
    QVERIFY(!w.turboDensityLabel()->isVisibleTo(&w));
    QCOMPARE(w.turboBox()->text(), QStringLiteral("Space ON"));
    QCOMPARE(w.turboBox()->parentWidget(), group(w, QStringLiteral("Spatial Enhaner")));
}

void TestPanelLayout::colouredButtons()
{
    PanelFixture fx(false);
    frmMain& w = *fx.window;
    w.show();
    const struct
    {
        QPushButton* button;
        QColor colour;
    } buttons[] = {{w.paraButton(), QColor(255, 255, 0)},
                   {w.rearPanelButton(), QColor(0, 255, 0)},
                   {w.wizardButton(), QColor(255, 255, 0)}};
    for (const auto& b : buttons) {
        const QImage shot = b.button->grab().toImage();
        // Left of the caption, inside the border.
        QCOMPARE(QColor(shot.pixel(5, b.button->height() / 2)), b.colour);
    }
}

QTEST_MAIN(TestPanelLayout)
#include "test_panel_layout.moc"
