// Layaways through the main window: a new layaway at Close Order, its reopening through the
// Open dialog at New Order, payments down to zero and beyond, and the faults around them.

#include "fake_platform.h"
#include "work_dir.h"

#include "platform/controls.h"
#include "sales_terminal/form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

const QString kLayawayName = QStringLiteral("03142004093010Ann.lwy");
const QByteArray kLayawayHeader = "Reciept# 03-14-200409:05:33      Layaway   Salesperson: Ann";
const QByteArray kLayawayRecord = "\"" + kLayawayHeader + "\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n";

QByteArray quotedLines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += "\"" + line.toLatin1() + "\"\r\n";
    return bytes;
}

struct Counter
{
    Counter()
    {
        dir.write("Header.txt", "\"Shop\"\r\n\"1 Main St\"\r\n");
        dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
        dir.write("return.txt", "\"Keep this receipt.\"\r\n");
        form = std::make_unique<Form1>(fake.platform(), windows, fake.journal);
        form->Text8->setText("Ann");
    }
    void newOrder(const QString &kind)
    {
        form->Combo2->setEditText(kind);
        QTest::mouseClick(form->Command3, Qt::LeftButton);
    }
    void enter(const QString &qty, const QString &description, const QString &price)
    {
        form->txtQty1->setText(qty);
        form->Description1->setEditText(description);
        form->Price1->setText(price);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    }
    void tender(const QString &amount) { form->Text6->setText(amount); }
    // Closes the order at 09:30:10, the time the layaway's name takes.
    void closeOrder()
    {
        fake.clock.time = QDateTime(QDate(2004, 3, 14), QTime(9, 30, 10));
        QTest::mouseClick(form->Command2, Qt::LeftButton);
        fake.clock.time = QDateTime(QDate(2004, 3, 14), QTime(9, 5, 33));
    }
    // The layaway of one Widget at 9, rate 6 (total 9.54), 5 tendered: a balance of 4.54.
    void makeLayaway()
    {
        newOrder("Layaway");
        enter("1", "Widget", "9");
        tender("5");
        closeOrder();
    }
    // New Order of a "Layaway Payment", the dialog answering with the file.
    void reopen(const QString &name)
    {
        fake.dialogs.fileAnswers << dir.filePath(name);
        newOrder("Layaway Payment");
    }
    QStringList layaways() const { return QDir(dir.path()).entryList({"*.lwy"}, QDir::Files); }
    QStringList everything() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    WorkDir dir;
    FakePlatform fake;
    RecordingWindows windows;
    std::unique_ptr<Form1> form;
};

} // namespace

class TestLayaways : public QObject
{
    Q_OBJECT

private slots:
    void newLayawayFileAndJournal();
    void reopenShowsBalance();
    void payOffToZero();
    void overpay();
    void doubleClickTenderPaysOff();
    void cancelEndsReopening();
    void sameSecondLayawaysBothKept();
    void hostileSalespersonStaysInFolder();
    void paymentWithoutReopenedFile();
    void earlierOrdersFileNeverWritten();
    void oddLayawayFiles_data();
    void oddLayawayFiles();
    void vanishedFile();
    void largeLayawayFile();
    void paymentWriteFailureKeepsOrder();
    void journalFailureKeepsNoLayaway();
    void repeatedCloseKeepsFirstKind_data();
    void repeatedCloseKeepsFirstKind();
};

void TestLayaways::newLayawayFileAndJournal()
{
    Counter c;
    c.makeLayaway();
    QCOMPARE(c.layaways(), QStringList{kLayawayName});
    const QStringList lines{"Shop",
                            "1 Main St",
                            kLayawayHeader,
                            "1   Widget   9   $ 9",
                            " ",
                            " ",
                            "Subtotal        $9.00",
                            "Tax SD6%        $.54",
                            "Total           $9.54",
                            "Payment Type    Cash",
                            "Tendered        5",
                            "Change          -$4.54"};
    QCOMPARE(c.form->List1->items(), lines);
    QCOMPARE(c.dir.read(kLayawayName), "4.54\r\n" + quotedLines(lines));
    QCOMPARE(c.dir.read("sales.txt"), kLayawayRecord);
    QVERIFY(c.dir.read("reciept.txt").startsWith("Shop\r\n1 Main St\r\n" + kLayawayHeader + "\r\n"));
    QCOMPARE(c.windows.previewShown, 1);
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));
    QVERIFY(c.fake.messages.warnings.isEmpty());
}

void TestLayaways::reopenShowsBalance()
{
    Counter c;
    c.makeLayaway();
    const QStringList stored = c.form->List1->items();
    c.reopen(kLayawayName);

    // The Open dialog as the layaway reopening asks for it, the working directory untouched.
    QCOMPARE(c.fake.dialogs.fileRequests.size(), 1);
    const OpenFileRequest &asked = c.fake.dialogs.fileRequests.first();
    QCOMPARE(asked.filter, QStringLiteral("Layaway Files(*.lwy)|*.lwy"));
    QCOMPARE(asked.title, QStringLiteral("Open"));
    QCOMPARE(asked.fileName, QString());
    QVERIFY(asked.fileMustExist);
    QVERIFY(asked.pathMustExist);
    QVERIFY(asked.hideReadOnly);
    QCOMPARE(c.form->CommonDialog1.Flags, 0x180C);
    QCOMPARE(c.fake.dialogs.workingDirectories, QStringList{QDir::currentPath()});
    QCOMPARE(QDir::currentPath(), QDir(c.dir.path()).canonicalPath());

    // The stored receipt in place of the new order's lines, the balance as the subtotal.
    QCOMPARE(c.form->List1->items(), stored);
    QCOMPARE(c.form->Combo4->currentText(), QStringLiteral("0"));
    QCOMPARE(c.form->Text2->text(), QStringLiteral("$4.54"));
    QCOMPARE(c.form->Text3->text(), QStringLiteral("$.00"));
    QCOMPARE(c.form->Text5->text(), QStringLiteral("$4.54"));
    QCOMPARE(c.form->subt, 4.54);
    QCOMPARE(c.form->toal, 4.54);
    QCOMPARE(c.form->txtQty1->text(), QStringLiteral("1"));
    QVERIFY(c.fake.messages.warnings.isEmpty());
}

void TestLayaways::payOffToZero()
{
    Counter c;
    c.makeLayaway();
    c.reopen(kLayawayName);
    const QStringList reopened = c.form->List1->items();
    c.tender("4.54");
    c.closeOrder();
    const QStringList lines = reopened
                              + QStringList{" ",
                                            " ",
                                            "Subtotal        $4.54",
                                            "Tax SD6%        $.00",
                                            "Total           $4.54",
                                            "Payment Type    Cash",
                                            "Tendered        4.54",
                                            "Change          $.00"};
    QCOMPARE(c.form->List1->items(), lines);
    QCOMPARE(c.dir.read(kLayawayName), "0\r\n" + quotedLines(lines));
    // A payment is not journaled, and no other layaway is made.
    QCOMPARE(c.dir.read("sales.txt"), kLayawayRecord);
    QCOMPARE(c.layaways(), QStringList{kLayawayName});
    QCOMPARE(c.windows.previewShown, 2);
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));

    // Reopened once more, it owes nothing.
    c.reopen(kLayawayName);
    QCOMPARE(c.form->Text5->text(), QStringLiteral("$.00"));
}

void TestLayaways::overpay()
{
    Counter c;
    c.makeLayaway();
    c.reopen(kLayawayName);
    c.tender("5");
    c.closeOrder();
    QVERIFY(c.dir.read(kLayawayName).startsWith("-0.46\r\n\"Shop\"\r\n"));
    QCOMPARE(c.dir.read("sales.txt"), kLayawayRecord);
}

void TestLayaways::doubleClickTenderPaysOff()
{
    Counter c;
    c.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(c.form.get()));
    c.makeLayaway();
    c.reopen(kLayawayName);
    QTest::mouseDClick(c.form->Text6, Qt::LeftButton);
    QCOMPARE(c.form->Text6->text(), QStringLiteral("$4.54"));
    c.closeOrder();
    // The money text counts at its value: paid off.
    QVERIFY(c.dir.read(kLayawayName).startsWith("0\r\n"));
}

void TestLayaways::cancelEndsReopening()
{
    Counter c;
    c.makeLayaway();
    const QStringList before = c.everything();
    const QByteArray layaway = c.dir.read(kLayawayName);
    c.newOrder("Layaway Payment"); // the dialog is cancelled
    // Shown once, not again: the order is a fresh sale.
    QCOMPARE(c.fake.dialogs.fileRequests.size(), 1);
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));
    QCOMPARE(c.form->List1->items(),
             (QStringList{"Shop", "1 Main St", "Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann"}));
    QCOMPARE(c.form->Combo4->currentText(), QStringLiteral("6"));
    QCOMPARE(c.form->Text2->text(), QString());
    QCOMPARE(c.form->subt, 0.0);
    QVERIFY(c.form->Command1->isEnabled());
    QVERIFY(c.fake.messages.warnings.isEmpty());
    // Nothing was written.
    QCOMPARE(c.everything(), before);
    QCOMPARE(c.dir.read(kLayawayName), layaway);
    // The fresh sale closes as a sale, into the journal and no layaway.
    c.enter("1", "Pen", "2");
    c.closeOrder();
    QVERIFY(
        c.dir.read("sales.txt").endsWith("      Sale   Salesperson: Ann\",\"$2.00\",\"$.12\",\"$2.12\",\"Cash\"\r\n"));
    QCOMPARE(c.dir.read(kLayawayName), layaway);
}

void TestLayaways::sameSecondLayawaysBothKept()
{
    Counter c;
    c.makeLayaway();
    const QByteArray first = c.dir.read(kLayawayName);
    c.newOrder("Layaway");
    c.enter("2", "Widget", "9");
    c.tender("10");
    c.closeOrder();
    QCOMPARE(c.layaways(), (QStringList{"03142004093010Ann-2.lwy", kLayawayName}));
    QCOMPARE(c.dir.read(kLayawayName), first);
    QVERIFY(c.dir.read("03142004093010Ann-2.lwy").startsWith("9.08\r\n"));
    QCOMPARE(c.dir.read("sales.txt").count("\r\n"), 2);
}

void TestLayaways::hostileSalespersonStaysInFolder()
{
    Counter c;
    c.form->Text8->setText("../../x");
    c.makeLayaway();
    QCOMPARE(c.layaways(), QStringList{"03142004093010______x.lwy"});
    QVERIFY(!QFileInfo::exists(c.dir.filePath("../../x.lwy")));
    c.form->Text8->setText("");
    c.makeLayaway();
    QVERIFY(c.layaways().contains("03142004093010.lwy"));
}

void TestLayaways::paymentWithoutReopenedFile()
{
    Counter c;
    c.makeLayaway();
    const QStringList before = c.everything();
    const QByteArray journal = c.dir.read("sales.txt");
    const QByteArray receipt = c.dir.read("reciept.txt");
    // The kind typed in after New Order: no layaway file is open for this order.
    c.newOrder("Sale");
    c.enter("1", "Pen", "2");
    c.form->Combo2->setEditText("Layaway Payment");
    const QStringList lines = c.form->List1->items();
    c.closeOrder();
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    QVERIFY(c.fake.messages.warnings.first().text.contains("No layaway file is open for this order"));
    // Nothing written, the order open as it was.
    QCOMPARE(c.everything(), before);
    QCOMPARE(c.dir.read("sales.txt"), journal);
    QCOMPARE(c.dir.read("reciept.txt"), receipt);
    QCOMPARE(c.form->List1->items(), lines);
    QVERIFY(c.form->Command1->isEnabled());
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Layaway Payment"));
    QCOMPARE(c.windows.previewShown, 1);
}

void TestLayaways::earlierOrdersFileNeverWritten()
{
    Counter c;
    c.makeLayaway();
    c.reopen(kLayawayName);
    c.tender("1");
    c.closeOrder();
    const QByteArray paid = c.dir.read(kLayawayName);
    QVERIFY(paid.startsWith("3.54\r\n"));
    // A second close of that order (it is still a payment, whatever the kind box says), or a
    // later order typed "Layaway Payment" (refused), does not reach the file reopened for it.
    c.form->Combo2->setEditText("Layaway Payment");
    c.closeOrder();
    c.newOrder("Sale");
    c.form->Combo2->setEditText("Layaway Payment");
    c.closeOrder();
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    QCOMPARE(c.dir.read(kLayawayName), paid);
}

void TestLayaways::oddLayawayFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("subtotal");
    QTest::addColumn<bool>("told");
    QTest::newRow("empty") << QByteArray() << "" << true;
    QTest::newRow("balance only") << QByteArray("12.5\r\n") << "$12.50" << false;
    QTest::newRow("balance a word") << QByteArray("owed\r\n\"Shop\"\r\n") << "" << true;
    QTest::newRow("lines only") << QByteArray("\"Shop\"\r\n\"x\"\r\n") << "" << true;
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\r\n\"\x02\x03\"", 9) << "" << true;
    QTest::newRow("beyond range") << QByteArray("1.8e308\r\n") << "" << true;
}

void TestLayaways::oddLayawayFiles()
{
    QFETCH(QByteArray, content);
    Counter c;
    c.dir.write("odd.lwy", content);
    c.reopen("odd.lwy");
    QTEST(c.form->Text2->text(), "subtotal");
    QFETCH(bool, told);
    QCOMPARE(c.fake.messages.warnings.size(), told ? 1 : 0);
    c.tender("0");
    c.closeOrder();
    if (told) {
        // No balance, no layaway: the file is left as it is, and the order is a sale.
        QVERIFY(c.fake.messages.warnings.first().text.contains("odd.lwy"));
        QCOMPARE(c.dir.read("odd.lwy"), content);
        QVERIFY(c.dir.read("sales.txt").contains("      Sale   Salesperson: "));
        return;
    }
    const QByteArray written = c.dir.read("odd.lwy");
    QVERIFY(written.startsWith("12.5\r\n"));
    QCOMPARE(written.count("\r\n"), 1 + c.form->List1->count());
    QVERIFY(!c.dir.exists("sales.txt"));
}

void TestLayaways::vanishedFile()
{
    Counter c;
    c.reopen("gone.lwy");
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    QVERIFY(c.fake.messages.warnings.first().text.contains("gone.lwy"));
    // Nothing reopened: a fresh sale.
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));
    QCOMPARE(c.form->Combo4->currentText(), QStringLiteral("6"));
    QCOMPARE(c.form->List1->count(), 3);
    c.form->Combo2->setEditText("Layaway Payment");
    c.closeOrder();
    QVERIFY(!c.dir.exists("gone.lwy"));
}

void TestLayaways::largeLayawayFile()
{
    Counter c;
    QByteArray content = "20\r\n";
    for (int i = 0; i < 100000; ++i)
        content += "\"1   Item " + QByteArray::number(i) + "   2   $ 2\"\r\n";
    c.dir.write("big.lwy", content);
    c.reopen("big.lwy");
    QCOMPARE(c.form->List1->count(), 100000);
    QCOMPARE(c.form->List1->item(99999), QStringLiteral("1   Item 99999   2   $ 2"));
    QCOMPARE(c.form->Text5->text(), QStringLiteral("$20.00"));
}

void TestLayaways::paymentWriteFailureKeepsOrder()
{
    Counter c;
    c.makeLayaway();
    const QByteArray receipt = c.dir.read("reciept.txt");
    c.reopen(kLayawayName);
    c.tender("1");
    const QStringList lines = c.form->List1->items();
    // The file is taken away and a folder put in its place after the reopening.
    const QByteArray layaway = c.dir.read(kLayawayName);
    QVERIFY(QFile::remove(c.dir.filePath(kLayawayName)));
    QVERIFY(QDir(c.dir.path()).mkdir(kLayawayName));
    c.closeOrder();
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    QVERIFY(c.fake.messages.warnings.first().text.contains(kLayawayName));
    QVERIFY(c.fake.messages.warnings.first().text.contains("NOT saved"));
    QCOMPARE(c.form->List1->items(), lines);
    QVERIFY(c.form->Command1->isEnabled());
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Layaway Payment"));
    QCOMPARE(c.dir.read("reciept.txt"), receipt);
    QCOMPARE(c.windows.previewShown, 1);

    // Mended, the same order closes once.
    QVERIFY(QDir(c.dir.path()).rmdir(kLayawayName));
    c.dir.write(kLayawayName, layaway);
    c.closeOrder();
    QVERIFY(c.dir.read(kLayawayName).startsWith("3.54\r\n"));
    QCOMPARE(c.dir.read(kLayawayName).count("Payment Type"), 2);
    QCOMPARE(c.windows.previewShown, 2);
    QCOMPARE(c.dir.read("sales.txt"), kLayawayRecord);
}

void TestLayaways::journalFailureKeepsNoLayaway()
{
    Counter c;
    QVERIFY(QDir(c.dir.path()).mkdir("sales.txt"));
    c.makeLayaway();
    QCOMPARE(c.fake.messages.warnings.size(), 1);
    QVERIFY(c.fake.messages.warnings.first().text.contains("\"sales.txt\""));
    QVERIFY(c.fake.messages.warnings.first().text.contains("NOT recorded"));
    QVERIFY(c.layaways().isEmpty());
    QVERIFY(!c.dir.exists("reciept.txt"));
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Layaway"));
    QVERIFY(c.form->Command1->isEnabled());

    QVERIFY(QDir(c.dir.path()).rmdir("sales.txt"));
    c.closeOrder();
    QCOMPARE(c.layaways(), QStringList{kLayawayName});
    QCOMPARE(c.dir.read("sales.txt"), kLayawayRecord);
}

// Close Order pressed again (a double click, a second Return) after the kind box went back to
// "Sale": nothing more is recorded, whatever the order was first closed as.
void TestLayaways::repeatedCloseKeepsFirstKind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("records");
    QTest::newRow("Sale, recorded once") << "Sale" << 1;
    QTest::newRow("Estimate") << "Estimate" << 0;
    QTest::newRow("Training") << "Training" << 0;
    QTest::newRow("Layaway, one file") << "Layaway" << 1;
    QTest::newRow("Layaway Payment") << "Layaway Payment" << 1;
}

void TestLayaways::repeatedCloseKeepsFirstKind()
{
    QFETCH(QString, kind);
    Counter c;
    if (kind == QLatin1String("Layaway Payment")) {
        c.makeLayaway();
        c.reopen(kLayawayName);
    } else {
        c.newOrder(kind);
        c.enter("1", "Widget", "9");
    }
    c.tender("1");
    c.closeOrder();
    const QByteArray layaway = c.dir.read(kLayawayName);
    QCOMPARE(c.form->Combo2->currentText(), QStringLiteral("Sale"));
    c.closeOrder();
    QVERIFY(c.fake.messages.warnings.isEmpty());
    const QByteArray journal = c.dir.exists("sales.txt") ? c.dir.read("sales.txt") : QByteArray();
    QTEST(int(journal.count('\n')), "records");
    const QList<QByteArray> records = journal.split('\n');
    // Every record of the order is its first one again, and a layaway's file was made and paid
    // on once.
    for (const QByteArray &record : records)
        QVERIFY(record.isEmpty() || record == records.first());
    QCOMPARE(c.layaways().size(), kind.startsWith(QLatin1String("Layaway")) ? 1 : 0);
    QCOMPARE(c.dir.read(kLayawayName), layaway);
}

QTEST_MAIN(TestLayaways)
#include "test_layaways.moc"
