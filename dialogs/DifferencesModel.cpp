#include "dialogs/DifferencesModel.h"

#include "dialogs/SiteTexts.h"

#include <QBrush>

DifferencesModel::DifferencesModel(QObject* parent) : QAbstractTableModel(parent) {}

void DifferencesModel::setSides(const session::CarriedValues& a, const session::CarriedValues& b,
                                const QString& aTitle, const QString& bTitle)
{
    m_a = a;
    m_b = b;
    m_aTitle = aTitle;
    m_bTitle = bTitle;
    rebuild();
}

void DifferencesModel::clear()
{
    m_a.reset();
    m_b.reset();
    rebuild();
}

void DifferencesModel::setShowAll(bool all)
{
    m_showAll = all;
    rebuild();
}

void DifferencesModel::rebuild()
{
    beginResetModel();
    m_rows.clear();
    m_differences = 0;
    if (m_a && m_b) {
        m_differences = static_cast<int>(session::differences(*m_a, *m_b).size());
        for (const model::Member m : session::compared(*m_a, *m_b)) {
            const Row row{m, m_a->value(m).value_or(0), m_b->value(m).value_or(0)};
            if (m_showAll || row.a != row.b) {
                m_rows.append(row);
            }
        }
    }
    endResetModel();
    Q_EMIT headerDataChanged(Qt::Horizontal, A, B);
}

int DifferencesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DifferencesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DifferencesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& row = m_rows[index.row()];
    const bool differs = row.a != row.b;
    if (role == Qt::BackgroundRole) {
        return differs ? QVariant(QBrush(sitetexts::kDiffersBackground)) : QVariant();
    }
    if (role == Qt::ForegroundRole) {
        return differs ? QVariant(QBrush(Qt::black)) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    switch (index.column()) {
    case Parameter:
        return sitetexts::parameterText(row.member);
    case A:
        return QString::number(row.a);
    case B:
        return QString::number(row.b);
    case Mark:
        return differs ? QStringLiteral("differs") : QString();
    default:
        return {};
    }
}

QVariant DifferencesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case Parameter:
        return QStringLiteral("Parameter");
    case A:
        return m_aTitle;
    case B:
        return m_bTitle;
    default:
        return QString();
    }
}
