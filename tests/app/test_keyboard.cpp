// The whole order cycle without a mouse: the focus order, the default button and the card type
// keys carry a clerk through a sale paid by card and through a layaway and its payment, with
// the keys alone.

#include "fake_platform.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "platform/controls.h"
#include "receipt_preview/form3.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

struct Counter
{
    Counter()
    {
        dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
        dir.write("return.txt", "\"Keep this receipt.\"\r\n");
        windows = std::make_unique<AppWindows>(fake.platform(), fake.journal);
        form = std::make_unique<Form1>(fake.platform(), *windows, fake.journal);
        windows->setMainWindow(form.get());
        form->show();
        form->activateWindow();
    }

    QWidget *focus() const { return QApplication::focusWidget(); }

    // The keys go where the focus is, as a keyboard's do.
    void type(const QString &text) { QTest::keyClicks(focus(), text); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(focus(), key, modifiers); }
    void tabTo(QWidget *target, int most = 40)
    {
        for (int i = 0; i < most && focus() != target; ++i)
            key(Qt::Key_Tab);
    }
    // Back to the main window from the receipt preview (Alt+Tab, which the window manager
    // handles, outside the program).
    void activateAgain(QWidget &window)
    {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    // Selects the box's text and types over it.
    void retype(const QString &text)
    {
        key(Qt::Key_A, Qt::ControlModifier);
        type(text);
    }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<Form1> form;
};

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void saleByKeysAlone();
    void layawayAndPaymentByKeysAlone();
};

void TestKeyboard::saleByKeysAlone()
{
    Counter c;
    QVERIFY(QTest::qWaitForWindowActive(c.form.get()));
    Form1 &f = *c.form;

    // The salesperson, reached by Tab.
    c.tabTo(f.Text8);
    QCOMPARE(c.focus(), f.Text8);
    c.type("Ann");
    // New Order by Tab and Space on its button: the quantity then has the focus, its 1 chosen.
    c.tabTo(f.Command3);
    c.key(Qt::Key_Space);
    QCOMPARE(c.focus(), f.txtQty1);

    // Quantity, Tab, description, Tab, price, Return: Enter is the default button.
    c.type("2");
    c.key(Qt::Key_Tab);
    c.type("Widget");
    c.key(Qt::Key_Tab);
    c.type("4.50");
    c.key(Qt::Key_Return);
    QCOMPARE(f.List1->model()->index(1, 0).data().toString(), QStringLiteral("2   Widget   4.50   $ 9"));
    QCOMPARE(c.focus(), f.txtQty1);
    // The second line: Enter is no longer the default, so Tab reaches its button.
    c.type("1");
    c.key(Qt::Key_Tab);
    c.type("Pen");
    c.key(Qt::Key_Tab);
    c.type("0.99");
    c.tabTo(f.Command1);
    c.key(Qt::Key_Space);
    QCOMPARE(f.Text5->text(), QStringLiteral("$10.59"));

    // Paid by card: Charge checked with Space, which takes the focus to the card type, where
    // F10 picks MasterCard; Cash unchecked.
    c.tabTo(f.Check1);
    c.key(Qt::Key_Space);
    QVERIFY(!f.Check1->isChecked());
    c.tabTo(f.Check3);
    c.key(Qt::Key_Space);
    QVERIFY(f.Check3->isChecked());
    QCOMPARE(c.focus(), f.Combo3);
    c.key(Qt::Key_F10);
    QCOMPARE(f.Combo3->currentText(), QStringLiteral("MasterCard"));

    // Tendered: typing makes Close Order the default button, and Return closes the order.
    c.tabTo(f.Text6);
    c.type("20");
    QCOMPARE(f.Text7->text(), QStringLiteral("$9.41"));
    c.key(Qt::Key_Return);
    QCOMPARE(c.dir.read("sales.txt"), QByteArray("\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\","
                                                 "\"$9.99\",\"$.60\",\"$10.59\",\"Charge MasterCard\"\r\n"));
    QVERIFY(c.windows->receiptPreview() && c.windows->receiptPreview()->isVisible());
    QCOMPARE(c.fake.printer.jobs.size(), 1);
}

void TestKeyboard::layawayAndPaymentByKeysAlone()
{
    Counter c;
    QVERIFY(QTest::qWaitForWindowActive(c.form.get()));
    Form1 &f = *c.form;

    // The kind is typed into its box: "Layaway", then New Order.
    c.tabTo(f.Combo2);
    c.retype("Layaway");
    c.tabTo(f.Text8);
    c.type("Bo");
    c.tabTo(f.Command3);
    c.key(Qt::Key_Space);
    c.type("1");
    c.key(Qt::Key_Tab);
    c.type("Tent");
    c.key(Qt::Key_Tab);
    c.type("9");
    c.key(Qt::Key_Return);
    c.tabTo(f.Text6);
    c.type("5");
    c.fake.clock.time = QDateTime(QDate(2004, 3, 14), QTime(9, 30, 10));
    c.key(Qt::Key_Return);
    QVERIFY(c.dir.exists("03142004093010Bo.lwy"));
    QVERIFY(c.dir.read("03142004093010Bo.lwy").startsWith("4.54\r\n"));

    // The payment: the kind typed again, New Order asks for the file (answered by the dialog
    // the keyboard works too), and the balance is paid off.
    c.fake.dialogs.fileAnswers << c.dir.filePath("03142004093010Bo.lwy");
    c.activateAgain(f);
    c.tabTo(f.Combo2);
    c.retype("Layaway Payment");
    c.tabTo(f.Command3);
    c.key(Qt::Key_Space);
    QCOMPARE(f.Text2->text(), QStringLiteral("$4.54"));
    c.tabTo(f.Text6);
    c.type("4.54");
    c.key(Qt::Key_Return);
    QVERIFY(c.dir.read("03142004093010Bo.lwy").startsWith("0\r\n"));
    // The payment is not journaled: the journal holds the layaway's sale only.
    QCOMPARE(c.dir.read("sales.txt").count("\r\n"), 1);
}

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
