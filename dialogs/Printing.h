#pragma once

#include <QPrinterInfo>
#include <QString>

#include <optional>

class QPrinter;
class QWidget;

// Renders a window onto paper (or, in tests, into a PDF). Returns an empty string on
// success, otherwise what went wrong.
class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    virtual QString printWidget(QWidget& window) = 0;
};

// Draws the window as it stands, scaled to fit the printable area of one page.
// Returns an empty string on success, otherwise what went wrong.
QString printWindowOn(QWidget& window, QPrinter& printer);

// The system's default printer, looked up when a print starts.
class SystemPrinter : public PrintTarget
{
public:
    SystemPrinter() = default;
    // A given printer instead of the default one; a null info stands for "no printer".
    explicit SystemPrinter(const QPrinterInfo& info) : m_info(info) {}

    QString printWidget(QWidget& window) override;

private:
    std::optional<QPrinterInfo> m_info;
};

// Prints into a PDF file (vector text, so the page can be read back).
class PdfPrinter : public PrintTarget
{
public:
    explicit PdfPrinter(QString path) : m_path(std::move(path)) {}

    QString printWidget(QWidget& window) override;
    const QString& path() const { return m_path; }

private:
    QString m_path;
};
