#include "app/PanelGroups.h"

#include "app/PanelArt.h"
#include "app/PanelGroup.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

using model::Member;

namespace panel {
namespace {

constexpr int kThick = 15;      // width of a vertical slider, height of a horizontal one
constexpr int kMarkHeight = 12; // one line of scale marks
// The thumb travels between the two arrow buttons; marks are spread over that stretch.
constexpr int kTravelInset = 16;

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

// The group that holds `member`, captioned as the member table says.
PanelGroup* group(QWidget* area, model::Member member, const QRect& r,
                  const QColor& background = kFace, const QColor& captionColour = kCaptionBlue)
{
    const std::string_view caption = model::info(member).group;
    return new PanelGroup(QString::fromLatin1(caption.data(), qsizetype(caption.size())), r,
                          captionColour, background, area);
}

QRect vertical(int x, int top, int height)
{
    return {x, top, kThick, height};
}

QRect horizontal(int left, int y, int width)
{
    return {left, y, width, kThick};
}

// A unit mark centred under a vertical slider.
void unitUnder(QWidget* g, const char* unit, const QRect& slider)
{
    constexpr int kHalfWidth = 12;
    mark(g, QLatin1String(unit),
         QRect(slider.center().x() - kHalfWidth + 1, slider.bottom() + 2, 2 * kHalfWidth,
               kMarkHeight),
         kCentre);
}

// The spatial enhancer switch: the operator toggles between clear and checked (a greyed box
// becomes checked, as a plain two-state box does); only writers of the set make it greyed.
class TurboCheckBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

QStringList texts(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* t : list) {
        out << QLatin1String(t);
    }
    return out;
}

} // namespace

void marksDown(QWidget* group, const QStringList& marks, const QRect& slider, int left, int width,
               const QList<double>& positions)
{
    const int travel = slider.height() - 2 * kTravelInset;
    for (qsizetype i = 0; i < marks.size(); ++i) {
        const double f = !positions.isEmpty() ? positions.value(i)
                         : marks.size() > 1   ? double(i) / double(marks.size() - 1)
                                              : 0.0;
        const int centre = slider.top() + kTravelInset + int(f * travel + 0.5);
        mark(group, marks[i], QRect(left, centre - kMarkHeight / 2, width, kMarkHeight), kRight);
    }
}

void buildLevelers(QWidget* area, const PlaceSlider& place)
{
    PanelGroup* g = group(area, model::Member::gate, QRect(40, 32, 281, 153));
    mark(g, QStringLiteral("Gate       Ranges    Bass+Mast. release  Bass on Voice"),
         QRect(5, 14, 273, kMarkHeight));

    constexpr int kTop = 29;
    constexpr int kHeight = 104;
    const QRect gate = vertical(30, kTop, kHeight);
    place(Member::gate, g, gate);
    marksDown(g, texts({"-10", "-15", "-20", "-30", "-40"}), gate, 4, 24);
    unitUnder(g, "dB", gate);

    const QRect ranges = vertical(84, kTop, kHeight);
    place(Member::ranges, g, ranges);
    marksDown(g, texts({"6", "9", "15", "20", "30"}), ranges, 60, 22);
    unitUnder(g, "dB", ranges);

    const QRect bassrel = vertical(140, kTop, kHeight);
    place(Member::bassrel, g, bassrel);
    marksDown(g, texts({"10", "0.5"}), bassrel, 116, 22);
    unitUnder(g, "s", bassrel);

    const QRect masterrel = vertical(188, kTop, kHeight);
    place(Member::masterrel, g, masterrel);
    marksDown(g, texts({"6", "0.25"}), masterrel, 160, 26);
    unitUnder(g, "s", masterrel);

    const QRect bassamount = vertical(244, kTop, kHeight);
    place(Member::bassamount, g, bassamount);
    marksDown(g, texts({"12", "9", "6", "3", "0"}), bassamount, 220, 22);
    unitUnder(g, "dB", bassamount);
}

void buildOutputMix(QWidget* area, const PlaceSlider& place)
{
    PanelGroup* g = group(area, model::Member::obbass, QRect(328, 32, 213, 153));
    mark(g, QStringLiteral("Output Spectral Balance (dB)"), QRect(8, 14, 200, kMarkHeight));

    constexpr int kTop = 29;
    constexpr int kHeight = 100;
    constexpr int kFirst = 40;
    constexpr int kPitch = 35;
    const Member bands[] = {Member::obbass, Member::ob200600, Member::ob60016, Member::ob1638,
                            Member::ob3815};
    QRect first;
    for (int i = 0; i < 5; ++i) {
        const QRect r = vertical(kFirst + i * kPitch, kTop, kHeight);
        place(bands[i], g, r);
        if (i == 0) {
            first = r;
        }
    }
    marksDown(g, texts({"+3", "1.5", "0", "-1.5", "-3"}), first, 4, 32);
    mark(g, QStringLiteral("LFT  200-600 600-1,6  1,6 -HFT- 15 kHz"),
         QRect(30, kTop + kHeight + 4, 180, kMarkHeight));
}

void buildOptimizer(QWidget* area, const PlaceSlider& place)
{
    PanelGroup* g = group(area, model::Member::optidrive, QRect(544, 32, 177, 153));

    constexpr int kLeft = 8;
    constexpr int kWidth = 126;
    mark(g, QStringLiteral("Optimizer SF Drive  (dB)"), QRect(kLeft, 16, kWidth, kMarkHeight));
    place(Member::optidrive, g, horizontal(kLeft, 32, kWidth));
    mark(g, QStringLiteral(" 0     1     2     3     4"), QRect(kLeft, 49, kWidth, kMarkHeight));

    mark(g, QStringLiteral("Expander M+HF Levels (dB)"), QRect(kLeft, 82, kWidth + 4, kMarkHeight));
    place(Member::mainexp, g, horizontal(kLeft, 98, kWidth));
    mark(g, QStringLiteral("-40 -45 -50 -55      0-4dB"),
         QRect(kLeft, 115, kWidth + 4, kMarkHeight));

    mark(g, QStringLiteral("M.Clip."), QRect(138, 16, 36, kMarkHeight), kCentre);
    place(Member::mclipdrive, g, vertical(149, 32, 112));
}

void buildLoudness(QWidget* area, const PlaceSlider& place)
{
    constexpr int kTop = 20;
    constexpr int kHeight = 308;

    PanelGroup* level = group(area, model::Member::mpxpow, QRect(728, 32, 89, 337), kYellow);
    const QRect mpxpow = vertical(52, kTop, kHeight);
    place(Member::mpxpow, level, mpxpow);
    // The loudness scale is not linear in the byte: the marks crowd towards the top.
    marksDown(level, texts({"-16", "-17", "-18", "-19", "-20", "-22", "-23", "-25"}), mpxpow, 14,
              32, {0.0, 0.09, 0.19, 0.30, 0.42, 0.61, 0.74, 1.0});

    PanelGroup* offset = group(area, model::Member::LUFSOffset, QRect(824, 32, 89, 337), kYellow);
    place(Member::LUFSOffset, offset, vertical(52, kTop, kHeight));
    // Marks every 68 pixels; +2 and -2 are the text boxes lying over the group.
    constexpr int kBoxWidth = 25;
    constexpr int kBoxHeight = 19;
    const struct
    {
        const char* text;
        int y;
    } labels[] = {{"+4", 28}, {"0", 164}, {"-4", 300}};
    for (const auto& l : labels) {
        mark(offset, QLatin1String(l.text), QRect(16, l.y, kBoxWidth, kBoxHeight), kRight);
    }
    const struct
    {
        const char* name;
        const char* text;
        int x;
        int y;
    } boxes[] = {{"Text1", "+2", 840, 128}, {"Text2", "-2", 840, 264}};
    for (const auto& b : boxes) {
        auto* box = new QLineEdit(QLatin1String(b.text), area);
        box->setObjectName(QLatin1String(b.name));
        box->setGeometry(b.x, b.y, kBoxWidth, kBoxHeight);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        box->setAlignment(Qt::AlignRight);
        box->setFont(markFont());
        box->setFrame(false);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, kYellow);
        pal.setColor(QPalette::Text, kBlack);
        box->setPalette(pal);
        box->setAccessibleName(QStringLiteral("LUFS Offset mark ") + QLatin1String(b.text));
        box->raise();
    }
}

QCheckBox* buildLeftColumn(QWidget* area, const PlaceSlider& place)
{
    PanelGroup* space = group(area, model::Member::chkTurbo, QRect(40, 192, 121, 49), kLightGreen);
    auto* chk = new TurboCheckBox(QStringLiteral("Space ON"), space);
    chk->setTristate(true);
    chk->setObjectName(QStringLiteral("chkTurbo"));
    chk->setGeometry(12, 20, 100, 20);
    chk->setFont(captionFont());

    constexpr int kSliderLeft = 8;
    constexpr int kSliderWidth = 105;
    PanelGroup* hft = group(area, model::Member::HFShift, QRect(40, 248, 121, 57), kYellow, kBlack);
    place(Member::HFShift, hft, horizontal(kSliderLeft, 18, kSliderWidth));
    mark(hft, QStringLiteral(" 3,8...4,5....7,0"),
         QRect(kSliderLeft, 36, kSliderWidth, kMarkHeight));

    PanelGroup* lft = group(area, model::Member::LFShift, QRect(40, 312, 121, 57), kYellow, kBlack);
    place(Member::LFShift, lft, horizontal(kSliderLeft, 18, kSliderWidth));
    mark(lft, QStringLiteral("50....100...150"), QRect(kSliderLeft, 36, kSliderWidth, kMarkHeight));
    return chk;
}

void buildSpatialEnhancer(QWidget* area, const PlaceSlider& place)
{
    PanelGroup* g = group(area, model::Member::MSlimit, QRect(168, 192, 153, 177), kLightGreen);
    constexpr int kLeft = 8;
    constexpr int kWidth = 137;
    mark(g, QStringLiteral("S/M limitation ratio"), QRect(kLeft, 22, kWidth, kMarkHeight), kCentre);
    place(Member::MSlimit, g, horizontal(kLeft, 38, kWidth));
    mark(g, QStringLiteral("0.5    0.7    1.0   1.2"), QRect(kLeft, 55, kWidth, kMarkHeight));

    mark(g, QStringLiteral("StereoEnhancement"), QRect(kLeft, 100, kWidth, kMarkHeight), kCentre);
    place(Member::Enhancement, g, horizontal(kLeft, 116, kWidth));
    mark(g, QStringLiteral("-2           +3       +6 dB"), QRect(kLeft, 133, kWidth, kMarkHeight));
}

QLabel* buildLimiters(QWidget* area, const PlaceSlider& place)
{
    PanelGroup* g = group(area, model::Member::eq200600, QRect(328, 192, 393, 177));

    QLabel* turbo = mark(g, QStringLiteral("+Turbo Band Density"), QRect(24, 14, 130, kMarkHeight));
    turbo->setObjectName(QStringLiteral("lblTurboDens"));
    turbo->setFont(captionFont());
    turbo->hide();

    constexpr int kTop = 68;
    constexpr int kHeight = 90;

    mark(g, QStringLiteral("EQ (dB)"), QRect(6, 28, 60, kMarkHeight));
    mark(g, QStringLiteral("200-600           1,6-3,8"), QRect(18, 42, 140, kMarkHeight));
    mark(g, QStringLiteral("600-1,6           3,8 - 15  "), QRect(48, 54, 140, kMarkHeight));
    const Member eq[] = {Member::eq200600, Member::eq60016, Member::eq1638, Member::eq3815};
    constexpr int kEqFirst = 30;
    constexpr int kEqPitch = 30;
    for (int i = 0; i < 4; ++i) {
        place(eq[i], g, vertical(kEqFirst + i * kEqPitch, kTop, kHeight));
    }
    marksDown(g, texts({"+6", "+3", "0", "-3", "-6"}), vertical(kEqFirst, kTop, kHeight), 4, 24);

    mark(g, QStringLiteral("Release Times (ms)"), QRect(166, 28, 120, kMarkHeight));
    mark(g, QStringLiteral("200 Hz...............15 kHz"), QRect(166, 48, 130, kMarkHeight));
    const Member rel[] = {Member::rel200600, Member::rel60016, Member::rel1638, Member::rel3815};
    constexpr int kRelFirst = 188;
    constexpr int kRelPitch = 31;
    for (int i = 0; i < 4; ++i) {
        place(rel[i], g, vertical(kRelFirst + i * kRelPitch, kTop, kHeight));
    }
    marksDown(g, texts({"30", "10", "3"}), vertical(kRelFirst, kTop, kHeight), 166, 22);
    mark(g, QStringLiteral("x8        x4       x2       x1"),
         QRect(kRelFirst + 1, kTop + kHeight + 2, 120, kMarkHeight));

    mark(g, QStringLiteral("Density (dB)"), QRect(316, 28, 72, kMarkHeight));
    const QRect density = vertical(352, kTop, kHeight);
    place(Member::density, g, density);
    marksDown(g, texts({"12", "9", "6", "3", "0"}), density, 324, 24);
    return turbo;
}

} // namespace panel
