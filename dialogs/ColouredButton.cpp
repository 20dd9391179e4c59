#include "dialogs/ColouredButton.h"

#include <QPushButton>

namespace dialogs {

namespace {

QString rgb(const QColor& c)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

QPushButton* colouredButton(const QString& objectName, const QString& caption, const QColor& face,
                            QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setDefault(false);
    // A style sheet, because several widget styles ignore the palette's button colour.
    button->setStyleSheet(
        QStringLiteral(
            "QPushButton { background-color: %1; color: black;"
            " border: 2px outset %2; padding: 3px 10px; min-height: 18px; min-width: 48px; }"
            "QPushButton:pressed { background-color: %3; border-style: inset; }"
            "QPushButton:focus { border: 2px solid black; }"
            "QPushButton:disabled { color: gray; }")
            .arg(rgb(face), rgb(face.lighter(150)), rgb(face.darker(130))));
    return button;
}

} // namespace dialogs
