// The whole order cycle without a mouse: the focus order, the default button and the card type
// keys carry a clerk through a sale paid by card and through a layaway and its payment, with
// the keys alone. Keys that type nothing: Tab in a multi-line box moves on, a letter with Alt
// is an access key or nothing, F10 reaches the menu bar.

#include "fake_platform.h"
#include "window_by_name.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "platform/controls.h"
#include "platform/text_guard.h"
#include "receipt_preview/form3.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
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
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus(), key, modifiers);
    }
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

// What a box holds, whatever its kind.
QString shownText(QWidget *box)
{
    if (auto *line = qobject_cast<QLineEdit *>(box))
        return line->text();
    if (auto *dropDown = qobject_cast<QComboBox *>(box))
        return dropDown->currentText();
    return boxText(qobject_cast<QPlainTextEdit *>(box));
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void saleByKeysAlone();
    void layawayAndPaymentByKeysAlone();
    void keysThatTypeNothing_data();
    void keysThatTypeNothing();
    void accessKeysUnderlinedWhileAltHeld();
    void quantityChosenWhenFocusReturns_data();
    void quantityChosenWhenFocusReturns();
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

void TestKeyboard::keysThatTypeNothing_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("menu"); // the menu the key opens, if any
    QTest::addColumn<bool>("leaves");  // the focus leaves the box
    const int none = Qt::NoModifier;
    const int alt = Qt::AltModifier;
    QTest::newRow("Return Policy, Tab") << "Form2"
                                        << "Text1" << int(Qt::Key_Tab) << none << "" << true;
    QTest::newRow("Return Policy, Shift+Tab")
        << "Form2"
        << "Text1" << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << "" << true;
    // The preview's box is its window's one control: the focus comes round to it again.
    QTest::newRow("Receipt Preview, Tab") << "Form3"
                                          << "Text1" << int(Qt::Key_Tab) << none << "" << false;
    QTest::newRow("Return Policy, Alt+S") << "Form2"
                                          << "Text1" << int(Qt::Key_S) << alt << "" << false;
    QTest::newRow("Tax1 rate, Alt+X") << "Form2"
                                      << "Combo4" << int(Qt::Key_X) << alt << "" << false;
    QTest::newRow("Header line, Alt+1") << "Form2"
                                        << "Text2" << int(Qt::Key_1) << alt << "" << false;
    QTest::newRow("Tendered, Alt+Q") << "Form1"
                                     << "Text6" << int(Qt::Key_Q) << alt << "" << false;
    QTest::newRow("Tendered, Alt+F opens File") << "Form1"
                                                << "Text6" << int(Qt::Key_F) << alt << "file" << false;
    QTest::newRow("Quantity, Alt+R opens Reports") << "Form1"
                                                   << "txtQty1" << int(Qt::Key_R) << alt << "reports" << false;
    QTest::newRow("Description, Alt+M opens Manage") << "Form1"
                                                     << "Description1" << int(Qt::Key_M) << alt << "manage" << false;
    QTest::newRow("Price, F10 reaches the menu bar") << "Form1"
                                                     << "Price1" << int(Qt::Key_F10) << none << "file" << false;
}

void TestKeyboard::keysThatTypeNothing()
{
    QFETCH(QString, window);
    QFETCH(QString, box);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, menu);
    QFETCH(bool, leaves);
    WorkDir dir;
    FakePlatform fake;
    RecordingWindows others;
    const std::unique_ptr<QWidget> form = makeWindow(window, fake.platform(), others, fake.journal);
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    auto *target = form->findChild<QWidget *>(box);
    QVERIFY(target);
    target->setFocus();
    QTest::keyClicks(target, QStringLiteral("12"));
    const QString before = shownText(target);
    QCOMPARE(before.right(2), QStringLiteral("12"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(shownText(target), before);
    if (menu.isEmpty()) {
        QCOMPARE(QApplication::focusWidget() != target, leaves);
        for (QMenu *other : form->findChildren<QMenu *>())
            QVERIFY2(!other->isVisible(), qPrintable(other->objectName()));
    } else {
        auto *opened = form->findChild<QMenu *>(menu);
        QVERIFY(opened);
        QTRY_VERIFY(opened->isVisible());
        opened->hide();
    }
}

void TestKeyboard::accessKeysUnderlinedWhileAltHeld()
{
    Counter c;
    QVERIFY(QTest::qWaitForWindowActive(c.form.get()));
    QMenuBar *bar = c.form->menuBar();
    // The captions read as before; the access key is on each first letter.
    QStringList captions;
    for (QAction *menu : bar->actions())
        captions << menu->text();
    QCOMPARE(captions, (QStringList{"&File", "&Reports", "&Manage"}));
    const auto underlined = [bar] { return bar->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, bar) != 0; };

    QVERIFY(!underlined());
    QTest::keyPress(c.focus(), Qt::Key_Alt, Qt::AltModifier);
    QVERIFY(underlined());
    // Alt let go alone reaches the bar, which keeps its underlines while in use; Escape leaves it.
    QTest::keyRelease(c.focus(), Qt::Key_Alt, Qt::AltModifier);
    QCOMPARE(bar->activeAction(), c.form->file->menuAction());
    QVERIFY(underlined());
    QTest::keyClick(bar, Qt::Key_Escape);
    QVERIFY(!bar->activeAction());
    QVERIFY(!underlined());
}

void TestKeyboard::quantityChosenWhenFocusReturns_data()
{
    // The menu's access key (its first item, Return, opens the other window), or none for a
    // message box over the main window.
    QTest::addColumn<QString>("menuKey");
    QTest::newRow("Reports, Sales") << "r";
    QTest::newRow("File, Settings") << "f";
    QTest::newRow("Manage, Quick Inventory") << "m";
    QTest::newRow("a message box") << "";
}

void TestKeyboard::quantityChosenWhenFocusReturns()
{
    QFETCH(QString, menuKey);
    Counter c;
    QVERIFY(QTest::qWaitForWindowActive(c.form.get()));
    Form1 &f = *c.form;
    // The caret put after the "1" by a click, as a clerk's mouse may leave it.
    QCOMPARE(f.txtQty1->text(), QStringLiteral("1"));
    f.txtQty1->deselect();
    f.txtQty1->end(false);

    if (menuKey.isEmpty()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Note"), QStringLiteral("A note."), QMessageBox::Ok,
                        &f);
        box.open();
        // Given the focus, as a desktop gives it to a message box.
        box.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &box);
        QTest::keyClick(&box, Qt::Key_Return);
        QTRY_VERIFY(!box.isVisible());
    } else {
        c.key(Qt::Key(Qt::Key_A + (menuKey.at(0).unicode() - 'a')), Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        QWidget *other = nullptr;
        QTRY_VERIFY((other = QApplication::activeWindow()) && other != &f);
        other->close();
    }
    c.activateAgain(f);
    QTRY_COMPARE(c.focus(), f.txtQty1);
    // 2, Tab, Duct Tape, Tab, 4.99, Return: two rolls, not twelve.
    c.type("2");
    c.key(Qt::Key_Tab);
    c.type("Duct Tape");
    c.key(Qt::Key_Tab);
    c.type("4.99");
    c.key(Qt::Key_Return);
    QCOMPARE(f.List1->model()->index(1, 0).data().toString(), QStringLiteral("2   Duct Tape   4.99   $ 9.98"));

    // After Enter the next "1" is chosen again when the focus comes back; a quantity the clerk
    // typed is left as typed.
    f.txtQty1->end(false);
    f.Price1->setFocus();
    f.txtQty1->setFocus(Qt::OtherFocusReason);
    QCOMPARE(f.txtQty1->selectedText(), QStringLiteral("1"));
    c.type("3");
    f.txtQty1->end(false);
    f.Price1->setFocus();
    f.txtQty1->setFocus(Qt::OtherFocusReason);
    QVERIFY(!f.txtQty1->hasSelectedText());
    QCOMPARE(f.txtQty1->text(), QStringLiteral("3"));
}

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
