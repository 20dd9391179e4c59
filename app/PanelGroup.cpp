#include "app/PanelGroup.h"

#include "app/PanelArt.h"

#include <QPainter>

PanelGroup::PanelGroup(const QString& caption, const QRect& geometry, const QColor& captionColour,
                       const QColor& background, QWidget* parent)
    : QGroupBox(caption, parent), m_captionColour(captionColour), m_background(background)
{
    setFont(panel::captionFont());
    setGeometry(geometry);
    setFlat(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, panel::kBlack);
    setPalette(pal);
}

void PanelGroup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);

    const QFontMetrics fm(font());
    const int lineY = fm.height() / 2;
    const QRect frame = rect().adjusted(0, lineY, -1, -1);
    // Etched frame: a dark line with a light one inside it.
    p.setPen(m_background.darker(160));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    p.setPen(m_background.lighter(150));
    p.drawRect(frame.adjusted(1, 1, 0, 0));

    constexpr int kCaptionLeft = 7;
    const QString caption = title();
    const QRect textRect(kCaptionLeft, 0, fm.horizontalAdvance(caption) + 4, fm.height());
    p.fillRect(textRect, m_background);
    p.setPen(m_captionColour);
    p.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);
}
