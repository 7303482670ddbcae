// Every control a user can reach has a name for assistive technology: its caption, the label
// that captions it, or a name of its own where no caption stands beside it.

#include "fake_platform.h"
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
#include <QTest>
#include <QWidget>

#include <memory>

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
        // The text box inside an editable drop-down is named with the drop-down.
        if (control->parentWidget() && control->parentWidget()->inherits("QComboBox"))
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

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void namesOfBoxesWithoutCaption();
};

void TestAccessibility::everyControlIsNamed_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window : {"Form1", "Form2", "Form3", "Form4", "Form8"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

void TestAccessibility::everyControlIsNamed()
{
    QFETCH(QString, window);
    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    std::unique_ptr<QWidget> form;
    if (window == QLatin1String("Form1"))
        form = std::make_unique<Form1>(fake.platform(), windows);
    else if (window == QLatin1String("Form2"))
        form = std::make_unique<Form2>(fake.platform());
    else if (window == QLatin1String("Form3"))
        form = std::make_unique<Form3>(fake.platform());
    else if (window == QLatin1String("Form4"))
        form = std::make_unique<Form4>(fake.platform());
    else
        form = std::make_unique<Form8>(fake.platform());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const QStringList unnamed = unnamedControls(form.get());
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestAccessibility::namesOfBoxesWithoutCaption()
{
    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    Form1 form1(fake.platform(), windows);
    Form2 form2(fake.platform());
    Form4 form4(fake.platform());
    auto name = [](QWidget *control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    QCOMPARE(name(form1.Text8), QStringLiteral("Salesperson"));
    QCOMPARE(name(form1.Text9), QStringLiteral("Cheque number"));
    // On Linux a drop-down's accessible name is its text, and its caption is told by the
    // labelled-by relation; the name it is given stands for it elsewhere.
    QCOMPARE(form1.Combo3->accessibleName(), QStringLiteral("Card type"));
    QCOMPARE(form1.Combo2->accessibleName(), QStringLiteral("Order kind"));
    QCOMPARE(name(form1.txtQty1), QStringLiteral("Qty"));
    QCOMPARE(name(form1.Text6), QStringLiteral("Tendered"));
    QCOMPARE(form2.Combo4->accessibleName(), QStringLiteral("Tax1 in %"));
    QCOMPARE(name(form4.Text11), QStringLiteral("Discrepency"));
    QCOMPARE(name(form4.List1), QStringLiteral("Gross Sales"));
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
