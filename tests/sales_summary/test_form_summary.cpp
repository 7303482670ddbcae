// The Sales Summary window driven by its named controls over journals and histories written
// for the test: grouping, range, adding histories, totals against the Sales Report window's,
// Save CSV (and its failures), Print, the keyboard and the names a screen reader hears; and
// the main window's Reports menu reaching it in two keys.

#include "fake_platform.h"
#include "work_dir.h"

#include "platform/controls.h"
#include "sales_report/form4.h"
#include "sales_summary/form_summary.h"
#include "sales_summary/summary_table.h"
#include "sales_terminal/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace pos;
using namespace pos::testing;

namespace {

QByteArray sale(const QByteArray &when, const QByteArray &kind, const QByteArray &person, const QByteArray &subtotal,
                const QByteArray &tax, const QByteArray &total, const QByteArray &payment = "Cash")
{
    return "\"Reciept# " + when + "      " + kind + "   Salesperson: " + person + "\",\"" + subtotal + "\",\"" + tax
           + "\",\"" + total + "\",\"" + payment + "\"\r\n";
}

const QByteArray kJournal =
    sale("02-28-200409:05:33", "Sale", "Ann", "$9.00", "$.54", "$9.54")
    + sale("03-01-200409:10:00", "Sale", "Ann", "$10.00", "$.00", "$10.00", "Cheque Number 55")
    + sale("03-01-200409:12:00", "Return", "Bo", "-$12.50", "-$.75", "-$13.25", "CashCharge Visa")
    + sale("03-01-200409:12:00", "Return", "Bo", "-$12.50", "-$.75", "-$13.25", "CashCharge Visa")
    + sale("03-02-200410:00:00", "Sale", "Cy", "$1,234.50", "$80.24", "$1,314.74", "Charge Visa")
    + "\"no date\",\"$2.00\",\"$.12\",\"$2.12\",\"\"\r\n";

struct Summary
{
    explicit Summary(const QByteArray &journal = kJournal)
    {
        dir.write("sales.txt", journal);
        dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
        form = std::make_unique<FormSummary>(fake.platform(), fake.journal);
    }

    QStringList column(int c) const
    {
        QStringList cells;
        for (int r = 0; r < form->table()->rowCount(); ++r)
            cells << form->table()->cellText(r, c);
        return cells;
    }
    QString totals(int c) const { return form->table()->cellText(form->table()->rowCount() - 1, c); }

    WorkDir dir;
    FakePlatform fake;
    std::unique_ptr<FormSummary> form;
};

// Columns of the table.
constexpr int kLabel = 0, kSales = 2, kGross = 3, kTax = 4, kTotal = 5, kUntaxed = 6, kCash = 8, kMixed = 12;

} // namespace

class TestFormSummary : public QObject
{
    Q_OBJECT

private slots:
    void groupingByPeriodAndTotals();
    void rangeBySalespersonKindAndPayment();
    void addHistory();
    void saveCsv_data();
    void saveCsv();
    void print();
    void keyboardAndNames();
    void reportsMenuInTwoKeys();
};

void TestFormSummary::groupingByPeriodAndTotals()
{
    Summary s;
    auto *combo1 = s.form->findChild<QComboBox *>("Combo1");
    QVERIFY(combo1);
    QCOMPARE(s.form->windowTitle(), QStringLiteral("Sales Summary"));
    QCOMPARE(s.column(kLabel),
             (QStringList{"03-02-2004", "03-01-2004", "02-29-2004", "02-28-2004", "Undated", "Total"}));
    QCOMPARE(s.column(kSales), (QStringList{"1", "2", "0", "1", "1", "5"}));
    QCOMPARE(s.column(kTotal), (QStringList{"$1,314.74", "-$3.25", "$.00", "$9.54", "$2.12", "$1,323.15"}));
    QCOMPARE(s.totals(kMixed), QStringLiteral("-$13.25"));
    combo1->setCurrentIndex(2); // Month
    QCOMPARE(s.column(kLabel), (QStringList{"03-2004", "02-2004", "Undated", "Total"}));
    // The bar of the largest Total fills its cell; the return's is negative.
    auto *table = s.form->table();
    combo1->setCurrentIndex(0);
    QCOMPARE(table->index(0, SummaryTable::kBarColumn).data(SummaryTable::BarRole).toDouble(), 1.0);
    QVERIFY(table->index(1, SummaryTable::kBarColumn).data(SummaryTable::BarRole).toDouble() < 0);
    QVERIFY(!s.form->grab().isNull());
    // The totals against the Sales Report window's over the same journal.
    Form4 report(s.fake.platform(), s.fake.journal);
    const auto value = [](const QString &money) { return QString(money).remove('$').remove(',').toDouble(); };
    const double untaxed = report.Text12->text().toDouble();
    QCOMPARE(value(s.totals(kGross)), report.Text1->text().toDouble() + untaxed);
    QCOMPARE(value(s.totals(kTax)), report.Text2->text().toDouble());
    QCOMPARE(value(s.totals(kTotal)), report.Text3->text().toDouble() + untaxed);
    QCOMPARE(value(s.totals(kUntaxed)), untaxed);
}

void TestFormSummary::rangeBySalespersonKindAndPayment()
{
    Summary s;
    s.form->Combo2->setCurrentIndex(1); // Salesperson
    QVERIFY(!s.form->Combo1->isEnabled());
    QCOMPARE(s.column(kLabel), (QStringList{"Cy", "Ann", "(none)", "Bo", "Total"}));
    s.form->Text1->setDate(QDate(2004, 3, 1));
    s.form->Text2->setDate(QDate(2004, 3, 1));
    // One day: the undated sale and the other days are left out.
    QCOMPARE(s.column(kLabel), (QStringList{"Ann", "Bo", "Total"}));
    QCOMPARE(s.column(kTotal), (QStringList{"$10.00", "-$13.25", "-$3.25"}));
    s.form->Combo2->setCurrentIndex(3); // Payment
    QCOMPARE(s.column(kLabel), (QStringList{"Cheque", "Mixed", "Total"}));
    s.form->Combo2->setCurrentIndex(2); // Kind
    QCOMPARE(s.column(kLabel), (QStringList{"Sale", "Return", "Total"}));
    s.form->Combo2->setCurrentIndex(0);
    QVERIFY(s.form->Combo1->isEnabled());
    QCOMPARE(s.column(kLabel), (QStringList{"03-01-2004", "Total"}));
}

void TestFormSummary::addHistory()
{
    Summary s;
    s.dir.write("2003.txt", sale("12-31-200317:00:00", "Sale", "Ann", "$100.00", "$6.00", "$106.00"));
    s.fake.dialogs.fileAnswers << s.dir.filePath("2003.txt") << s.dir.filePath("2003.txt") << s.dir.filePath("none.txt")
                               << std::nullopt;
    for (int i = 0; i < 4; ++i)
        s.form->Command1->click();
    QCOMPARE(s.fake.dialogs.fileRequests.size(), 4);
    QCOMPARE(s.fake.dialogs.fileRequests[0].filter, QStringLiteral("Text Files (*.txt)|*.txt"));
    // The journal, the history twice (counted twice) and the missing file, which is told.
    QCOMPARE(s.form->List1->count(), 4);
    QVERIFY(s.form->List1->item(0).startsWith("Journal"));
    QVERIFY(s.form->List1->item(1).endsWith("2003.txt\": 1 sales"));
    QCOMPARE(s.fake.messages.warnings.size(), 1);
    QVERIFY(s.fake.messages.warnings[0].text.contains("none.txt"));
    // The range grew to the history's day.
    QCOMPARE(s.form->Text1->date(), QDate(2003, 12, 31));
    QCOMPARE(s.totals(kSales), QStringLiteral("7"));
    QCOMPARE(s.totals(kTotal), QStringLiteral("$1,535.15"));
    s.form->Combo1->setCurrentIndex(3); // Year
    QCOMPARE(s.column(kLabel), (QStringList{"2004", "2003", "Undated", "Total"}));
    QCOMPARE(s.column(kCash), (QStringList{"$9.54", "$212.00", "$.00", "$221.54"}));
}

void TestFormSummary::saveCsv_data()
{
    QTest::addColumn<QString>("answer"); // the file name given to the save dialog
    QTest::addColumn<QString>("told");   // in the warning; empty when saved
    QTest::newRow("saved, .csv added") << "march" << QString();
    QTest::newRow("the program's own file refused") << "sales.txt"
                                                    << "not saved";
    QTest::newRow("a folder in the way") << "folder.csv"
                                         << "folder.csv";
    QTest::newRow("no such folder") << "no/such/folder.csv"
                                    << "folder.csv";
}

void TestFormSummary::saveCsv()
{
    QFETCH(QString, answer);
    QFETCH(QString, told);
    Summary s;
    QVERIFY(QDir(s.dir.path()).mkdir("folder.csv"));
    s.form->Combo1->setCurrentIndex(2); // Month
    s.fake.dialogs.fileAnswers << s.dir.filePath(answer);
    s.form->Command2->click();
    QCOMPARE(s.fake.dialogs.fileRequests[0].filter, QStringLiteral("CSV Files (*.csv)|*.csv"));
    QCOMPARE(s.dir.read("sales.txt"), kJournal);
    if (!told.isEmpty()) {
        QCOMPARE(s.fake.messages.warnings.size(), 1);
        QVERIFY(s.fake.messages.warnings[0].text.contains(told));
        QCOMPARE(s.form->Label6->text(), QStringLiteral("The summary was not saved."));
        QVERIFY(!QFile::exists(s.dir.filePath("no")));
        return;
    }
    QCOMPARE(
        s.dir.read("march.csv"),
        QByteArray(
            "\xEF\xBB\xBF"
            "From,To,Sales,Gross,Tax,Total,Non Tax Sales,Returns,Cash,Cheque,Charge,In-Store Credit,Mixed,Other\r\n"
            "2004-03-01,2004-03-31,3,1232.00,79.49,1311.49,10.00,-13.25,0.00,10.00,1314.74,0.00,-13.25,0.00\r\n"
            "2004-02-01,2004-02-29,1,9.00,0.54,9.54,0.00,0.00,9.54,0.00,0.00,0.00,0.00,0.00\r\n"
            "Undated,,1,2.00,0.12,2.12,0.00,0.00,0.00,0.00,0.00,0.00,0.00,2.12\r\n"
            "Total,,5,1243.00,80.15,1323.15,10.00,-13.25,9.54,10.00,1314.74,0.00,-13.25,2.12\r\n"));
    QVERIFY(s.form->Label6->text().contains("march.csv"));
    QVERIFY(s.fake.messages.warnings.isEmpty());
}

void TestFormSummary::print()
{
    Summary s;
    s.dir.write("Header.txt", "\"Corvalane Hardware\"\r\n\"12 Main St.\"\r\n");
    s.form->Text1->setDate(QDate(2004, 3, 1));
    s.form->Command3->click();
    QCOMPARE(s.fake.printer.jobs.size(), 1);
    const PrintJob &job = s.fake.printer.jobs[0];
    QVERIFY(QFontInfo(job.font).fixedPitch() || job.font.fixedPitch());
    const QStringList lines = job.text.split("\r\n");
    QCOMPARE(lines.mid(0, 4),
             (QStringList{"Corvalane Hardware", "12 Main St.", "", "Sales Summary, 03-01-2004 to 03-02-2004"}));
    // Labels left, numbers right, each column as wide as its widest cell; CR LF after the last.
    QCOMPARE(lines.mid(4), (QStringList{"",
                                        "Period     Sales   Gross   Tax   Total Non Tax Sales Returns Cash Cheque  "
                                        "Charge In-Store Credit  Mixed Other",
                                        "03-02-2004     1 1234.50 80.24 1314.74          0.00    0.00 0.00   0.00 "
                                        "1314.74            0.00   0.00  0.00",
                                        "03-01-2004     2   -2.50 -0.75   -3.25         10.00  -13.25 0.00  10.00    "
                                        "0.00            0.00 -13.25  0.00",
                                        "Total          3 1232.00 79.49 1311.49         10.00  -13.25 0.00  10.00 "
                                        "1314.74            0.00 -13.25  0.00",
                                        ""}));
    QCOMPARE(s.form->Label6->text(), QStringLiteral("Printed."));

    s.fake.printer.failWith = QStringLiteral("The printer is out of paper.");
    s.form->Command3->click();
    QCOMPARE(s.fake.messages.warnings.size(), 1);
    QCOMPARE(s.fake.messages.warnings[0].text, s.fake.printer.failWith);
    QCOMPARE(s.form->Label6->text(), QStringLiteral("The summary was not printed."));
}

void TestFormSummary::keyboardAndNames()
{
    Summary s;
    s.form->show();
    s.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.form.get()));
    const QList<QWidget *> order{s.form->Combo1, s.form->Combo2, s.form->Text1,    s.form->Text2,   s.form->Command1,
                                 s.form->List1,  s.form->Grid1,  s.form->Command2, s.form->Command3};
    s.form->Combo1->setFocus();
    for (QWidget *expected : order) {
        QCOMPARE(QApplication::focusWidget(), expected);
        const bool named = !expected->accessibleName().isEmpty() || qobject_cast<QPushButton *>(expected);
        QVERIFY2(named, qPrintable(expected->objectName()));
        // A date box takes Tab from its month to its day and year first.
        for (int i = 0; i < 4 && QApplication::focusWidget() == expected; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(s.form->Combo1->accessibleName(), QStringLiteral("Period"));
    QCOMPARE(s.form->Text2->accessibleName(), QStringLiteral("To"));
    // The period chosen by keys alone.
    s.form->Combo1->setFocus();
    QTest::keyClick(s.form->Combo1, Qt::Key_Down);
    QCOMPARE(s.form->Combo1->currentText(), QStringLiteral("Week"));
    // Columns named; each row read out whole.
    const auto *table = s.form->table();
    QCOMPARE(table->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Period"));
    QCOMPARE(table->headerData(SummaryTable::kBarColumn, Qt::Horizontal).toString(), QStringLiteral("Total bar"));
    QCOMPARE(table->headerData(kTotal, Qt::Horizontal).toString(), QStringLiteral("Total"));
    const int last = table->rowCount() - 1;
    QCOMPARE(table->index(last, SummaryTable::kBarColumn).data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("Total $1,323.15"));
    QVERIFY(table->index(last, 0)
                .data(Qt::AccessibleDescriptionRole)
                .toString()
                .startsWith("Total: Sales 5, Gross $1,243.00, Tax $80.15, Total $1,323.15, Non Tax Sales $10.00"));
}

void TestFormSummary::reportsMenuInTwoKeys()
{
    WorkDir dir;
    dir.write("tax.txt", "\"6\",\"1\",\"5\"\r\n");
    FakePlatform fake;
    RecordingWindows windows;
    Form1 form(fake.platform(), windows, fake.journal);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QList<QAction *> items = form.reports->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0], form.sales);
    QCOMPARE(items[1]->objectName(), QStringLiteral("salessum"));
    QCOMPARE(items[1]->text().remove('&'), QStringLiteral("Sales Summary"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY(form.reports->isVisible());
    QTest::keyClick(form.reports, Qt::Key_S);
    QTRY_COMPARE(windows.salesSummaryShown, 1);
    QCOMPARE(windows.salesReportShown, 0);
}

QTEST_MAIN(TestFormSummary)
#include "test_form_summary.moc"
