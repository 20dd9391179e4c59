#include "app/SliderAccessible.h"

#include "app/ParamSlider.h"

#include <QAccessibleWidget>

namespace {

constexpr int kMax = 255;

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit SliderAccessible(ParamSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider)
    {}

    ParamSlider* slider() const { return static_cast<ParamSlider*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            return QString::number(slider()->paramValue());
        }
        return QAccessibleWidget::text(t);
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    // The value is the parameter byte; an assistive tool writes it as the operator would.
    QVariant currentValue() const override { return slider()->paramValue(); }
    void setCurrentValue(const QVariant& value) override
    {
        bool ok = false;
        const int v = value.toInt(&ok);
        if (ok) {
            slider()->setParamValue(v);
        }
    }
    QVariant maximumValue() const override { return kMax; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << QAccessibleActionInterface::increaseAction()
                                                << QAccessibleActionInterface::decreaseAction();
    }
    void doAction(const QString& name) override
    {
        const int v = slider()->paramValue();
        if (name == QAccessibleActionInterface::increaseAction()) {
            slider()->setParamValue(qMin(v + 1, kMax));
        } else if (name == QAccessibleActionInterface::decreaseAction()) {
            slider()->setParamValue(qMax(v - 1, 0));
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

QAccessibleInterface* sliderFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("ParamSlider") && object != nullptr && object->isWidgetType()) {
        return new SliderAccessible(static_cast<ParamSlider*>(object));
    }
    return nullptr;
}

} // namespace

void installSliderAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(sliderFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
