#pragma once

#include <QColor>
#include <QGroupBox>

// A framed group of the front panel: etched frame, caption in its own colour, and a flat
// background (the classic face grey unless the group has a colour of its own).
class PanelGroup : public QGroupBox
{
    Q_OBJECT

public:
    PanelGroup(const QString& caption, const QRect& geometry, const QColor& captionColour,
               const QColor& background, QWidget* parent);

    QColor captionColour() const { return m_captionColour; }
    QColor background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_captionColour;
    QColor m_background;
};
