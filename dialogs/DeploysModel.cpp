#include "dialogs/DeploysModel.h"

#include "session/Comparison.h"

#include <algorithm>

namespace deploytexts {

QString stateCountsText(const QList<fleet::DeploySiteRecord>& sites)
{
    using S = fleet::DeployState;
    QStringList parts;
    for (const S s : {S::Verified, S::NotVerified, S::OtherBlock, S::Failed, S::NotSent,
                      S::NothingToRevert, S::Sending, S::Waiting}) {
        const auto n =
            std::count_if(sites.begin(), sites.end(),
                          [s](const fleet::DeploySiteRecord& r) { return r.state == s; });
        if (n > 0) {
            parts.append(QStringLiteral("%1 %2").arg(n).arg(fleet::deployStateName(s)));
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString stateText(const fleet::DeploySiteRecord& site)
{
    const QString name = fleet::deployStateName(site.state);
    switch (site.state) {
    case fleet::DeployState::Failed:
        return QStringLiteral("%1: %2").arg(name, site.detail);
    case fleet::DeployState::NotSent:
        return site.detail.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, site.detail);
    case fleet::DeployState::NotVerified:
        return QStringLiteral("%1 (%2)").arg(name, session::differencesWord(site.differences));
    default:
        return name;
    }
}

} // namespace deploytexts

namespace {

QString versionText(const std::optional<int>& v)
{
    return v ? QString::number(*v) : QStringLiteral("none");
}

} // namespace

DeploysModel::DeploysModel(QObject* parent) : QAbstractTableModel(parent) {}

void DeploysModel::setRuns(const QList<fleet::DeployRecord>& runs)
{
    beginResetModel();
    m_runs = runs;
    endResetModel();
}

const fleet::DeployRecord* DeploysModel::run(int row) const
{
    return row >= 0 && row < m_runs.size() ? &m_runs[row] : nullptr;
}

int DeploysModel::rowOf(qint64 id) const
{
    for (int r = 0; r < m_runs.size(); ++r) {
        if (m_runs[r].id == id) {
            return r;
        }
    }
    return -1;
}

int DeploysModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_runs.size());
}

int DeploysModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeploysModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_runs.size() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    const fleet::DeployRecord& r = m_runs[index.row()];
    switch (index.column()) {
    case Id:
        return QString::number(r.id);
    case Time: {
        const QString when = r.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        // A run with no end is running, or was killed half-way.
        return r.ended ? when : QStringLiteral("%1 (no end recorded)").arg(when);
    }
    case By:
        return r.by;
    case Source:
        return QStringLiteral("%1 (%2)").arg(r.source, fleet::layoutName(r.layout));
    case Note:
        return r.note;
    case Sites:
        return deploytexts::stateCountsText(r.sites);
    default:
        return {};
    }
}

QVariant DeploysModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList titles{QStringLiteral("Id"),   QStringLiteral("Time"),
                                    QStringLiteral("By"),   QStringLiteral("Source"),
                                    QStringLiteral("Note"), QStringLiteral("Sites")};
    return section >= 0 && section < titles.size() ? titles[section] : QVariant();
}

DeploySitesModel::DeploySitesModel(QObject* parent) : QAbstractTableModel(parent) {}

void DeploySitesModel::setSites(const QList<fleet::DeploySiteRecord>& sites)
{
    beginResetModel();
    m_sites = sites;
    endResetModel();
}

int DeploySitesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_sites.size());
}

int DeploySitesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeploySitesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_sites.size() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    const fleet::DeploySiteRecord& s = m_sites[index.row()];
    switch (index.column()) {
    case Site:
        return s.site;
    case Outcome:
        return deploytexts::stateText(s);
    case Before:
        return versionText(s.before);
    case After:
        return versionText(s.after);
    default:
        return {};
    }
}

QVariant DeploySitesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList titles{QStringLiteral("Site"), QStringLiteral("Outcome"),
                                    QStringLiteral("Version before"),
                                    QStringLiteral("Version after")};
    return section >= 0 && section < titles.size() ? titles[section] : QVariant();
}
