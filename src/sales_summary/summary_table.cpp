#include "sales_summary/summary_table.h"

#include "core/formats/numbers.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace pos {

namespace {

QString money(qint64 cents)
{
    return formatMoney(double(cents) / 100);
}

// The figure of a column after the bar's, in the order of summaryColumnTitles.
qint64 figure(const SummaryFigures &f, int column)
{
    const auto pay = [&f](PaymentGroup g) { return f.payment[size_t(g)]; };
    switch (column) {
    case 2:
        return f.sales;
    case 3:
        return f.gross;
    case 4:
        return f.tax;
    case 5:
        return f.total;
    case 6:
        return f.untaxed;
    case 7:
        return f.returns;
    case 8:
        return pay(PaymentGroup::Cash);
    case 9:
        return pay(PaymentGroup::Cheque);
    case 10:
        return pay(PaymentGroup::Charge);
    case 11:
        return pay(PaymentGroup::InStoreCredit);
    case 12:
        return pay(PaymentGroup::Mixed);
    default:
        return pay(PaymentGroup::None) + pay(PaymentGroup::Other);
    }
}

} // namespace

void SummaryTable::setRows(std::vector<SummaryRow> rows, SummaryRowsBy by)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_by = by;
    m_titles = summaryColumnTitles(by);
    m_titles.insert(kBarColumn, QStringLiteral("Total bar"));
    m_widest = 0;
    for (const SummaryRow &row : m_rows)
        if (row.kind != SummaryRow::Totals)
            m_widest = std::max(m_widest, std::abs(row.figures.total));
    endResetModel();
}

int SummaryTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SummaryTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_titles.size());
}

QString SummaryTable::cellText(int row, int column) const
{
    const SummaryRow &r = m_rows[size_t(row)];
    if (column == 0)
        return r.label;
    if (column == kBarColumn)
        return QStringLiteral("Total %1").arg(money(r.figures.total));
    if (column == 2)
        return QString::number(r.figures.sales);
    return money(figure(r.figures, column));
}

QString SummaryTable::rowDescription(int row) const
{
    QStringList parts;
    for (int column = 2; column < columnCount(); ++column)
        parts << m_titles[column] + QLatin1Char(' ') + cellText(row, column);
    return m_rows[size_t(row)].label + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QVariant SummaryTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SummaryRow &row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == kBarColumn ? QVariant() : QVariant(cellText(index.row(), index.column()));
    case Qt::AccessibleTextRole:
        return cellText(index.row(), index.column());
    case Qt::AccessibleDescriptionRole:
        return rowDescription(index.row());
    case Qt::ToolTipRole:
        return index.column() == kBarColumn ? QVariant(cellText(index.row(), index.column())) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(int(Qt::AlignLeft | Qt::AlignVCenter))
                                   : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    case Qt::FontRole:
        if (row.kind == SummaryRow::Totals) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case BarRole:
        if (row.kind == SummaryRow::Totals || m_widest == 0)
            return 0.0;
        return double(row.figures.total) / double(m_widest);
    default:
        return {};
    }
}

QVariant SummaryTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_titles.size() ? QVariant(m_titles[section]) : QVariant();
    return section >= 0 && section < rowCount() ? QVariant(m_rows[size_t(section)].label) : QVariant();
}

void BarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const double share = index.data(SummaryTable::BarRole).toDouble();
    if (share == 0)
        return;
    const QRect room = option.rect.adjusted(3, 3, -3, -3);
    QRect bar = room;
    bar.setWidth(std::max(1, int(room.width() * std::abs(share))));
    painter->save();
    if (share > 0) {
        painter->fillRect(bar, QColor(0, 102, 153));
    } else {
        painter->fillRect(bar, QColor(204, 0, 0));
        painter->fillRect(bar, QBrush(Qt::white, Qt::BDiagPattern));
        painter->setPen(QColor(204, 0, 0));
        painter->drawRect(bar.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize BarDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == SummaryTable::kBarColumn)
        size.setWidth(std::max(size.width(), 120));
    return size;
}

} // namespace pos
