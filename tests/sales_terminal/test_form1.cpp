// The main window driven by its named controls: start-up, menus, New Order, line entry,
// running totals, tendered and change.

#include "control_items.h"
#include "fake_platform.h"
#include "work_dir.h"

#include "platform/controls.h"
#include "sales_terminal/form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

const QByteArray kHeader = "\"Shop\"\r\n\"1 Main St\"\r\n\"Phone 555\"\r\n";
const QByteArray kTax = "\"6\",\"1\",\"5\"\r\n";

struct Terminal
{
    explicit Terminal(bool withFiles = true)
    {
        if (withFiles) {
            dir.write(QStringLiteral("Header.txt"), kHeader);
            dir.write(QStringLiteral("tax.txt"), kTax);
            dir.write(QStringLiteral("inventory.dat"), "\"Widget\"\r\n\"Bolt, 10 mm\"\r\n\"\"\r\n\"Pen\",\"Nut\"\r\n");
        }
    }
    Form1 &open()
    {
        form = std::make_unique<Form1>(fake.platform(), windows, fake.journal);
        return *form;
    }
    // Types one line into the entry row and clicks Enter.
    void enter(const QString &qty, const QString &description, const QString &price)
    {
        form->txtQty1->setText(qty);
        form->Description1->setEditText(description);
        form->Price1->setText(price);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    }

    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    std::unique_ptr<Form1> form;
};

QColor textColour(const QLineEdit *box)
{
    return box->palette().color(QPalette::Text);
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void windowControlsAndMenus();
    void geometryInTwips();
    void tabOrder();
    void startUpFillsDropDownAndOpensOrder();
    void startUpWithMissingFiles();
    void unusableSettingsAreTold_data();
    void unusableSettingsAreTold();
    void newOrderHeaderLineAndReset();
    void newOrderKeepsSalespersonAndHeaderKind();
    void lineEntryAndTotals_data();
    void lineEntryAndTotals();
    void secondLineAddsUp();
    void lineBeyondRangeRefused_data();
    void lineBeyondRangeRefused();
    void entryRowResetAfterEnter();
    void returnKeyEntersFirstLineOnly();
    void changeFollowsTendered_data();
    void changeFollowsTendered();
    void changeColourUnchangedAtZero();
    void doubleClickTendersTotal();
    void tenderedBeforeFirstLineUsesPreviousTotal();
    void focusHandlers();
    void editorMenus();
    void windowMenus();
    void exitAndCloseEndProgram();
};

void TestForm1::windowControlsAndMenus()
{
    Terminal t;
    Form1 &f = t.open();
    QCOMPARE(f.objectName(), QStringLiteral("Form1"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Corvalane Point-Of-Sale - BETA"));

    const QList<QPair<QString, QString>> captions{
        {"Label4", "Qty"},           {"Label5", "Description"},     {"Label6", "Price"},     {"Command3", "New Order"},
        {"Command2", "Close Order"}, {"Command1", "Enter"},         {"Check1", "Cash"},      {"Check2", "Cheque"},
        {"Check3", "Charge"},        {"Check4", "In-Store Credit"}, {"Label20", "Exempt #"}, {"Label1", "Subtotal"},
        {"Label2", "Tax"},           {"Label3", "Total"},           {"Label7", "Tendered"},  {"Label8", "Change"}};
    for (const auto &[name, caption] : captions) {
        QWidget *w = f.findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        const QString text = w->property("text").toString();
        QCOMPARE(text, caption);
    }
    QCOMPARE(f.findChild<QGroupBox *>("Frame2")->title(), QStringLiteral("Payment Type"));
    QCOMPARE(f.findChild<QGroupBox *>("Frame1")->title(), QStringLiteral("Tax"));
    for (const char *name : {"Combo2", "Text8", "List1", "txtQty1", "Description1", "Price1", "Text9", "Combo3",
                             "Combo4", "Text19", "Text2", "Text3", "Text5", "Text6", "Text7"})
        QVERIFY2(f.findChild<QWidget *>(name), name);

    QCOMPARE(comboItems(f.Combo2), (QStringList{"Sale", "Return", "Credit"}));
    QCOMPARE(f.Combo2->currentText(), QStringLiteral("Sale"));
    QVERIFY(f.Combo2->font().bold());
    QCOMPARE(f.Combo2->font().pointSize(), 12);
    QCOMPARE(comboItems(f.Combo3), (QStringList{"Visa", "MasterCard", "Discover", "American Ex"}));
    const QStringList rates = comboItems(f.Combo4);
    QCOMPARE(rates.size(), 25);
    QCOMPARE(rates.first(), QStringLiteral("0"));
    QCOMPARE(rates.at(1), QStringLiteral("1"));
    QCOMPARE(rates.at(2), QStringLiteral("1.5"));
    QCOMPARE(rates.last(), QStringLiteral("12.5"));
    QVERIFY(!rates.contains(QStringLiteral("0.5")));
    for (QComboBox *combo : {f.Combo2, f.Combo3, f.Combo4, f.Description1})
        QVERIFY(combo->isEditable());

    // Menus in display order, with their items and no shortcuts (the captions' access keys are
    // the keyboard test's).
    const QList<QAction *> titles = f.menuBar()->actions();
    QCOMPARE(titles.size(), 3);
    QCOMPARE(titles.at(0)->iconText(), QStringLiteral("File"));
    QCOMPARE(titles.at(1)->iconText(), QStringLiteral("Reports"));
    QCOMPARE(titles.at(2)->iconText(), QStringLiteral("Manage"));
    auto names = [](QMenu *menu) {
        QStringList list;
        for (QAction *a : menu->actions())
            list << a->objectName() + ":" + (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    };
    QCOMPARE(f.file->objectName(), QStringLiteral("file"));
    QCOMPARE(names(f.file), (QStringList{"settings:Settings", "lne1:-", "backup:Back Up...", "exit:Exit"}));
    QCOMPARE(f.reports->objectName(), QStringLiteral("reports"));
    QCOMPARE(names(f.reports), (QStringList{"sales:Sales", "salessum:Sales &Summary"}));
    QCOMPARE(f.manage->objectName(), QStringLiteral("manage"));
    QCOMPARE(names(f.manage),
             (QStringList{"inventory:Quick Inventory", "lne2:-", "invfile:Inventory File", "salesf:Sales File"}));
    for (QMenu *menu : {f.file, f.reports, f.manage})
        for (QAction *a : menu->actions())
            QVERIFY(a->shortcut().isEmpty());
}

void TestForm1::geometryInTwips()
{
    Terminal t;
    Form1 &f = t.open();
    const qreal dpi = f.List1->logicalDpiX();
    auto px = [dpi](int twips) { return qRound(twips * dpi / 1440.0); };
    QCOMPARE(f.List1->geometry(), QRect(px(120), px(480), px(6015), px(3375)));
    QCOMPARE(f.Command1->geometry(), QRect(px(4920), px(4800), px(1215), px(375)));
    QCOMPARE(f.Text7->geometry(), QRect(px(5040), px(6240), px(1095), px(285)));
    // Inside a frame, positions are relative to the frame.
    QCOMPARE(f.Check4->parentWidget(), f.Frame2);
    QCOMPARE(f.Check4->geometry(), QRect(px(120), px(960), px(1455), px(255)));
    QCOMPARE(f.Combo4->parentWidget(), f.Frame1);
    QCOMPARE(f.Combo4->geometry(), QRect(px(120), px(240), px(735), px(315)));
    if (qFuzzyCompare(dpi, 96.0))
        QCOMPARE(f.List1->geometry(), QRect(8, 32, 401, 225));
    // Start-up maximizes the window at the top-left corner.
    QVERIFY(f.windowState() & Qt::WindowMaximized);
}

void TestForm1::tabOrder()
{
    Terminal t;
    Form1 &f = t.open();
    const QList<QWidget *> expected{f.txtQty1, f.Description1, f.Price1, f.Command1, f.List1,  f.Command2,
                                    f.Text2,   f.Text3,        f.Text5,  f.Command3, f.Text6,  f.Text7,
                                    f.Combo2,  f.Text8,        f.Check1, f.Check2,   f.Check3, f.Combo3,
                                    f.Text9,   f.Combo4,       f.Text19, f.Check4};
    QWidget *w = f.txtQty1;
    for (qsizetype i = 1; i < expected.size(); ++i) {
        w = w->nextInFocusChain();
        // Skip the inner parts of composite controls (the line edit of a combo box).
        while (w && !expected.contains(w))
            w = w->nextInFocusChain();
        QCOMPARE(w, expected.at(i));
    }
}

void TestForm1::startUpFillsDropDownAndOpensOrder()
{
    Terminal t;
    Form1 &f = t.open();
    // File order, empty fields included, two quoted fields on a line give two entries.
    QCOMPARE(comboItems(f.Description1), (QStringList{"Widget", "Bolt, 10 mm", "", "Pen", "Nut"}));
    QCOMPARE(f.Description1->currentText(), QString());
    QCOMPARE(f.List1->items(),
             (QStringList{"Shop", "1 Main St", "Phone 555", "Reciept# 03-14-200409:05:33      Sale   Salesperson: "}));
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("6"));
    QCOMPARE(f.txtQty1->text(), QStringLiteral("1"));
    QVERIFY(f.Check1->isChecked());
    QCOMPARE(f.defaultButton(), f.Command1);

    // Choosing a drop-down entry only copies it into the text.
    f.Price1->setText(QStringLiteral("3"));
    f.Description1->setCurrentIndex(1);
    QCOMPARE(f.Description1->currentText(), QStringLiteral("Bolt, 10 mm"));
    QCOMPARE(f.Price1->text(), QStringLiteral("3"));
    QCOMPARE(f.txtQty1->text(), QStringLiteral("1"));
}

void TestForm1::startUpWithMissingFiles()
{
    Terminal t(false);
    Form1 &f = t.open();
    QCOMPARE(f.Description1->count(), 0);
    QCOMPARE(f.List1->items(), (QStringList{"Reciept# 03-14-200409:05:33      Sale   Salesperson: "}));
    QCOMPARE(f.Combo4->currentText(), QString());
    // An empty rate counts as 0.
    t.enter("2", "Widget", "4.50");
    QCOMPARE(f.Text3->text(), QStringLiteral("$.00"));
    QCOMPARE(f.Text5->text(), QStringLiteral("$9.00"));
    // Nothing was created by reading.
    QVERIFY(!t.dir.exists("inventory.dat"));
    QVERIFY(!t.dir.exists("Header.txt"));
}

void TestForm1::unusableSettingsAreTold_data()
{
    QTest::addColumn<QString>("folder");   // a settings file name taken by a folder
    QTest::addColumn<QByteArray>("tax");   // the content of "tax.txt" otherwise
    QTest::addColumn<QString>("rateBox");  // what the rate box shows
    QTest::addColumn<QStringList>("told"); // the files the message names
    QTest::newRow("tax.txt a folder") << "tax.txt" << QByteArray() << "" << QStringList{"\"tax.txt\""};
    QTest::newRow("rate a word") << "" << QByteArray("\"six\",\"1\",\"5\"\r\n") << "six"
                                 << QStringList{"\"tax.txt\"", "not a number"};
    QTest::newRow("binary") << "" << QByteArray("\x01\x02\xff", 3) << QString::fromLatin1("  \xff")
                            << QStringList{"\"tax.txt\"", "not a number"};
    QTest::newRow("empty rate") << "" << QByteArray("\"\",\"1\",\"5\"\r\n") << "" << QStringList{"\"tax.txt\""};
    QTest::newRow("Header.txt a folder") << "Header.txt" << kTax << "6" << QStringList{"\"Header.txt\""};
    QTest::newRow("return.txt a folder") << "return.txt" << kTax << "6" << QStringList{"\"return.txt\""};
}

void TestForm1::unusableSettingsAreTold()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, tax);
    QFETCH(QStringList, told);
    Terminal t;
    t.dir.write("tax.txt", tax);
    if (!folder.isEmpty()) {
        QFile::remove(t.dir.filePath(folder));
        QVERIFY(QDir(t.dir.path()).mkdir(folder));
    }
    Form1 &f = t.open();
    // Start-up runs New Order: one message, naming what could not be read.
    QCOMPARE(t.fake.messages.warnings.size(), 1);
    for (const QString &part : told)
        QVERIFY2(t.fake.messages.warnings.first().text.contains(part),
                 qPrintable(t.fake.messages.warnings.first().text));
    for (const char *other : {"\"tax.txt\"", "\"Header.txt\"", "\"return.txt\""})
        QCOMPARE(t.fake.messages.warnings.first().text.contains(QLatin1String(other)),
                 told.contains(QLatin1String(other)));
    // Nothing else changes: the rate box shows what was read, the order is open.
    QTEST(f.Combo4->currentText(), "rateBox");
    QVERIFY(f.Command1->isEnabled());
    // Once per New Order.
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(t.fake.messages.warnings.size(), 2);
    // Mended, the next New Order says nothing.
    if (!folder.isEmpty())
        QVERIFY(QDir(t.dir.path()).rmdir(folder));
    t.dir.write("tax.txt", kTax);
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(t.fake.messages.warnings.size(), 2);
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("6"));
}

void TestForm1::newOrderHeaderLineAndReset()
{
    Terminal t;
    t.dir.write("Header.txt", "\"12 Main St., Springfield\"\r\n");
    Form1 &f = t.open();
    f.Text8->setText(QStringLiteral("Ann"));
    t.enter("2", "Widget", "4.50");
    f.Check1->setChecked(false);
    f.Check2->setChecked(true);
    f.Text9->setText(QStringLiteral("1234"));
    f.Check3->setChecked(true);
    f.Combo3->setCurrentIndex(0);
    f.Check4->setChecked(true);
    f.Text19->setText(QStringLiteral("EX-1"));
    f.Text6->setText(QStringLiteral("20"));
    f.Combo4->setEditText(QStringLiteral("9"));
    QCOMPARE(f.defaultButton(), f.Command2);

    t.fake.clock.time = QDateTime(QDate(2026, 12, 7), QTime(17, 4, 2));
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    // A header line with commas stays one line.
    QCOMPARE(f.List1->items(),
             (QStringList{"12 Main St., Springfield", "Reciept# 12-07-202617:04:02      Sale   Salesperson: Ann"}));
    QCOMPARE(f.dte, QStringLiteral("Reciept# 12-07-202617:04:02      Sale   Salesperson: Ann"));
    for (QLineEdit *box : {f.Text2, f.Text3, f.Text5, f.Text6, f.Text7, f.Text19, f.Text9})
        QCOMPARE(box->text(), QString());
    QCOMPARE(f.subt, 0.0);
    QCOMPARE(f.Combo4->currentText(), QStringLiteral("6")); // reloaded from "tax.txt"
    QVERIFY(f.Check1->isChecked());
    QVERIFY(!f.Check2->isChecked());
    QVERIFY(!f.Check3->isChecked());
    QVERIFY(!f.Check4->isChecked());
    QCOMPARE(f.Combo3->currentText(), QString());
    QCOMPARE(f.txtQty1->text(), QStringLiteral("1"));
    QVERIFY(f.Command1->isEnabled());
    QCOMPARE(f.defaultButton(), f.Command1);
    QVERIFY(f.Command1->isDefault());
    QVERIFY(!f.Command2->isDefault());
}

void TestForm1::newOrderKeepsSalespersonAndHeaderKind()
{
    Terminal t;
    Form1 &f = t.open();
    f.Text8->setText(QStringLiteral("Bo"));
    f.Combo2->setEditText(QStringLiteral("Return"));
    // The header line in the list keeps the kind of its New Order.
    QCOMPARE(f.List1->item(3), QStringLiteral("Reciept# 03-14-200409:05:33      Sale   Salesperson: "));
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    const QString first = f.List1->item(3);
    QCOMPARE(first, QStringLiteral("Reciept# 03-14-200409:05:33      Return   Salesperson: Bo"));
    QCOMPARE(f.Text8->text(), QStringLiteral("Bo"));
    // Two New Orders within the same second give the same receipt number.
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(f.List1->item(3), first);
}

void TestForm1::lineEntryAndTotals_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("qty");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("subtotal");
    QTest::addColumn<QString>("tax");
    QTest::addColumn<QString>("total");
    QTest::addColumn<double>("toal");

    QTest::newRow("widget") << "6"
                            << "2"
                            << "4.50"
                            << "2   Widget   4.50   $ 9"
                            << "$9.00"
                            << "$.54"
                            << "$9.54" << 9.54;
    QTest::newRow("rate 6.5") << "6.5"
                              << "1"
                              << "9.99"
                              << "1   Widget   9.99   $ 9.99"
                              << "$9.99"
                              << "$.65"
                              << "$10.64" << 10.63935;
    QTest::newRow("rate 0") << "0"
                            << "1"
                            << "9.99"
                            << "1   Widget   9.99   $ 9.99"
                            << "$9.99"
                            << "$.00"
                            << "$9.99" << 9.99;
    QTest::newRow("empty price") << "6"
                                 << "3"
                                 << ""
                                 << "3   Widget      $ 0"
                                 << "$.00"
                                 << "$.00"
                                 << "$.00" << 0.0;
    QTest::newRow("negative quantity") << "6"
                                       << "-1"
                                       << "9"
                                       << "-1   Widget   9   $-9"
                                       << "-$9.00"
                                       << "-$.54"
                                       << "-$9.54" << -9.54;
    QTest::newRow("quantity with comma") << "6"
                                         << "1,200"
                                         << "2"
                                         << "1,200   Widget   2   $ 2"
                                         << "$2.00"
                                         << "$.12"
                                         << "$2.12" << 2.12;
    QTest::newRow("price as money") << "6"
                                    << "1"
                                    << "$4.50"
                                    << "1   Widget   $4.50   $ 0"
                                    << "$.00"
                                    << "$.00"
                                    << "$.00" << 0.0;
    QTest::newRow("below one") << "0"
                               << "1"
                               << ".5"
                               << "1   Widget   .5   $ .5"
                               << "$.50"
                               << "$.00"
                               << "$.50" << 0.5;
    QTest::newRow("thousands") << "0"
                               << "1"
                               << "1234.5"
                               << "1   Widget   1234.5   $ 1234.5"
                               << "$1,234.50"
                               << "$.00"
                               << "$1,234.50" << 1234.5;
    QTest::newRow("letters") << "6"
                             << "x"
                             << "abc"
                             << "x   Widget   abc   $ 0"
                             << "$.00"
                             << "$.00"
                             << "$.00" << 0.0;
}

void TestForm1::lineEntryAndTotals()
{
    QFETCH(QString, rate);
    QFETCH(QString, qty);
    QFETCH(QString, price);
    Terminal t;
    Form1 &f = t.open();
    f.Combo4->setEditText(rate);
    t.enter(qty, QStringLiteral("Widget"), price);
    QCOMPARE(f.List1->count(), 5);
    QTEST(f.List1->item(4), "line");
    QTEST(f.Text2->text(), "subtotal");
    QTEST(f.Text3->text(), "tax");
    QTEST(f.Text5->text(), "total");
    QFETCH(double, toal);
    QCOMPARE(f.toal, toal);
}

void TestForm1::secondLineAddsUp()
{
    Terminal t;
    Form1 &f = t.open();
    t.enter("2", "Widget", "4.50");
    t.enter("1", "Pen", "0.99");
    QCOMPARE(f.List1->item(5), QStringLiteral("1   Pen   0.99   $ .99"));
    QCOMPARE(f.Text2->text(), QStringLiteral("$9.99"));
    QCOMPARE(f.Text3->text(), QStringLiteral("$.60"));
    QCOMPARE(f.Text5->text(), QStringLiteral("$10.59"));
    QCOMPARE(f.toal, 10.5894);
    QCOMPARE(f.subt, 9.99);
    // A negative line lowers the subtotal.
    t.enter("-1", "Widget", "9");
    QCOMPARE(f.Text2->text(), QStringLiteral("$.99"));
}

void TestForm1::lineBeyondRangeRefused_data()
{
    QTest::addColumn<QString>("firstPrice"); // a line entered before, empty: none
    QTest::addColumn<QString>("qty");
    QTest::addColumn<QString>("price");
    QTest::newRow("1e308 x 10") << ""
                                << "10"
                                << "1e308";
    QTest::newRow("largest double") << ""
                                    << "1"
                                    << "1.7976931348623157e308";
    QTest::newRow("subtotal beyond") << "1e308"
                                     << "1"
                                     << "1e308";
    QTest::newRow("total beyond") << ""
                                  << "1"
                                  << "1.7e308";
}

void TestForm1::lineBeyondRangeRefused()
{
    QFETCH(QString, firstPrice);
    QFETCH(QString, qty);
    QFETCH(QString, price);
    Terminal t;
    Form1 &f = t.open();
    if (!firstPrice.isEmpty())
        t.enter("1", "Gold", firstPrice);
    QVERIFY(t.fake.messages.warnings.isEmpty());
    const QStringList lines = f.List1->items();
    const double subt = f.subt;
    const double toal = f.toal;
    const QStringList boxes{f.Text2->text(), f.Text3->text(), f.Text5->text()};

    t.enter(qty, "Widget", price);
    QCOMPARE(t.fake.messages.warnings.size(), 1);
    QVERIFY(t.fake.messages.warnings.first().text.contains("not added"));
    // Nothing of the line was added; the entry row keeps it for mending.
    QCOMPARE(f.List1->items(), lines);
    QCOMPARE(f.subt, subt);
    QCOMPARE(f.toal, toal);
    QCOMPARE((QStringList{f.Text2->text(), f.Text3->text(), f.Text5->text()}), boxes);
    QCOMPARE(f.Price1->text(), price);
    QCOMPARE(f.txtQty1->text(), qty);
    QVERIFY(!boxes.contains("Overflow"));

    // The order goes on soundly.
    t.enter("2", "Widget", "4.50");
    QCOMPARE(f.List1->count(), lines.size() + 1);
    QCOMPARE(f.subt, subt + 9);
}

void TestForm1::entryRowResetAfterEnter()
{
    Terminal t;
    Form1 &f = t.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    t.enter("2", "Bolt, 10 mm", "4.50");
    QCOMPARE(f.txtQty1->text(), QStringLiteral("1"));
    QCOMPARE(f.Price1->text(), QString());
    QCOMPARE(f.Description1->currentText(), QString());
    QCOMPARE(QApplication::focusWidget(), f.txtQty1);
    QCOMPARE(f.defaultButton(), nullptr);
    // The next quantity typed replaces the "1".
    QTest::keyClicks(f.txtQty1, "3");
    QCOMPARE(f.txtQty1->text(), QStringLiteral("3"));
}

void TestForm1::returnKeyEntersFirstLineOnly()
{
    Terminal t;
    Form1 &f = t.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Price1->setFocus();
    f.Price1->setText(QStringLiteral("4.50"));
    QTest::keyClick(f.Price1, Qt::Key_Return);
    QCOMPARE(f.List1->count(), 5);
    QCOMPARE(f.List1->item(4), QStringLiteral("1      4.50   $ 4.5"));
    // The first Enter ends with no default button: Return adds nothing more.
    f.Price1->setText(QStringLiteral("2"));
    QTest::keyClick(f.Price1, Qt::Key_Return);
    QCOMPARE(f.List1->count(), 5);
    // Return on the focused Enter button still clicks it.
    f.Command1->setFocus();
    QTest::keyClick(f.Command1, Qt::Key_Return);
    QCOMPARE(f.List1->count(), 6);
    // Return on a check box passes to the default button; it does not toggle the box.
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    f.Check4->setFocus();
    QTest::keyClick(f.Check4, Qt::Key_Return);
    QVERIFY(!f.Check4->isChecked());
    QCOMPARE(f.List1->count(), 5);
    // Return in the drop-down's text box clicks the default button too.
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    f.Description1->setFocus();
    f.Description1->setEditText(QStringLiteral("Nut"));
    QTest::keyClick(f.Description1->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.List1->count(), 5);
    QCOMPARE(f.List1->item(4), QStringLiteral("1   Nut      $ 0"));
    QCOMPARE(f.Description1->count(), 5); // the typed text was not added to the list
}

void TestForm1::changeFollowsTendered_data()
{
    QTest::addColumn<QString>("tendered");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QColor>("colour");
    const QColor black(0, 0, 0);
    const QColor darkRed(128, 0, 0);
    QTest::newRow("20") << "20"
                        << "$6.71" << black;
    QTest::newRow("empty") << ""
                           << "-$13.29" << darkRed;
    QTest::newRow("short") << "10"
                           << "-$3.29" << darkRed;
    // Money text counts at its value.
    QTest::newRow("$20") << "$20"
                         << "$6.71" << black;
    QTest::newRow("$1,013.29") << "$1,013.29"
                               << "$1,000.00" << black;
    QTest::newRow("letters") << "abc"
                             << "-$13.29" << darkRed;
}

void TestForm1::changeFollowsTendered()
{
    QFETCH(QString, tendered);
    Terminal t;
    t.dir.write("tax.txt", "\"0\",\"\",\"\"\r\n");
    Form1 &f = t.open();
    t.enter("1", "Widget", "13.29");
    QCOMPARE(f.Text5->text(), QStringLiteral("$13.29"));
    f.Text6->setText(QStringLiteral("x"));
    f.Text6->setText(tendered);
    QTEST(f.Text7->text(), "change");
    QTEST(textColour(f.Text7), "colour");
    QCOMPARE(f.defaultButton(), f.Command2);
    QVERIFY(f.Command2->isDefault());
}

void TestForm1::changeColourUnchangedAtZero()
{
    Terminal t;
    t.dir.write("tax.txt", "\"0\"\r\n");
    Form1 &f = t.open();
    t.enter("1", "Widget", "13.29");
    QTest::keyClicks(f.Text6, QStringLiteral("1"));
    QCOMPARE(textColour(f.Text7), QColor(128, 0, 0));
    f.Text6->setText(QStringLiteral("13.29"));
    QCOMPARE(f.Text7->text(), QStringLiteral("$.00"));
    QCOMPARE(textColour(f.Text7), QColor(128, 0, 0));
    f.Text6->setText(QStringLiteral("14"));
    QCOMPARE(textColour(f.Text7), QColor(0, 0, 0));
    f.Text6->setText(QStringLiteral("13.29"));
    QCOMPARE(textColour(f.Text7), QColor(0, 0, 0));
}

void TestForm1::doubleClickTendersTotal()
{
    Terminal t;
    t.dir.write("tax.txt", "\"0\"\r\n");
    Form1 &f = t.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    t.enter("1", "Widget", "13.29");
    f.Text6->setText(QStringLiteral("20")); // black
    QTest::mouseDClick(f.Text6, Qt::LeftButton);
    QCOMPARE(f.Text6->text(), QStringLiteral("$13.29"));
    QCOMPARE(f.Text7->text(), QStringLiteral("$.00"));
    // The money text counts at its value: no change due, colour left as it was.
    QCOMPARE(textColour(f.Text7), QColor(0, 0, 0));
    QCOMPARE(f.defaultButton(), f.Command2);
}

void TestForm1::tenderedBeforeFirstLineUsesPreviousTotal()
{
    Terminal t;
    t.dir.write("tax.txt", "\"0\"\r\n");
    Form1 &f = t.open();
    t.enter("1", "Widget", "13.29");
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(f.toal, 13.29);
    f.Text6->setText(QStringLiteral("20"));
    QCOMPARE(f.Text7->text(), QStringLiteral("$6.71"));
}

void TestForm1::focusHandlers()
{
    Terminal t;
    Form1 &f = t.open();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QTest::mouseClick(f.Check2, Qt::LeftButton);
    QVERIFY(f.Check2->isChecked());
    QCOMPARE(QApplication::focusWidget(), f.Text9);
    // Unchecking moves the focus as well.
    f.txtQty1->setFocus();
    QTest::mouseClick(f.Check2, Qt::LeftButton);
    QVERIFY(!f.Check2->isChecked());
    QCOMPARE(QApplication::focusWidget(), f.Text9);
    QTest::mouseClick(f.Check3, Qt::LeftButton);
    QVERIFY(f.Combo3->hasFocus());
    QVERIFY(f.Check3->isChecked());
}

void TestForm1::editorMenus()
{
    Terminal t;
    Form1 &f = t.open();
    f.invfile->trigger();
    f.salesf->trigger();
    QCOMPARE(t.fake.editor.opened, (QStringList{"inventory.dat", "sales.txt"}));
    QVERIFY(t.fake.messages.warnings.isEmpty());
    t.fake.editor.succeed = false;
    f.salesf->trigger();
    QCOMPARE(t.fake.messages.warnings.size(), 1);
    QVERIFY(t.fake.messages.warnings.first().text.contains(QStringLiteral("\"sales.txt\"")));
}

void TestForm1::windowMenus()
{
    Terminal t;
    Form1 &f = t.open();
    // New Order at start-up hides the preview (there is none yet).
    QCOMPARE(t.windows.previewHidden, 1);
    f.settings->trigger();
    f.sales->trigger();
    f.sales->trigger();
    f.inventory->trigger();
    QCOMPARE(t.windows.settingsShown, 1);
    QCOMPARE(t.windows.salesReportShown, 2);
    QCOMPARE(t.windows.quickInventoryShown, 1);
    QCOMPARE(t.windows.previewShown, 0);
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    QCOMPARE(t.windows.previewHidden, 2);
}

void TestForm1::exitAndCloseEndProgram()
{
    Terminal t;
    Form1 &f = t.open();
    QSignalSpy ended(&f, &Form1::endProgram);
    f.exit->trigger();
    QCOMPARE(ended.count(), 1);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.close();
    QCOMPARE(ended.count(), 2);
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
