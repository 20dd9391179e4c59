#pragma once

#include <QAbstractTableModel>

namespace lnk {
struct ExchangeResult;
}
namespace session {
class LineLog;
}

// The session's line log as rows of the line monitor: the log keeps the exchanges, this only
// shows them, and follows the log as it grows and drops its oldest.
class ExchangeTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Time,
        Port,
        Reaches,
        Exchange,
        Outcome,
        Out,
        In,
        ColumnCount,
    };

    explicit ExchangeTable(const session::LineLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const lnk::ExchangeResult& exchange(int row) const;

private:
    void onAppended();

    const session::LineLog& m_log;
    int m_rows = 0; // the rows the views know of
};
