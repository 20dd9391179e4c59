#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

class QLabel;
class QWidget;

// The pictures of the small windows, drawn as SVG and carried in the program's resources.
namespace dialogs {

inline const QString kSplashPicture = QStringLiteral(":/windows/splash.svg");
inline const QString kAboutPicture = QStringLiteral(":/windows/about.svg");
inline const QString kRearPanelPicture = QStringLiteral(":/windows/rearpanel.svg");

inline constexpr QSize kSplashSize(583, 127);
inline constexpr QSize kAboutSize(342, 62);
inline constexpr QSize kRearPanelSize(697, 135);

// The picture rendered at exactly this size; a null pixmap when the resource is missing.
QPixmap artwork(const QString& resource, QSize size);

// A fixed-size label showing the picture.
QLabel* pictureLabel(const QString& objectName, const QString& resource, QSize size,
                     QWidget* parent);

} // namespace dialogs
