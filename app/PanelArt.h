#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QLabel;
class QMainWindow;
class QPushButton;
class QWidget;

// Small building blocks of the front panel, shared by the panel, toolbar and menu code.
namespace panel {

inline constexpr int kClientWidth = 921;
inline constexpr int kClientHeight = 547;
inline constexpr int kToolbarHeight = 28;

const QColor kYellow(255, 255, 0);
const QColor kLightGreen(128, 255, 128);
const QColor kGreen(0, 255, 0);
const QColor kCaptionBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
// Groups without a colour of their own keep the classic face grey.
const QColor kFace(212, 208, 200);

// The fixed client area of the window (created on first use), which holds the toolbar too.
QWidget* clientArea(QMainWindow* window);

// An SVG from the panel's resources (":/panel/...") drawn at the given size.
QPixmap picture(const QString& resource, const QSize& size);
// An SVG as an icon, drawn at the sizes a toolbar or title bar asks for.
QIcon svgIcon(const QString& resource);

// The panel's fonts: pixel sizes, so the fixed layout does not move with the desktop's dpi.
QFont captionFont();
QFont markFont();

// A plain label at a fixed place, its text shrunk to fit the width if the font is wide.
QLabel* mark(QWidget* parent, const QString& text, const QRect& rect,
             Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);

// A push button in a flat colour of its own, whatever the desktop style.
void colourButton(QPushButton* button, const QColor& colour);

} // namespace panel
