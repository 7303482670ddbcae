#pragma once

// The Sales Summary's table: its rows as a model whose columns are named for assistive
// technology, and the delegate that draws each row's Total as a bar.

#include "core/report/sales_summary.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <vector>

namespace pos {

class SummaryTable final : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The bar's share of the widest bar, -1 to 1, negative for a negative Total.
    static constexpr int BarRole = Qt::UserRole + 1;
    // The column of the bars, after the first.
    static constexpr int kBarColumn = 1;

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<SummaryRow> rows, SummaryRowsBy by);
    const std::vector<SummaryRow> &rows() const { return m_rows; }
    SummaryRowsBy rowsBy() const { return m_by; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The cell as shown (the bar column: its Total in words).
    QString cellText(int row, int column) const;
    // "03-14-2004: 3 sales, Gross $30.00, ..." for a screen reader.
    QString rowDescription(int row) const;

private:
    std::vector<SummaryRow> m_rows;
    SummaryRowsBy m_by = SummaryRowsBy::Period;
    QStringList m_titles;
    qint64 m_widest = 0;
};

// Draws BarRole as a bar from the cell's left edge: positive Totals solid, negative ones red
// and hatched, so that they are told apart without colour too.
class BarDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace pos
