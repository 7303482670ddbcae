#include "sales_report/entry_list.h"

#include <climits>
#include <utility>

namespace pos {

EntryListModel::EntryListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int EntryListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(qMin<qsizetype>(m_column.size(), INT_MAX));
}

QVariant EntryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_column.shown(index.row());
    if (role == Qt::AccessibleDescriptionRole && m_describe)
        return m_describe(index.row());
    return {};
}

void EntryListModel::setColumn(EntryColumn column)
{
    beginResetModel();
    m_column = std::move(column);
    endResetModel();
}

void EntryListModel::append(const EntryColumn &more)
{
    const int first = rowCount();
    const qsizetype last = qMin<qsizetype>(m_column.size() + more.size(), INT_MAX) - 1;
    if (last < first) {
        m_column.append(more);
        return;
    }
    beginInsertRows({}, first, int(last));
    m_column.append(more);
    endInsertRows();
}

void EntryListModel::clear()
{
    beginResetModel();
    m_column.clear();
    endResetModel();
}

EntryList::EntryList(QWidget *parent)
    : UniformListView(parent)
    , m_model(new EntryListModel(this))
{
    setModel(m_model);
}

int EntryList::count() const
{
    return m_model->rowCount();
}

QString EntryList::item(int row) const
{
    return m_model->data(m_model->index(row)).toString();
}

} // namespace pos
