#pragma once

#include <QColor>
#include <QString>

class QPushButton;
class QWidget;

// Buttons with a solid coloured face, as the small windows and the panel use them.
namespace dialogs {

inline const QColor kFaceRed(255, 0, 0);
inline const QColor kFaceGreen(0, 255, 0);
inline const QColor kFaceYellow(255, 255, 0);
inline const QColor kFaceLightBlue(128, 128, 255);

// A push button with the given object name, caption and face colour. It never becomes a
// default button, so Enter in a window cannot send a processor command by accident.
QPushButton* colouredButton(const QString& objectName, const QString& caption, const QColor& face,
                            QWidget* parent);

} // namespace dialogs
