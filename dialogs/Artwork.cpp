#include "dialogs/Artwork.h"

#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library: nothing else would pull them into the program.
static void ensureWindowResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(windows);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace dialogs {

QPixmap artwork(const QString& resource, QSize size)
{
    ensureWindowResources();
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) {
        return {};
    }
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QLabel* pictureLabel(const QString& objectName, const QString& resource, QSize size,
                     QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setFixedSize(size);
    label->setPixmap(artwork(resource, size));
    return label;
}

} // namespace dialogs
