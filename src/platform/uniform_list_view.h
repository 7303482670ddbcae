#pragma once

#include <QAbstractItemView>

namespace pos {

// A list box over a list model whose rows all have one height, for lists of a million lines:
// where a row is, which row is at a point and how far the list scrolls are worked out from the
// row number alone, so that neither showing nor scrolling the list costs more with more rows
// (a QListView lays every row out once). It scrolls by rows, selects one row at a time and
// moves with the arrow, page, Home and End keys as a list box does; a row's text is asked of
// the model only while the row is shown, or when assistive technology reads it (accessibility.h:
// the view is a list of its rows, and the current row is announced as it moves).
class UniformListView : public QAbstractItemView
{
    Q_OBJECT
public:
    explicit UniformListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

    // The first row shown.
    int topRow() const;
    // The height of every row, in pixels.
    int rowHeight() const { return m_rowHeight; }
    // How many rows the viewport shows whole (at least one).
    int visibleRows() const;

protected slots:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    // Tells assistive technology which row is current, when the list has the focus.
    void announceCurrentRow();
    // Rows came or went: the scrolling range follows.
    void rowsChanged();
    int rowCount() const;
    int rowAt(int y) const;

    int m_rowHeight = 16;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace pos
