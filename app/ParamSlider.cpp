#include "app/ParamSlider.h"

#include "app/SliderAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QWheelEvent>

#include <cstdlib>

namespace {
constexpr int kMax = 255;
constexpr int kWheelNotch = 120;
} // namespace

ParamSlider::ParamSlider(model::Member member, QWidget* parent)
    : QScrollBar(model::info(member).end255 == model::End::Left ||
                         model::info(member).end255 == model::End::Right
                     ? Qt::Horizontal
                     : Qt::Vertical,
                 parent),
      m_member(member)
{
    installSliderAccessibility();
    const model::MemberInfo& i = model::info(member);
    setObjectName(QString::fromLatin1(i.name.data(), qsizetype(i.name.size())));
    setAccessibleName(QString::fromUtf8(i.meaning.data(), qsizetype(i.meaning.size())));
    setRange(0, kMax);
    setSingleStep(1);
    setPageStep(1);
    setFocusPolicy(Qt::StrongFocus);
    setValue(toWidget(i.initial));
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (QAccessible::isActive()) {
            // The scroll bar itself reports its own position; screen readers want the byte.
            QAccessibleValueChangeEvent event(this, paramValue());
            QAccessible::updateAccessibility(&event);
        }
        if (!m_quiet) {
            Q_EMIT paramValueChanged(paramValue());
        }
    });
}

bool ParamSlider::reversed() const
{
    const model::End e = end255();
    return e == model::End::Top || e == model::End::Left;
}

int ParamSlider::toWidget(int paramValue) const
{
    return reversed() ? kMax - paramValue : paramValue;
}

bool ParamSlider::setParamValue(int v)
{
    if (v < 0 || v > kMax) {
        return false;
    }
    setValue(toWidget(v));
    return true;
}

void ParamSlider::showParamValue(int v)
{
    if (v < 0 || v > kMax) {
        return;
    }
    const QScopedValueRollback quiet(m_quiet, true);
    setValue(toWidget(v));
}

QSize ParamSlider::sizeHint() const
{
    constexpr int kThickness = 15;
    constexpr int kLength = 100;
    return orientation() == Qt::Vertical ? QSize(kThickness, kLength) : QSize(kLength, kThickness);
}

// towardsEnd: towards the bottom of a vertical slider or the right of a horizontal one.
void ParamSlider::stepThumb(bool towardsEnd, bool page)
{
    if (page) {
        triggerAction(towardsEnd ? SliderPageStepAdd : SliderPageStepSub);
    } else {
        triggerAction(towardsEnd ? SliderSingleStepAdd : SliderSingleStepSub);
    }
}

void ParamSlider::keyPressEvent(QKeyEvent* event)
{
    const bool vertical = orientation() == Qt::Vertical;
    switch (event->key()) {
    case Qt::Key_Up:
        stepThumb(!vertical, false);
        break;
    case Qt::Key_Down:
        stepThumb(vertical, false);
        break;
    case Qt::Key_PageUp:
        stepThumb(!vertical, true);
        break;
    case Qt::Key_PageDown:
        stepThumb(vertical, true);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (vertical) {
            event->ignore();
            return;
        }
        stepThumb(event->key() == Qt::Key_Right, false);
        break;
    case Qt::Key_Home:
        triggerAction(toWidget(0) == minimum() ? SliderToMinimum : SliderToMaximum);
        break;
    case Qt::Key_End:
        triggerAction(toWidget(kMax) == minimum() ? SliderToMinimum : SliderToMaximum);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void ParamSlider::wheelEvent(QWheelEvent* event)
{
    // Wheel up (or tilt right) moves the thumb up on a vertical slider and to the right on a
    // horizontal one, the way the keys do.
    const QPoint d = event->angleDelta();
    int delta = std::abs(d.x()) > std::abs(d.y()) ? -d.x() : d.y();
    if (event->inverted()) {
        delta = -delta;
    }
    m_wheelRemainder += delta;
    const int notches = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= notches * kWheelNotch;
    event->accept();
    if (notches == 0) {
        return;
    }
    const int lines = notches * QApplication::wheelScrollLines() * singleStep();
    setValue(value() + (orientation() == Qt::Vertical ? -lines : lines));
}

void ParamSlider::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    // Scroll bars draw no focus mark of their own; a keyboard user must see where they are.
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}
