#include "dialogs/Printing.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QWidget>

#include <algorithm>

QString printWindowOn(QWidget& window, QPrinter& printer)
{
    window.ensurePolished();
    const QSize size = window.size();
    if (size.isEmpty()) {
        return QStringLiteral("Nothing to print");
    }
    // Rendered straight onto a printer, a widget arrives as one bitmap. Recorded as drawing
    // commands first, its texts reach the page as text: sharp on paper, searchable in a PDF.
    QPicture picture;
    {
        QPainter recorder(&picture);
        window.render(&recorder, QPoint(), QRegion(),
                      QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return QStringLiteral("The printer could not be opened");
    }
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const qreal scale = std::min(page.width() / size.width(), page.height() / size.height());
    // The painter starts at the printable area's corner; centre the window across the page.
    painter.translate((page.width() - size.width() * scale) / 2.0, 0.0);
    // A picture plays back in its own resolution, scaled up to the device's; undo that so
    // one window pixel lands where scale says.
    painter.scale(scale * picture.logicalDpiX() / printer.logicalDpiX(),
                  scale * picture.logicalDpiY() / printer.logicalDpiY());
    painter.drawPicture(0, 0, picture);
    if (!painter.end()) {
        return QStringLiteral("The page could not be finished");
    }
    if (printer.printerState() == QPrinter::Error) {
        return QStringLiteral("The printer reported an error");
    }
    return {};
}

QString SystemPrinter::printWidget(QWidget& window)
{
    const QPrinterInfo info = m_info.value_or(QPrinterInfo::defaultPrinter());
    if (info.isNull()) {
        return QStringLiteral("No default printer");
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(window.windowTitle().trimmed());
    return printWindowOn(window, printer);
}

QString PdfPrinter::printWidget(QWidget& window)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_path);
    printer.setDocName(window.windowTitle().trimmed());
    return printWindowOn(window, printer);
}
