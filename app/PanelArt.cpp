#include "app/PanelArt.h"

#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

// Resources live in a static library: register them before first use.
static void initPanelResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(panel);
        Q_INIT_RESOURCE(appicon);
        return true;
    }();
    Q_UNUSED(done);
}

namespace panel {

QWidget* clientArea(QMainWindow* window)
{
    if (QWidget* area = window->centralWidget()) {
        return area;
    }
    auto* area = new QWidget(window);
    area->setObjectName(QStringLiteral("clientArea"));
    area->setFixedSize(kClientWidth, kClientHeight);
    window->setCentralWidget(area);
    return area;
}

QPixmap picture(const QString& resource, const QSize& size)
{
    initPanelResources();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    return pixmap;
}

QIcon svgIcon(const QString& resource)
{
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(picture(resource, QSize(side, side)));
    }
    return icon;
}

static QFont panelFont(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    return font;
}

QFont captionFont()
{
    constexpr int kCaptionPixels = 11;
    return panelFont(kCaptionPixels);
}

QFont markFont()
{
    constexpr int kMarkPixels = 10;
    return panelFont(kMarkPixels);
}

QLabel* mark(QWidget* parent, const QString& text, const QRect& rect, Qt::Alignment align)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = markFont();
    // Wide desktop fonts are narrowed rather than cut off; the text itself stays as it is.
    constexpr int kNarrowest = 70;
    for (int stretch = 100;
         stretch > kNarrowest && QFontMetrics(font).horizontalAdvance(text) > rect.width();
         stretch -= 5) {
        font.setStretch(stretch - 5);
    }
    label->setFont(font);
    label->setAlignment(align);
    label->setGeometry(rect);
    return label;
}

void colourButton(QPushButton* button, const QColor& colour)
{
    QPalette pal = button->palette();
    pal.setColor(QPalette::Button, colour);
    pal.setColor(QPalette::ButtonText, kBlack);
    button->setPalette(pal);
    button->setFont(captionFont());
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: black; border: 2px outset %2;"
                       " padding: 0px; }"
                       "QPushButton:pressed { border-style: inset; }"
                       "QPushButton:focus { border-color: %3; }")
            .arg(colour.name(), colour.darker(130).name(), colour.darker(220).name()));
}

} // namespace panel
