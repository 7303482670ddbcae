#include "platform/uniform_list_view.h"

#include "platform/accessibility.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace pos {

UniformListView::UniformListView(QWidget *parent)
    : QAbstractItemView(parent)
{
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    installAccessibleInterfaces();
}

void UniformListView::setModel(QAbstractItemModel *newModel)
{
    for (const auto &connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    QAbstractItemView::setModel(newModel);
    if (newModel) {
        m_connections = {
            connect(newModel, &QAbstractItemModel::rowsRemoved, this, &UniformListView::rowsChanged),
            connect(newModel, &QAbstractItemModel::modelReset, this, &UniformListView::rowsChanged),
            connect(newModel, &QAbstractItemModel::layoutChanged, this, &UniformListView::rowsChanged),
        };
    }
    rowsChanged();
}

void UniformListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    rowsChanged();
}

void UniformListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QAbstractItemView::currentChanged(current, previous);
    announceCurrentRow();
}

void UniformListView::focusInEvent(QFocusEvent *event)
{
    const QModelIndex before = currentIndex();
    QAbstractItemView::focusInEvent(event);
    // A row the focus makes current is announced as it becomes current.
    if (before.isValid() && before == currentIndex())
        announceCurrentRow();
}

void UniformListView::announceCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (!QAccessible::isActive() || !hasFocus() || !current.isValid())
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(current.row());
    QAccessible::updateAccessibility(&event);
}

void UniformListView::rowsChanged()
{
    updateGeometries();
    viewport()->update();
}

int UniformListView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformListView::topRow() const
{
    return verticalScrollBar()->value();
}

int UniformListView::visibleRows() const
{
    return std::max(1, viewport()->height() / std::max(1, m_rowHeight));
}

int UniformListView::rowAt(int y) const
{
    if (y < 0)
        return -1;
    const qint64 row = qint64(topRow()) + y / std::max(1, m_rowHeight);
    return row < rowCount() ? int(row) : -1;
}

QRect UniformListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.parent() != rootIndex())
        return {};
    const qint64 y = (qint64(index.row()) - topRow()) * m_rowHeight;
    // Rows far from the viewport lie outside any widget coordinate: they are not visible.
    if (y < -m_rowHeight || y > viewport()->height())
        return QRect(0, y < 0 ? -2 * m_rowHeight : viewport()->height() + m_rowHeight, viewport()->width(),
                     m_rowHeight);
    return QRect(0, int(y), viewport()->width(), m_rowHeight);
}

void UniformListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const int shown = visibleRows();
    int top = topRow();
    switch (hint) {
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - shown + 1;
        break;
    case PositionAtCenter:
        top = row - shown / 2;
        break;
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + shown)
            top = row - shown + 1;
        break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex UniformListView::indexAt(const QPoint &point) const
{
    const int row = rowAt(point.y());
    return row < 0 || !model() ? QModelIndex() : model()->index(row, 0, rootIndex());
}

QModelIndex UniformListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = rowCount();
    if (rows == 0 || !model())
        return {};
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    int next = row;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        next = row < 0 ? 0 : row - 1;
        break;
    case MoveDown:
    case MoveNext:
        next = row + 1;
        break;
    case MovePageUp:
        next = row - visibleRows();
        break;
    case MovePageDown:
        next = row < 0 ? visibleRows() - 1 : row + visibleRows();
        break;
    case MoveHome:
        next = 0;
        break;
    case MoveEnd:
        next = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    next = std::clamp(next, 0, rows - 1);
    return model()->index(next, 0, rootIndex());
}

int UniformListView::horizontalOffset() const
{
    return 0;
}

int UniformListView::verticalOffset() const
{
    return int(std::min<qint64>(qint64(topRow()) * m_rowHeight, INT_MAX));
}

bool UniformListView::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void UniformListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!model() || !selectionModel())
        return;
    const QRect area = rect.normalized();
    const int rows = rowCount();
    int first = rowAt(std::max(0, area.top()));
    int last = rowAt(area.bottom());
    if (first < 0)
        return;
    if (last < 0)
        last = rows - 1;
    const QItemSelection selection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion UniformListView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const int top = topRow();
    const int bottom = top + visibleRows();
    for (const QItemSelectionRange &range : selection) {
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first > last)
            continue;
        region += QRect(0, (first - top) * m_rowHeight, viewport()->width(), (last - first + 1) * m_rowHeight);
    }
    return region;
}

void UniformListView::updateGeometries()
{
    // Every row is as high as the first; an empty list measures a line of its font.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int height = 0;
    if (model() && rowCount() > 0 && itemDelegate())
        height = itemDelegate()->sizeHint(option, model()->index(0, 0, rootIndex())).height();
    m_rowHeight = std::max(1, height > 0 ? height : fontMetrics().height());

    const int rows = rowCount();
    const int shown = visibleRows();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setRange(0, std::max(0, rows - shown));
    QAbstractItemView::updateGeometries();
}

void UniformListView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void UniformListView::paintEvent(QPaintEvent *event)
{
    if (!model())
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int rows = rowCount();
    const int top = topRow();
    const int first = top + std::max(0, event->rect().top()) / m_rowHeight;
    const int last = std::min<qint64>(qint64(top) + event->rect().bottom() / m_rowHeight, rows - 1);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem rowOption = option;
        rowOption.rect = QRect(0, (row - top) * m_rowHeight, viewport()->width(), m_rowHeight);
        if (selectionModel() && selectionModel()->isSelected(index))
            rowOption.state |= QStyle::State_Selected;
        if (focused && index == current)
            rowOption.state |= QStyle::State_HasFocus;
        itemDelegate()->paint(&painter, rowOption, index);
    }
}

} // namespace pos
