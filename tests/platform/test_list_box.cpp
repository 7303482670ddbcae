// The list box's sorted mode: list order, lines put in their place one by one, and a list
// switched to sorted mode.

#include "platform/controls.h"

#include "core/formats/file_limits.h"

#include <QComboBox>
#include <QStringListModel>
#include <QTest>

using namespace pos;

class TestListBox : public QObject
{
    Q_OBJECT

private slots:
    void listOrder_data();
    void listOrder();
    void linesAddedOneByOneKeepOrder_data() { listOrder_data(); }
    void linesAddedOneByOneKeepOrder();
    void setItemMovesLine();
    void unsortedKeepsOrder();
    void removeAndSelection();
    void longLinesShowTheirStart();
};

void TestListBox::listOrder_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("case ignored") << QStringList{"widget", "Bolt", "anchor", "Crate"}
                                  << QStringList{"anchor", "Bolt", "Crate", "widget"};
    QTest::newRow("empty first") << QStringList{"b", "", "a", ""} << QStringList{"", "", "a", "b"};
    QTest::newRow("differing in case only: first come first")
        << QStringList{"PEN", "pen", "Nib", "Pen"} << QStringList{"Nib", "PEN", "pen", "Pen"};
    QTest::newRow("prefix before longer")
        << QStringList{"Bolts", "bolt", "Bolt 10"} << QStringList{"bolt", "Bolt 10", "Bolts"};
    QTest::newRow("accented letters") << QStringList{"\u00C9clair", "\u00E9clair", "Eclair"}
                                      << QStringList{"Eclair", "\u00C9clair", "\u00E9clair"};
    QTest::newRow("none") << QStringList{} << QStringList{};
}

void TestListBox::listOrder()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, sorted);
    sortInListOrder(lines);
    QCOMPARE(lines, sorted);

    ListBox box;
    box.setSorted(true);
    box.setItems(lines);
    QCOMPARE(box.items(), sorted);
}

void TestListBox::linesAddedOneByOneKeepOrder()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, sorted);
    ListBox box;
    box.setSorted(true);
    for (const QString &line : lines)
        box.addItem(line);
    QCOMPARE(box.items(), sorted);

    // Switching a filled list to sorted mode sorts it.
    ListBox later;
    later.setItems(lines);
    later.setSorted(true);
    QCOMPARE(later.items(), sorted);
}

void TestListBox::setItemMovesLine()
{
    ListBox box;
    box.setSorted(true);
    box.setItems({"a", "b", "c"});
    box.setItem(0, "d");
    QCOMPARE(box.items(), (QStringList{"b", "c", "d"}));
}

void TestListBox::unsortedKeepsOrder()
{
    ListBox box;
    box.setItems({"b", "a"});
    box.addItem("");
    box.setItem(0, "z");
    QCOMPARE(box.items(), (QStringList{"z", "a", ""}));
}

void TestListBox::removeAndSelection()
{
    ListBox box;
    box.setItems({"a", "b", "c"});
    QCOMPARE(box.selectedRow(), -1);
    box.setCurrentIndex(box.stringModel()->index(1));
    QCOMPARE(box.selectedRow(), 1);
    box.removeItem(1);
    box.removeItem(7); // no such line: nothing happens
    box.removeItem(-1);
    QCOMPARE(box.items(), (QStringList{"a", "c"}));
}

// A list box and a drop-down measure (and paint) a line longer than they show as its first
// characters and "…"; the line itself stays whole.
void TestListBox::longLinesShowTheirStart()
{
    const QString shown = QString(kLongestShownLine, QLatin1Char('W')) + QChar(0x2026);
    ListBox box;
    box.setItems({QString(kLongestField, QLatin1Char('W')), shown, shown.chopped(1)});
    QComboBox dropDown;
    makeEditableDropDown(&dropDown);
    setDropDownItems(&dropDown, box.items());
    QStyleOptionViewItem option;
    option.initFrom(&box);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(&box), dropDown.view()}) {
        const auto width = [&](int row) {
            return view->itemDelegate()->sizeHint(option, view->model()->index(row, 0)).width();
        };
        QCOMPARE(width(0), width(1));
        QVERIFY(width(1) > width(2));
        QCOMPARE(view->model()->index(0, 0).data().toString().size(), kLongestField);
    }
}

QTEST_MAIN(TestListBox)
#include "test_list_box.moc"
