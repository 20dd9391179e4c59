#include "dialogs/VersionsModel.h"

#include "dialogs/SiteTexts.h"

#include <QFont>

VersionsModel::VersionsModel(QObject* parent) : QAbstractTableModel(parent) {}

void VersionsModel::setEntries(const QList<fleet::HistoryEntry>& entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

const fleet::HistoryEntry* VersionsModel::entry(int row) const
{
    return row >= 0 && row < m_entries.size() ? &m_entries[row] : nullptr;
}

int VersionsModel::rowOf(int version) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].version.number == version) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const fleet::HistoryEntry* VersionsModel::previous(int version) const
{
    const int row = rowOf(version);
    for (int i = row - 1; i >= 0; --i) {
        if (m_entries[i].version.layout == m_entries[row].version.layout) {
            return &m_entries[i];
        }
    }
    return nullptr;
}

int VersionsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int VersionsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant VersionsModel::data(const QModelIndex& index, int role) const
{
    const fleet::HistoryEntry* e = entry(index.row());
    if (e == nullptr) {
        return {};
    }
    const fleet::Version& v = e->version;
    if (role == Qt::FontRole && v.reference) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == SortRole) {
        switch (index.column()) {
        case Number:
        case Time:
            return v.number;
        case Changes:
            return e->differences.value_or(-1);
        default:
            break;
        }
    } else if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    switch (index.column()) {
    case Number:
        return role == SortRole ? QVariant(v.number) : QVariant(QString::number(v.number));
    case Time:
        return v.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Layout:
        return fleet::layoutName(v.layout);
    case Source:
        return fleet::sourceName(v.source);
    case By:
        return v.by;
    case Changes:
        if (!e->differences) {
            return QStringLiteral("first %1 version").arg(fleet::layoutName(v.layout));
        }
        return *e->differences == 0 ? QStringLiteral("none")
                                    : sitetexts::driftText(*e->differences);
    case Reference:
        return v.reference ? QStringLiteral("reference") : QString();
    default:
        return {};
    }
}

QVariant VersionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList titles{QStringLiteral("Version"),  QStringLiteral("Time"),
                                    QStringLiteral("Layout"),   QStringLiteral("Source"),
                                    QStringLiteral("By"),       QStringLiteral("Changes"),
                                    QStringLiteral("Reference")};
    return titles.value(section);
}
