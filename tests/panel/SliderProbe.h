#pragma once

#include "app/ParamSlider.h"

#include <QStyle>
#include <QStyleOptionSlider>

// Where the style draws the parts of a slider, as the operator sees them.
inline QRect sliderPart(ParamSlider* s, QStyle::SubControl part)
{
    QStyleOptionSlider opt;
    opt.initFrom(s);
    opt.subControls = QStyle::SC_All;
    opt.orientation = s->orientation();
    if (s->orientation() == Qt::Horizontal) {
        opt.state |= QStyle::State_Horizontal;
    }
    opt.minimum = s->minimum();
    opt.maximum = s->maximum();
    opt.sliderPosition = s->sliderPosition();
    opt.sliderValue = s->value();
    opt.singleStep = s->singleStep();
    opt.pageStep = s->pageStep();
    opt.upsideDown = s->invertedAppearance();
    return s->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, s);
}

// The thumb's place along the slider: its top (vertical) or left (horizontal) edge.
inline int thumbAt(ParamSlider* s)
{
    const QRect r = sliderPart(s, QStyle::SC_ScrollBarSlider);
    return s->orientation() == Qt::Vertical ? r.top() : r.left();
}
