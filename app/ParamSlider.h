#pragma once

#include "model/Members.h"

#include <QScrollBar>

// One parameter of the panel as a scroll bar: raw byte 0..255, arrow and page step 1.
//
// The parameter value and the scroll bar's own position differ where the end that holds 255 is
// the top (vertical) or the left (horizontal) end: there position = 255 - value, so the plain
// scroll bar behaviour (top arrow, page click above the thumb, wheel up all move the thumb up)
// raises the value, as the operator expects from the printed scale.
//
// Keys on a focused slider move the thumb the way the key points: Up and Page Up towards the
// top of a vertical slider or the right of a horizontal one, Down and Page Down the other way,
// Left and Right along a horizontal slider. Home always goes to the end that holds 0 and End
// to the end that holds 255, on all 28 sliders, whichever way round the slider stands.
class ParamSlider : public QScrollBar
{
    Q_OBJECT

public:
    ParamSlider(model::Member member, QWidget* parent = nullptr);

    model::Member member() const { return m_member; }
    model::End end255() const { return model::info(m_member).end255; }

    int paramValue() const { return toParam(value()); }

    // A write of the operator's kind (keyboard, assistive tools): emits paramValueChanged.
    // Refuses a value outside 0..255 and changes nothing.
    bool setParamValue(int v);

    // Shows a value that came from the parameter set; emits nothing back.
    void showParamValue(int v);

    // The scroll bar position that shows parameter value v, and back.
    int toWidget(int paramValue) const;
    int toParam(int widgetValue) const { return toWidget(widgetValue); }

    QSize sizeHint() const override;

Q_SIGNALS:
    // Every change of the shown value except those made by showParamValue.
    void paramValueChanged(int paramValue);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool reversed() const;
    void stepThumb(bool towardsEnd, bool page);

    model::Member m_member;
    bool m_quiet = false;
    int m_wheelRemainder = 0;
};
