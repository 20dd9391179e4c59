#include "dialogs/SiteWidgets.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace dialogs {

QPushButton* siteButton(const char* name, const QString& text, const QString& description,
                        QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    // A screen reader names the button by the words on it, as a sighted user reads it; what it
    // does in full is its description.
    b->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    b->setAccessibleDescription(description);
    b->setAutoDefault(false);
    return b;
}

QTableView* siteTable(const char* name, const QString& accessible, QWidget* parent)
{
    auto* t = new QTableView(parent);
    t->setObjectName(QLatin1String(name));
    t->setAccessibleName(accessible);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setWordWrap(false);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

} // namespace dialogs
