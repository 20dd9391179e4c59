#pragma once

#include "fleet/DeployRecord.h"

#include <QAbstractTableModel>

// The past deploys, newest first, one row each, and the sites of the one chosen.
class DeploysModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Id,
        Time,
        By,
        Source,
        Note,
        Sites,
        ColumnCount
    };

    explicit DeploysModel(QObject* parent = nullptr);

    void setRuns(const QList<fleet::DeployRecord>& runs);
    const fleet::DeployRecord* run(int row) const;
    int rowOf(qint64 id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<fleet::DeployRecord> m_runs;
};

class DeploySitesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Site,
        Outcome,
        Before,
        After,
        ColumnCount
    };

    explicit DeploySitesModel(QObject* parent = nullptr);

    void setSites(const QList<fleet::DeploySiteRecord>& sites);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<fleet::DeploySiteRecord> m_sites;
};

namespace deploytexts {

// "2 verified, 1 failed": how the run's sites stand, in a fixed order.
QString stateCountsText(const QList<fleet::DeploySiteRecord>& sites);
// "failed: MESSAGE", "not sent (stopped after west)", "verified".
QString stateText(const fleet::DeploySiteRecord& site);

} // namespace deploytexts
