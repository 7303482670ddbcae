// Close Order driven through the main window: the receipt file, the journal record, the kinds,
// the card type keys, the receipt preview and writes that fail.

#include "fake_platform.h"
#include "typing.h"
#include "work_dir.h"

#include "app/app_windows.h"
#include "platform/controls.h"
#include "receipt_preview/form3.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace pos;
using namespace pos::testing;

namespace {

const QByteArray kHeaderLine = "Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann";

struct Counter
{
    Counter()
    {
        dir.write("Header.txt", "\"Shop\"\r\n\"1 Main St\"\r\n");
        dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
        dir.write("return.txt", "\"Returns within 30 days.\r\nKeep this receipt.\"\r\n");
        windows = std::make_unique<AppWindows>(fake.platform(), fake.journal);
        form = std::make_unique<Form1>(fake.platform(), *windows, fake.journal);
        windows->setMainWindow(form.get());
        form->Text8->setText("Ann");
        QTest::mouseClick(form->Command3, Qt::LeftButton);
    }
    void enter(const QString &qty, const QString &description, const QString &price)
    {
        form->txtQty1->setText(qty);
        form->Description1->setEditText(description);
        form->Price1->setText(price);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    }
    void closeOrder() { QTest::mouseClick(form->Command2, Qt::LeftButton); }
    QByteArray journal() const { return dir.read("sales.txt"); }

    Form3 *preview() const { return windows->receiptPreview(); }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<Form1> form;
};

} // namespace

class TestCloseOrder : public QObject
{
    Q_OBJECT

private slots:
    void receiptExampleByteForByte();
    void exemptLineAndPaymentTypes();
    void emptyOrderAndMissingPolicy();
    void kinds_data();
    void kinds();
    void returnWithNegativeAmounts();
    void secondCloseWithoutNewOrder();
    void journalKeepsEarlierSales();
    void cardTypeKeys();
    void previewPrintsOncePerShowing();
    void journalWriteFailureKeepsOrder_data();
    void journalWriteFailureKeepsOrder();
    void receiptWriteFailureKeepsOrder();
    void pastedLineBreakStaysOneJournalLine();
    void shownIsStored();
    void everyStoredBoxIsGuarded();
};

void TestCloseOrder::receiptExampleByteForByte()
{
    Counter c;
    c.enter("2", "Widget", "4.50");
    QTest::keyClicks(c.form->Text6, "10");
    c.closeOrder();

    const QByteArray expected = "Shop\r\n"
                                "1 Main St\r\n"
                                + kHeaderLine
                                + "\r\n"
                                  "2   Widget   4.50   $ 9\r\n"
                                  " \r\n"
                                  " \r\n"
                                  "Subtotal        $9.00\r\n"
                                  "Tax SD6%        $.54\r\n"
                                  "Total           $9.54\r\n"
                                  "Payment Type    Cash\r\n"
                                  "Tendered        10\r\n"
                                  "Change          $.46\r\n"
                                  " \r\n \r\n \r\n"
                                  "\"Returns within 30 days.\r\nKeep this receipt.\"\r\n"
                                  "\r\n";
    QCOMPARE(c.dir.read("reciept.txt"), expected);
    QCOMPARE(c.journal(), "\"" + kHeaderLine + "\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n");

    // The order is closed: Enter disabled, kind back to "Sale", amounts still shown.
    QVERIFY(!c.form->Command1->isEnabled());
    QVERIFY(c.form->Command2->isEnabled());
    QCOMPARE(c.form->defaultButton(), c.form->Command2);
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));
    QCOMPARE(c.form->subt, 0.0);
    QCOMPARE(c.form->Text5->text(), QStringLiteral("$9.54"));
    QCOMPARE(c.form->List1->count(), 12);
}

void TestCloseOrder::exemptLineAndPaymentTypes()
{
    Counter c;
    c.enter("1", "Pen", "1");
    c.form->Check1->setChecked(false);
    c.form->Check3->setChecked(true);
    c.form->Combo3->setFocus();
    QTest::keyClick(c.form->Combo3, Qt::Key_F10);
    c.form->Check4->setChecked(true);
    c.form->Text19->setText("TX-9");
    c.closeOrder();
    const QStringList lines = c.form->List1->items();
    QCOMPARE(lines.mid(9), (QStringList{"Payment Type    Charge MasterCard In-Store Credit", "Exempt #        TX-9",
                                        "Tendered        ", "Change          "}));
    QVERIFY(c.journal().endsWith(",\"Charge MasterCard In-Store Credit\"\r\n"));
}

void TestCloseOrder::emptyOrderAndMissingPolicy()
{
    Counter c;
    QFile::remove(c.dir.filePath("return.txt"));
    c.form->Check1->setChecked(false);
    c.closeOrder();
    // No lines, no payment, no policy: empty amounts and an empty fifth field.
    QCOMPARE(c.journal(), "\"" + kHeaderLine + "\",\"\",\"\",\"\",\"\"\r\n");
    QCOMPARE(
        c.dir.read("reciept.txt"),
        "Shop\r\n1 Main St\r\n" + kHeaderLine
            + "\r\n \r\n \r\nSubtotal        \r\nTax SD6%        \r\n"
              "Total           \r\nPayment Type    \r\nTendered        \r\nChange          \r\n \r\n \r\n \r\n\r\n");
    QVERIFY(c.fake.messages.warnings.isEmpty());
}

void TestCloseOrder::kinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("journaled");
    QTest::newRow("Sale") << "Sale" << true;
    QTest::newRow("Return") << "Return" << true;
    QTest::newRow("Credit") << "Credit" << true;
    QTest::newRow("typed") << "Gift Card" << true;
    QTest::newRow("sale lower case") << "sale" << true;
    QTest::newRow("layaway lower case") << "layaway" << true;
    QTest::newRow("Layaway") << "Layaway" << true;
    QTest::newRow("Proposal") << "Proposal" << false;
    QTest::newRow("Estimate") << "Estimate" << false;
    QTest::newRow("Training") << "Training" << false;
}

void TestCloseOrder::kinds()
{
    QFETCH(QString, kind);
    QFETCH(bool, journaled);
    Counter c;
    c.enter("1", "Widget", "9");
    c.form->Combo2->setEditText(kind);
    c.closeOrder();
    // The receipt is always written and shown; the kind box goes back to "Sale".
    QVERIFY(c.dir.read("reciept.txt").contains("1   Widget   9   $ 9\r\n"));
    QVERIFY(c.preview() && c.preview()->isVisible());
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));
    if (journaled)
        QCOMPARE(c.journal(), "\"" + kHeaderLine + "\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n");
    else
        QVERIFY(!c.dir.exists("sales.txt"));
    QCOMPARE(QDir(c.dir.path()).entryList({"*.lwy"}).size(), kind == "Layaway" ? 1 : 0);
}

void TestCloseOrder::returnWithNegativeAmounts()
{
    Counter c;
    c.form->Combo2->setEditText("Return");
    QTest::mouseClick(c.form->Command3, Qt::LeftButton);
    c.enter("-1", "Widget", "9");
    c.closeOrder();
    QCOMPARE(c.journal(), "\"Reciept# 03-14-200409:05:33      Return   Salesperson: Ann\","
                          "\"-$9.00\",\"-$.54\",\"-$9.54\",\"Cash\"\r\n");
}

void TestCloseOrder::secondCloseWithoutNewOrder()
{
    Counter c;
    c.enter("2", "Widget", "4.50");
    c.form->Text6->setText("10");
    c.closeOrder();
    const QByteArray first = c.journal();
    c.closeOrder();
    // The closing lines are appended again and printed, but the sale is journaled once.
    QCOMPARE(c.form->List1->count(), 4 + 8 + 8);
    QCOMPARE(c.journal(), first);
    const QByteArray receipt = c.dir.read("reciept.txt");
    QCOMPARE(receipt.count("Payment Type    Cash\r\n"), 2);
    // Return presses the Close Order button still holding the default role.
    QCOMPARE(c.form->defaultButton(), c.form->Command2);
}

void TestCloseOrder::journalKeepsEarlierSales()
{
    Counter c;
    const QByteArray earlier =
        "\"Reciept# 01-02-200310:00:00      Sale   Salesperson: Bo\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n";
    c.dir.write("sales.txt", earlier);
    c.enter("1", "Pen", "2");
    c.closeOrder();
    QCOMPARE(c.journal(), earlier + "\"" + kHeaderLine + "\",\"$2.00\",\"$.12\",\"$2.12\",\"Cash\"\r\n");
}

void TestCloseOrder::cardTypeKeys()
{
    Counter c;
    QComboBox *card = c.form->Combo3;
    const QList<QPair<Qt::Key, QString>> keys{
        {Qt::Key_F9, "Visa"}, {Qt::Key_F10, "MasterCard"}, {Qt::Key_F11, "Discover"}, {Qt::Key_F12, "American Ex"}};
    for (const auto &[key, entry] : keys) {
        QTest::keyClick(card, key);
        QCOMPARE(card->currentText(), entry);
        QCOMPARE(card->currentIndex(), keys.indexOf(qMakePair(key, entry)));
    }
    // Other keys leave the selection; text typed by hand stays as typed.
    QTest::keyClick(card, Qt::Key_F5);
    QCOMPARE(card->currentText(), QStringLiteral("American Ex"));
    QTest::mouseClick(c.form->Command3, Qt::LeftButton);
    QTest::keyClicks(card->lineEdit(), "Amex");
    QCOMPARE(card->currentText(), QStringLiteral("Amex"));
}

void TestCloseOrder::previewPrintsOncePerShowing()
{
    Counter c;
    c.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(c.form.get()));
    c.enter("2", "Widget", "4.50");
    c.closeOrder();
    Form3 *preview = c.preview();
    QVERIFY(preview);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    QCOMPARE(c.fake.printer.jobs.size(), 1);
    QCOMPARE(c.fake.printer.jobs.first().text.toLatin1(), c.dir.read("reciept.txt") + "\r\n");
    // Switching windows prints nothing more.
    c.form->activateWindow();
    QTest::qWait(20);
    preview->activateWindow();
    QTest::qWait(20);
    QCOMPARE(c.fake.printer.jobs.size(), 1);

    // New Order hides it; the next close shows and prints the new receipt once.
    QTest::mouseClick(c.form->Command3, Qt::LeftButton);
    QVERIFY(!preview->isVisible());
    c.enter("1", "Pen", "3");
    c.closeOrder();
    QCOMPARE(c.preview(), preview);
    QCOMPARE(c.fake.printer.jobs.size(), 2);
    QVERIFY(c.fake.printer.jobs.at(1).text.contains("1   Pen   3   $ 3"));
    QVERIFY(!c.fake.printer.jobs.at(1).text.contains("Widget"));

    // The close box destroys it; the next close creates it afresh and prints once.
    preview->close();
    QTRY_VERIFY(!c.preview());
    QTest::mouseClick(c.form->Command3, Qt::LeftButton);
    c.enter("1", "Nut", "1");
    c.closeOrder();
    QVERIFY(c.preview());
    QCOMPARE(c.fake.printer.jobs.size(), 3);
}

void TestCloseOrder::journalWriteFailureKeepsOrder_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("told");
    QTest::newRow("a folder in its place") << "folder"
                                           << "a folder has that name";
#ifdef Q_OS_WIN
    QTest::newRow("locked by another program") << "locked"
                                               << "another program has the file open";
#endif
}

void TestCloseOrder::journalWriteFailureKeepsOrder()
{
    QFETCH(QString, cause);
    Counter c;
    // The append cannot succeed: a folder where the journal should be, or (on Windows) another
    // program holding the journal open and shared with no one.
#ifdef Q_OS_WIN
    HANDLE held = INVALID_HANDLE_VALUE;
    if (cause == QLatin1String("locked")) {
        c.dir.write("sales.txt", QByteArray());
        held = ::CreateFileW(reinterpret_cast<const wchar_t *>(c.dir.filePath("sales.txt").utf16()), GENERIC_READ, 0,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
    }
#endif
    if (cause == QLatin1String("folder"))
        QVERIFY(QDir(c.dir.path()).mkdir("sales.txt"));
    c.dir.write("reciept.txt", "the previous sale's receipt\r\n");
    c.enter("2", "Widget", "4.50");
    c.form->Text6->setText("10");
    const QStringList before = c.form->List1->items();
    c.closeOrder();
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    const QString text = c.fake.messages.warnings.first().text;
    QVERIFY2(text.contains("\"sales.txt\"") && text.contains("NOT recorded"), qPrintable(text));
    QFETCH(QString, told);
    QVERIFY2(text.contains(told), qPrintable(text));
    // The order stays open as it was and nothing was printed for it.
    QCOMPARE(c.form->List1->items(), before);
    QVERIFY(c.form->Command1->isEnabled());
    QCOMPARE(c.form->subt, 9.0);
    QVERIFY(c.fake.printer.jobs.isEmpty());
    QVERIFY(!c.preview());
    // The unrecorded sale's receipt did not replace the previous one.
    QCOMPARE(c.dir.read("reciept.txt"), QByteArray("the previous sale's receipt\r\n"));

    // Once the cause is gone the same order closes as a first close would.
    if (cause == QLatin1String("folder"))
        QVERIFY(QDir(c.dir.path()).rmdir("sales.txt"));
#ifdef Q_OS_WIN
    if (held != INVALID_HANDLE_VALUE)
        ::CloseHandle(held);
#endif
    c.closeOrder();
    QCOMPARE(c.journal(), "\"" + kHeaderLine + "\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n");
    QCOMPARE(c.dir.read("reciept.txt").count("Payment Type"), 1);
    QCOMPARE(c.fake.printer.jobs.size(), 1);
}

void TestCloseOrder::receiptWriteFailureKeepsOrder()
{
    Counter c;
    QVERIFY(QDir(c.dir.path()).mkdir("reciept.txt"));
    c.enter("1", "Widget", "9");
    c.closeOrder();
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    QVERIFY(c.fake.messages.warnings.first().text.contains("\"reciept.txt\""));
    QVERIFY(!c.dir.exists("sales.txt"));
    QCOMPARE(c.form->List1->count(), 4);
    QVERIFY(c.fake.printer.jobs.isEmpty());
}

void TestCloseOrder::pastedLineBreakStaysOneJournalLine()
{
    Counter c;
    c.form->Text8->clear();
    QApplication::clipboard()->setText(QStringLiteral("Ann\r\nSmith"));
    c.form->Text8->paste();
    QCOMPARE(c.form->Text8->text(), QStringLiteral("Ann  Smith"));
    QTest::mouseClick(c.form->Command3, Qt::LeftButton);
    c.enter("1", "Pen", "2");
    c.closeOrder();
    // One record on one line, its header naming the salesperson as the box shows her.
    const QByteArray journal = c.journal();
    QCOMPARE(journal.count("\r\n"), 1);
    QCOMPARE(journal.count('\n'), 1);
    QVERIFY(journal.startsWith("\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann  Smith\",\"$2.00\""));
}

void TestCloseOrder::shownIsStored()
{
    Counter c;
    c.form->Description1->lineEdit()->clear();
    typeText(c.form->Description1->lineEdit(), QString::fromUtf8("Mug \U0001F600"));
    QCOMPARE(c.form->Description1->currentText(), QStringLiteral("Mug ?"));
    c.form->Price1->setText("3");
    QTest::mouseClick(c.form->Command1, Qt::LeftButton);
    QCOMPARE(c.form->List1->item(3), QStringLiteral("1   Mug ?   3   $ 3"));
    c.closeOrder();
    QVERIFY(c.dir.read("reciept.txt").contains("\r\n1   Mug ?   3   $ 3\r\n"));
}

void TestCloseOrder::everyStoredBoxIsGuarded()
{
    // Each box whose text reaches the receipt or a file: a pasted line break becomes a blank,
    // a character the code page cannot hold a "?".
    Counter c;
    Form1 &f = *c.form;
    const QString typed = QString::fromUtf8("a\nb\t\u20ac\u0100");
    const QString kept = QString::fromUtf8("a b \u20ac?");
    const QList<QLineEdit *> boxes{f.Text8,
                                   f.txtQty1,
                                   f.Price1,
                                   f.Text9,
                                   f.Text19,
                                   f.Text6,
                                   f.Combo2->lineEdit(),
                                   f.Description1->lineEdit(),
                                   f.Combo3->lineEdit(),
                                   f.Combo4->lineEdit()};
    for (QLineEdit *box : boxes) {
        box->clear();
        QApplication::clipboard()->setText(typed);
        box->paste();
        QCOMPARE(box->text(), kept);
        box->setText(typed);
        QCOMPARE(box->text(), kept);
    }
}

QTEST_MAIN(TestCloseOrder)
#include "test_close_order.moc"
