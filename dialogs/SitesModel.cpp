#include "dialogs/SitesModel.h"

#include "dialogs/SiteTexts.h"

#include <QBrush>
#include <QFont>

SitesModel::SitesModel(QObject* parent) : QAbstractTableModel(parent) {}

void SitesModel::setSites(const QList<fleet::Site>& sites)
{
    bool same = sites.size() == m_sites.size();
    for (qsizetype i = 0; same && i < sites.size(); ++i) {
        same = sites[i].name == m_sites[i].name;
    }
    if (!same) {
        beginResetModel();
        m_sites = sites;
        indexRows();
        endResetModel();
        return;
    }
    m_sites = sites;
    if (!m_sites.isEmpty()) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

bool SitesModel::updateSite(const fleet::Site& site)
{
    const int row = rowOf(site.name);
    if (row < 0) {
        return false;
    }
    m_sites[row] = site;
    rowChanged(row);
    return true;
}

void SitesModel::setRunning(const QStringList& names, bool running)
{
    for (const QString& name : names) {
        const bool changed = running ? !m_running.contains(name.toCaseFolded())
                                     : m_running.remove(name.toCaseFolded());
        if (running) {
            m_running.insert(name.toCaseFolded());
        }
        // Only the rows that change: the view repaints those, not the table.
        if (const int row = rowOf(name); changed && row >= 0) {
            rowChanged(row);
        }
    }
}

int SitesModel::rowOf(const QString& name) const
{
    return m_rows.value(name.toCaseFolded(), -1);
}

void SitesModel::indexRows()
{
    m_rows.clear();
    for (qsizetype i = 0; i < m_sites.size(); ++i) {
        m_rows.insert(m_sites[i].name.toCaseFolded(), static_cast<int>(i));
    }
}

void SitesModel::rowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int SitesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_sites.size());
}

int SitesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SitesModel::display(const fleet::Site& site, int column, const QDateTime& now) const
{
    switch (column) {
    case Name:
        return site.name;
    case Port:
        return site.port;
    case Group:
        return site.group;
    case State:
        return sitetexts::stateText(site, running(site.name));
    case LastBackup:
        return sitetexts::whenText(site.status.lastSuccess, now);
    case LastChange:
        return sitetexts::whenText(site.status.lastChange, now);
    case Drift:
        return sitetexts::driftText(site.status.drift);
    default:
        return {};
    }
}

QVariant SitesModel::sortValue(const fleet::Site& site, int column) const
{
    const auto time = [](const std::optional<QDateTime>& t) {
        return t ? t->toSecsSinceEpoch() : qint64(0);
    };
    switch (column) {
    case Name:
    case Port:
    case Group:
        return display(site, column, {}).toString().toCaseFolded();
    case State:
        // Trouble first when sorted ascending: failed, running, never backed up, ok.
        return sitetexts::failed(site)    ? 0
               : running(site.name)       ? 1
               : !site.status.lastSuccess ? 2
                                          : 3;
    case LastBackup:
        return time(site.status.lastSuccess);
    case LastChange:
        return time(site.status.lastChange);
    case Drift:
        return site.status.drift.value_or(-1);
    default:
        return {};
    }
}

QVariant SitesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const fleet::Site& site = m_sites[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return display(site, index.column(), m_clock());
    case Qt::ToolTipRole:
        return index.column() == State ? display(site, State, m_clock()) : QVariant();
    case SortRole:
        return sortValue(site, index.column());
    case Qt::AccessibleTextRole:
        // The first cell speaks for its row; the others read as they show.
        return index.column() == Name ? sitetexts::rowText(site, running(site.name), m_clock())
                                      : display(site, index.column(), m_clock());
    case Qt::BackgroundRole:
        if (sitetexts::failed(site) && !running(site.name)) {
            return QBrush(sitetexts::kFailedBackground);
        }
        if (sitetexts::drifted(site)) {
            return QBrush(sitetexts::kDriftBackground);
        }
        return {};
    case Qt::ForegroundRole:
        // Dark text on the light marks, whatever the desktop's palette.
        if ((sitetexts::failed(site) && !running(site.name)) || sitetexts::drifted(site)) {
            return QBrush(Qt::black);
        }
        return {};
    case Qt::FontRole:
        if ((index.column() == State && sitetexts::failed(site)) ||
            (index.column() == Drift && sitetexts::drifted(site))) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant SitesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList titles{QStringLiteral("Site"),        QStringLiteral("Port"),
                                    QStringLiteral("Group"),       QStringLiteral("State"),
                                    QStringLiteral("Last backup"), QStringLiteral("Last change"),
                                    QStringLiteral("Drift")};
    return titles.value(section);
}
