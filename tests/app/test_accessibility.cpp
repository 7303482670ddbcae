// Every control a user can reach has a name for assistive technology: its caption, the label
// that captions it, or a name of its own where no caption stands beside it. Every window is a
// window named by its caption, and the sales report's columns are lists whose rows a screen
// reader reads, the current row followed as it moves.

#include "fake_platform.h"
#include "window_by_name.h"
#include "work_dir.h"

#include "inventory/form8.h"
#include "receipt_preview/form3.h"
#include "sales_report/entry_list.h"
#include "sales_report/form4.h"
#include "sales_terminal/form1.h"
#include "settings/form2.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <QWidget>

#include <memory>
#include <tuple>

using namespace pos;
using namespace pos::testing;

namespace {

// The controls of the window that take the focus, with the name a screen reader gives them.
QStringList unnamedControls(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(window))
            continue;
        // The viewport and scroll bars of a box belong to the box.
        if (control->inherits("QScrollBar") || control->objectName() == QLatin1String("qt_scrollarea_viewport"))
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
        const QString name = accessible ? accessible->text(QAccessible::Name) : QString();
        if (name.trimmed().isEmpty())
            unnamed << (control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                        : control->objectName());
    }
    return unnamed;
}

// The lists below the node in the accessible tree, by name, with the texts of their rows.
QMap<QString, QStringList> accessibleLists(QAccessibleInterface *node)
{
    QMap<QString, QStringList> lists;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child)
            continue;
        if (child->role() != QAccessible::List) {
            lists.insert(accessibleLists(child));
            continue;
        }
        QStringList rows;
        for (int r = 0; r < child->childCount(); ++r) {
            QAccessibleInterface *row = child->child(r);
            if (row->role() == QAccessible::ListItem && child->indexOfChild(row) == r)
                rows << row->text(QAccessible::Name);
        }
        lists.insert(child->text(QAccessible::Name), rows);
    }
    return lists;
}

QByteArray sale(const QByteArray &key, const QByteArray &subtotal, const QByteArray &tax, const QByteArray &total)
{
    return "\"" + key + "\",\"" + subtotal + "\",\"" + tax + "\",\"" + total + "\",\"Cash\"\r\n";
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void namesOfBoxesWithoutCaption();
    void reportColumnsAreListsOfRows();
};

void TestAccessibility::everyControlIsNamed_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Form1") << "Form1"
                           << "Corvalane Point-Of-Sale - BETA";
    QTest::newRow("Form2") << "Form2"
                           << "Settings";
    QTest::newRow("Form3") << "Form3"
                           << "Receipt Preview";
    QTest::newRow("Form4") << "Form4"
                           << "Sales Report";
    QTest::newRow("Form8") << "Form8"
                           << "Quick Inventory Manager";
}

void TestAccessibility::everyControlIsNamed()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    const std::unique_ptr<QWidget> form = makeWindow(window, fake.platform(), windows, fake.journal);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const QStringList unnamed = unnamedControls(form.get());
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    // The window itself is a window, named by its caption.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(form.get());
    QCOMPARE(accessible->role(), QAccessible::Window);
    QCOMPARE(accessible->text(QAccessible::Name), caption);
}

void TestAccessibility::namesOfBoxesWithoutCaption()
{
    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    Form1 form1(fake.platform(), windows, fake.journal);
    Form2 form2(fake.platform());
    Form4 form4(fake.platform(), fake.journal);
    auto name = [](QWidget *control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    QCOMPARE(name(form1.Text8), QStringLiteral("Salesperson"));
    QCOMPARE(name(form1.Text9), QStringLiteral("Cheque number"));
    QCOMPARE(name(form1.txtQty1), QStringLiteral("Qty"));
    QCOMPARE(name(form1.Text6), QStringLiteral("Tendered"));
    // A drop-down is read by its name, its text being its value, and so is the text box in it.
    const QList<std::tuple<QComboBox *, const char *, const char *>> dropDowns{
        {form1.Combo2, "Order kind", "Sale"},    {form1.Combo3, "Card type", ""}, {form1.Combo4, "Tax rate", ""},
        {form1.Description1, "Description", ""}, {form2.Combo4, "Tax1 in %", ""},
    };
    for (const auto &[dropDown, dropDownName, value] : dropDowns) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(dropDown);
        QCOMPARE(accessible->role(), QAccessible::ComboBox);
        QCOMPARE(accessible->text(QAccessible::Name), QString::fromUtf8(dropDownName));
        QCOMPARE(accessible->text(QAccessible::Value), QString::fromUtf8(value));
        QCOMPARE(name(dropDown->lineEdit()), QString::fromUtf8(dropDownName));
        QCOMPARE(accessible->indexOfChild(QAccessible::queryAccessibleInterface(dropDown->lineEdit())), 1);
    }
    QCOMPARE(name(form4.Text11), QStringLiteral("Discrepency"));
    QCOMPARE(name(form4.List1), QStringLiteral("Gross Sales"));
}

void TestAccessibility::reportColumnsAreListsOfRows()
{
    WorkDir dir;
    dir.write("sales.txt", sale("R1", "$9.00", "$.54", "$9.54") + sale("R2", "$10.00", "$.00", "$10.00")
                               + sale("R3", "$1,234.50", "$80.24", "$1,314.74")
                               + sale("R4", "-$12.50", "-$.75", "-$13.25"));
    FakePlatform fake;
    Form4 form(fake.platform(), fake.journal);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&form);
    const QMap<QString, QStringList> lists{
        {"Gross Sales", {"9.00", "1234.50", "-12.50"}},
        {"Net Sales", {"9.54", "1314.74", "-13.25"}},
        {"Sales Tax", {".54", "80.24", "-.75"}},
    };
    QCOMPARE(accessibleLists(window), lists);

    // The row the keys move to is the list's focused child, read as the screen reader reads it.
    QAccessibleInterface *column = QAccessible::queryAccessibleInterface(form.List3);
    form.List3->setFocus(); // the first row becomes the current one
    // Read out alone, a row tells its sale: its place and its three amounts.
    const QString descriptions[] = {
        QStringLiteral("Sale 2 of 3: Gross Sales 1234.50, Sales Tax 80.24, Net Sales 1314.74"),
        QStringLiteral("Sale 3 of 3: Gross Sales -12.50, Sales Tax -.75, Net Sales -13.25")};
    for (const auto &[key, row, text] :
         {std::tuple{Qt::Key_Down, 1, "1314.74"}, std::tuple{Qt::Key_End, 2, "-13.25"}}) {
        const QString &description = descriptions[row - 1];
        QTest::keyClick(form.List3, key);
        QAccessibleInterface *current = column->focusChild();
        QVERIFY(current);
        QCOMPARE(column->indexOfChild(current), row);
        QCOMPARE(current->text(QAccessible::Name), QString::fromLatin1(text));
        QCOMPARE(current->text(QAccessible::Description), description);
        QVERIFY(current->state().focused && current->state().selected);
        QVERIFY(column->rect().contains(current->rect()));
        QCOMPARE(column->childAt(current->rect().center().x(), current->rect().center().y()), current);
    }
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
