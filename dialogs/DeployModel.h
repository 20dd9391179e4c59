#pragma once

#include "fleet/Deploy.h"

#include <QAbstractTableModel>

// The deploy window's table: one row per site of the plan with what the deploy would change
// there, and, once the run is under way, how the site ended.
class DeployModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Site,
        Differences,
        Change,
        Outcome,
        ColumnCount
    };

    explicit DeployModel(QObject* parent = nullptr);

    void setPlan(const fleet::DeployPlan& plan);
    void clear();
    void setSending(const QString& site);
    void setDone(const fleet::SiteDeploy& site);
    int rowOf(const QString& site) const;
    QString text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        QString site;
        QString differences;
        QString change;
        QString outcome;
        bool bad = false; // ended other than verified: marked in colour as well as in words
    };
    void setOutcome(int row, const QString& text, bool bad);

    QList<Row> m_rows;
};

namespace deploytexts {

// "3 differences", "1 difference", "same values", "no version yet", "nothing to revert to",
// "not sent (REASON)", "skipped (REASON)".
QString differencesText(const fleet::DeployTarget& target);
// "Bass release 120 → 140, Density 90 → 60": each differing member by its caption.
QString changeText(const QList<session::Difference>& differences);
// "3 verified, 1 failed, 4 not sent": the outcomes the run had, in a fixed order.
QString countsText(const fleet::DeployReport& report);

} // namespace deploytexts
