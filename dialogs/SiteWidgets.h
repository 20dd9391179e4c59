#pragma once

#include <QString>

class QPushButton;
class QTableView;
class QWidget;

// The buttons and tables of the sites windows, made alike: named for tests and screen readers,
// read-only tables that select whole rows and fit their rows to the font.
namespace dialogs {

QPushButton* siteButton(const char* name, const QString& text, const QString& description,
                        QWidget* parent);
QTableView* siteTable(const char* name, const QString& accessible, QWidget* parent);

} // namespace dialogs
