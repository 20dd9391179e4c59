#pragma once

#include "fleet/StoreTypes.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QSet>

#include <functional>

// The sites of the store, one row each, as the Sites window shows them. The sort role gives
// each column's raw value (times, drift counts), so the proxy sorts by time, not by text.
class SitesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Name,
        Port,
        Group,
        State,
        LastBackup,
        LastChange,
        Drift,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit SitesModel(QObject* parent = nullptr);

    // Rows keep their place when the same sites come back (selection survives a refresh).
    void setSites(const QList<fleet::Site>& sites);
    // One site's row after it was recorded; false when no row shows it.
    bool updateSite(const fleet::Site& site);
    void setRunning(const QStringList& names, bool running);
    bool running(const QString& name) const { return m_running.contains(name.toCaseFolded()); }

    const QList<fleet::Site>& sites() const { return m_sites; }
    int rowOf(const QString& name) const;
    // For tests and the benchmark's screenshots: the time ages are counted to.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant display(const fleet::Site& site, int column, const QDateTime& now) const;
    QVariant sortValue(const fleet::Site& site, int column) const;
    void rowChanged(int row);
    void indexRows();

    QList<fleet::Site> m_sites;
    QHash<QString, int> m_rows; // case-folded name -> row
    QSet<QString> m_running;    // case-folded names
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTimeUtc(); };
};
