// The list box for a million rows: it behaves as a list (scrolling, selection, keys) and asks
// its model only for the rows it shows.

#include "platform/uniform_list_view.h"

#include <QAbstractListModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace pos;

namespace {

// Rows "row 0", "row 1"... counting what the view asks for.
class CountingModel : public QAbstractListModel
{
public:
    explicit CountingModel(int rows)
        : m_rows(rows)
    {
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole) {
            ++displayed;
            return QStringLiteral("row %1").arg(index.row());
        }
        return {};
    }
    void setRows(int rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    void appendRows(int more)
    {
        beginInsertRows({}, m_rows, m_rows + more - 1);
        m_rows += more;
        endInsertRows();
    }
    mutable int displayed = 0;

private:
    int m_rows;
};

// A view of the model, shown at 200 by 200 pixels.
struct Shown
{
    explicit Shown(QAbstractItemModel &model)
    {
        view.setModel(&model);
        view.resize(200, 200);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }
    UniformListView view;
    bool exposed = false;
};

} // namespace

class TestUniformListView : public QObject
{
    Q_OBJECT

private slots:
    void millionRowsAskOnlyForShownRows();
    void scrollsByRows();
    void clickSelectsOneRow();
    void keysMoveTheSelection();
    void emptyAndGrowingModel();
};

void TestUniformListView::millionRowsAskOnlyForShownRows()
{
    CountingModel model(1000000);
    Shown shown(model);
    QVERIFY(shown.exposed);
    UniformListView &view = shown.view;
    view.viewport()->repaint();
    const int rows = view.visibleRows();
    QVERIFY(rows >= 5);
    // The rows shown (and the first, measured for the row height), not a million.
    QVERIFY2(model.displayed < 10 * (rows + 2), qPrintable(QString::number(model.displayed)));
    QCOMPARE(view.verticalScrollBar()->maximum(), 1000000 - rows);
    QCOMPARE(view.indexAt(QPoint(5, 1)).row(), 0);
}

void TestUniformListView::scrollsByRows()
{
    CountingModel model(1000);
    Shown shown(model);
    QVERIFY(shown.exposed);
    UniformListView &view = shown.view;
    const int h = view.rowHeight();
    view.scrollTo(model.index(500, 0));
    QCOMPARE(view.topRow(), 500 - view.visibleRows() + 1);
    QCOMPARE(view.indexAt(QPoint(5, h / 2)).row(), view.topRow());
    QCOMPARE(view.visualRect(model.index(view.topRow() + 2, 0)).top(), 2 * h);
    view.scrollTo(model.index(10, 0), QAbstractItemView::PositionAtTop);
    QCOMPARE(view.topRow(), 10);
    // The wheel scrolls a few rows.
    QWheelEvent wheel(QPointF(5, 5), view.viewport()->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &wheel);
    QVERIFY(view.topRow() > 10);
    // Past the end it stops at the last page.
    view.scrollTo(model.index(999, 0));
    QCOMPARE(view.topRow(), 1000 - view.visibleRows());
}

void TestUniformListView::clickSelectsOneRow()
{
    CountingModel model(100);
    Shown shown(model);
    QVERIFY(shown.exposed);
    UniformListView &view = shown.view;
    const int h = view.rowHeight();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, 3 * h + h / 2));
    QCOMPARE(view.currentIndex().row(), 3);
    QCOMPARE(view.selectionModel()->selectedIndexes().size(), 1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, h / 2));
    QCOMPARE(view.selectionModel()->selectedIndexes(), QModelIndexList{model.index(0, 0)});
    // Below the last row nothing is chosen.
    CountingModel few(2);
    view.setModel(&few);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, 6 * h));
    QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
}

void TestUniformListView::keysMoveTheSelection()
{
    CountingModel model(1000);
    Shown shown(model);
    QVERIFY(shown.exposed);
    UniformListView &view = shown.view;
    view.setFocus();
    view.setCurrentIndex(model.index(0, 0));
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.currentIndex().row(), 2);
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.currentIndex().row(), 1);
    QTest::keyClick(&view, Qt::Key_PageDown);
    QCOMPARE(view.currentIndex().row(), 1 + view.visibleRows());
    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(view.currentIndex().row(), 999);
    QCOMPARE(view.topRow(), 1000 - view.visibleRows());
    QVERIFY(view.selectionModel()->isSelected(model.index(999, 0)));
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.currentIndex().row(), 999);
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(view.currentIndex().row(), 0);
    QCOMPARE(view.topRow(), 0);
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.currentIndex().row(), 0);
}

void TestUniformListView::emptyAndGrowingModel()
{
    CountingModel model(0);
    Shown shown(model);
    QVERIFY(shown.exposed);
    UniformListView &view = shown.view;
    QVERIFY(!view.indexAt(QPoint(5, 5)).isValid());
    QTest::keyClick(&view, Qt::Key_Down);
    QVERIFY(!view.currentIndex().isValid());
    QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    QVERIFY(view.rowHeight() > 0);

    model.appendRows(500);
    QCoreApplication::processEvents();
    QCOMPARE(view.verticalScrollBar()->maximum(), 500 - view.visibleRows());
    model.setRows(3);
    QCoreApplication::processEvents();
    QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    QCOMPARE(view.indexAt(QPoint(5, view.rowHeight() * 2 + 1)).row(), 2);
}

QTEST_MAIN(TestUniformListView)
#include "test_uniform_list_view.moc"
