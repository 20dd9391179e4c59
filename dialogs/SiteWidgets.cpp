#include "dialogs/SiteWidgets.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace dialogs {

QPushButton* siteButton(const char* name, const QString& text, const QString& accessible,
                        QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
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
