#include "dialogs/ExchangeTable.h"

#include "link/ByteMeaning.h"
#include "session/LineLog.h"

namespace {

QString outcomeShown(const lnk::ExchangeResult& r)
{
    QString text = session::outcomeText(r);
    if (!r.ok() && !r.detail.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(r.detail);
    }
    return text;
}

QString cell(const lnk::ExchangeResult& r, int column)
{
    switch (column) {
    case ExchangeTable::Time:
        return r.startedAt.toString(QStringLiteral("HH:mm:ss.zzz"));
    case ExchangeTable::Port:
        return r.port;
    case ExchangeTable::Reaches:
        return r.target;
    case ExchangeTable::Exchange:
        return lnk::kindName(r.kind, r.command);
    case ExchangeTable::Outcome:
        return outcomeShown(r);
    case ExchangeTable::Out:
        return lnk::hexBytes(r.sent);
    case ExchangeTable::In:
        // Bytes dropped while waiting for a quiet line came before the request: shown first,
        // marked, so they are never read as part of the reply.
        return r.dropped.isEmpty() ? lnk::hexBytes(r.received)
                                   : QStringLiteral("dropped: %1 | %2")
                                         .arg(lnk::hexBytes(r.dropped), lnk::hexBytes(r.received));
    default:
        return {};
    }
}

} // namespace

ExchangeTable::ExchangeTable(const session::LineLog& log, QObject* parent)
    : QAbstractTableModel(parent), m_log(log), m_rows(static_cast<int>(log.exchanges().size()))
{
    connect(&log, &session::LineLog::appended, this, &ExchangeTable::onAppended);
}

int ExchangeTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ExchangeTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ExchangeTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    return cell(exchange(index.row()), index.column());
}

QVariant ExchangeTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList kHeaders{QStringLiteral("Time"),    QStringLiteral("Port"),
                                      QStringLiteral("Reaches"), QStringLiteral("Exchange"),
                                      QStringLiteral("Outcome"), QStringLiteral("Out"),
                                      QStringLiteral("In")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kHeaders.size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return kHeaders[section];
}

const lnk::ExchangeResult& ExchangeTable::exchange(int row) const
{
    return m_log.exchanges()[static_cast<std::size_t>(row)];
}

void ExchangeTable::onAppended()
{
    // The log has already taken the new exchange, and dropped its oldest when full: the views
    // learn of the drop first, so every row they keep still names the same exchange.
    const int now = static_cast<int>(m_log.exchanges().size());
    if (now <= m_rows) {
        beginRemoveRows({}, 0, m_rows - now);
        m_rows = now - 1;
        endRemoveRows();
    }
    beginInsertRows({}, m_rows, m_rows);
    ++m_rows;
    endInsertRows();
}
