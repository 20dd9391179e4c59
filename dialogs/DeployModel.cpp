#include "dialogs/DeployModel.h"

#include "dialogs/SiteTexts.h"

#include <QBrush>

namespace deploytexts {

namespace {

// A member as its slider or menu item names it, without the menu's access key mark.
QString caption(model::Member m)
{
    const std::string_view s = model::info(m).meaning;
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()))
        .remove(QLatin1Char('&'))
        .trimmed();
}

} // namespace

QString differencesText(const fleet::DeployTarget& target)
{
    if (target.skipped) {
        return QStringLiteral("skipped (%1)").arg(target.notSent);
    }
    if (!target.notSent.isEmpty()) {
        return QStringLiteral("not sent (%1)").arg(target.notSent);
    }
    if (target.nothingToRevert) {
        return QStringLiteral("nothing to revert to");
    }
    if (!target.differences) {
        return QStringLiteral("no version yet");
    }
    if (target.differences->isEmpty()) {
        return QStringLiteral("same values");
    }
    return session::differencesWord(target.differences->size());
}

QString changeText(const QList<session::Difference>& differences)
{
    QStringList parts;
    for (const session::Difference& d : differences) {
        parts.append(QStringLiteral("%1 %2 \u2192 %3").arg(caption(d.member)).arg(d.a).arg(d.b));
    }
    return parts.join(QStringLiteral(", "));
}

QString countsText(const fleet::DeployReport& report)
{
    using O = fleet::DeployOutcome;
    QStringList parts;
    for (const O o : {O::Verified, O::NotVerified, O::OtherBlock, O::Failed, O::NotSent,
                      O::NothingToRevert, O::Skipped}) {
        if (const int n = report.count(o); n > 0) {
            parts.append(QStringLiteral("%1 %2").arg(n).arg(fleet::outcomeWord(o)));
        }
    }
    return parts.isEmpty() ? QStringLiteral("no sites") : parts.join(QStringLiteral(", "));
}

} // namespace deploytexts

DeployModel::DeployModel(QObject* parent) : QAbstractTableModel(parent) {}

void DeployModel::setPlan(const fleet::DeployPlan& plan)
{
    beginResetModel();
    m_rows.clear();
    for (const fleet::DeployTarget& t : plan.sites) {
        Row row;
        row.site = t.site.name;
        row.differences = deploytexts::differencesText(t);
        if (t.differences && t.notSent.isEmpty()) {
            row.change = deploytexts::changeText(*t.differences);
        }
        m_rows.append(row);
    }
    endResetModel();
}

void DeployModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int DeployModel::rowOf(const QString& site) const
{
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].site.compare(site, Qt::CaseInsensitive) == 0) {
            return r;
        }
    }
    return -1;
}

void DeployModel::setOutcome(int row, const QString& text, bool bad)
{
    if (row < 0) {
        return;
    }
    m_rows[row].outcome = text;
    m_rows[row].bad = bad;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void DeployModel::setSending(const QString& site)
{
    setOutcome(rowOf(site), QStringLiteral("sending..."), false);
}

void DeployModel::setDone(const fleet::SiteDeploy& site)
{
    const bool bad = !site.ok() && site.outcome != fleet::DeployOutcome::Skipped &&
                     site.outcome != fleet::DeployOutcome::NothingToRevert;
    setOutcome(rowOf(site.site), fleet::outcomeText(site), bad);
}

QString DeployModel::text(int row, int column) const
{
    return data(index(row, column), Qt::DisplayRole).toString();
}

int DeployModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DeployModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeployModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& row = m_rows[index.row()];
    if (role == Qt::BackgroundRole) {
        return row.bad ? QVariant(QBrush(sitetexts::kFailedBackground)) : QVariant();
    }
    if (role == Qt::ForegroundRole) {
        return row.bad ? QVariant(QBrush(Qt::black)) : QVariant();
    }
    if (role == Qt::ToolTipRole && index.column() == Change) {
        return row.change;
    }
    if (role == Qt::ToolTipRole && index.column() == Outcome) {
        return row.outcome;
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    switch (index.column()) {
    case Site:
        return row.site;
    case Differences:
        return row.differences;
    case Change:
        return row.change;
    case Outcome:
        return row.outcome;
    default:
        return {};
    }
}

QVariant DeployModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case Site:
        return QStringLiteral("Site");
    case Differences:
        return QStringLiteral("Differences");
    case Change:
        return QStringLiteral("Now \u2192 Deploy");
    case Outcome:
        return QStringLiteral("Outcome");
    default:
        return {};
    }
}
