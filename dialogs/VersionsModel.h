#pragma once

#include "fleet/History.h"

#include <QAbstractTableModel>

// A site's versions, one row each, oldest first; the reference of each layout marked in words
// and in bold.
class VersionsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Number,
        Time,
        Layout,
        Source,
        By,
        Changes,
        Reference,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit VersionsModel(QObject* parent = nullptr);

    void setEntries(const QList<fleet::HistoryEntry>& entries);
    const QList<fleet::HistoryEntry>& entries() const { return m_entries; }
    const fleet::HistoryEntry* entry(int row) const;
    int rowOf(int version) const;
    // The version before this one of the same layout, if any.
    const fleet::HistoryEntry* previous(int version) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<fleet::HistoryEntry> m_entries;
};
