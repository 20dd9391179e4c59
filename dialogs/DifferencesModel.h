#pragma once

#include "session/Comparison.h"

#include <QAbstractTableModel>

// Two sides of a site's values, member by member: only the differing ones unless every compared
// member is asked for. Differing rows are marked in colour and in words.
class DifferencesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Parameter,
        A,
        B,
        Mark,
        ColumnCount
    };

    explicit DifferencesModel(QObject* parent = nullptr);

    void setSides(const session::CarriedValues& a, const session::CarriedValues& b,
                  const QString& aTitle, const QString& bTitle);
    void clear();
    void setShowAll(bool all);
    int differences() const { return m_differences; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        model::Member member;
        int a = 0;
        int b = 0;
    };
    void rebuild();

    std::optional<session::CarriedValues> m_a;
    std::optional<session::CarriedValues> m_b;
    QString m_aTitle = QStringLiteral("A");
    QString m_bTitle = QStringLiteral("B");
    bool m_showAll = false;
    QList<Row> m_rows;
    int m_differences = 0;
};
