// The texts of an order: header line, item line, payment description, closing lines, receipt
// file and journal record.

#include "core/formats/numbers.h"
#include "core/order/order.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace pos;

class TestOrder : public QObject
{
    Q_OBJECT

private slots:
    void headerLine();
    void headerLineNeverRepeatsTheLastRecord_data();
    void headerLineNeverRepeatsTheLastRecord();
    void itemLines();
    void totals_data();
    void totals();
    void payment_data();
    void payment();
    void closing();
    void receiptFile();
    void journal();
    void kinds_data();
    void kinds();
};

void TestOrder::headerLine()
{
    const QDateTime at(QDate(2004, 3, 14), QTime(9, 5, 33));
    QCOMPARE(receiptHeaderLine(at, "Sale", "Ann"),
             QStringLiteral("Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann"));
    QCOMPARE(receiptHeaderLine(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), "", ""),
             QStringLiteral("Reciept# 12-31-202623:59:59         Salesperson: "));
}

// New Order in the second of the journal's last record (two orders in one second, a clock set
// back an hour), read from the journal's end, moves on by a second, so that the report tells
// the two sales apart; the report's own rule is left as it is.
void TestOrder::headerLineNeverRepeatsTheLastRecord_data()
{
    QTest::addColumn<QByteArray>("journal");
    QTest::addColumn<QString>("salesperson");
    QTest::addColumn<QString>("time");
    const QByteArray last =
        "\"Reciept# 10-25-202602:30:00      Sale   Salesperson: Ann\",\"$5.00\",\"$.30\",\"$5.30\",\"Cash\"";
    const QByteArray other =
        "\"Reciept# 10-25-202601:00:00      Sale   Salesperson: Ann\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n";
    QTest::newRow("no journal") << QByteArray("<none>") << "Ann"
                                << "02:30:00";
    QTest::newRow("an empty journal") << QByteArray() << "Ann"
                                      << "02:30:00";
    QTest::newRow("same second, same clerk") << other + last + "\r\n"
                                             << "Ann"
                                             << "02:30:01";
    QTest::newRow("LF line ends") << other + last + "\n\n"
                                  << "Ann"
                                  << "02:30:01";
    QTest::newRow("last line without its end") << other + last << "Ann"
                                               << "02:30:01";
    QTest::newRow("another clerk") << other + last + "\r\n"
                                   << "Bo"
                                   << "02:30:00";
    QTest::newRow("an earlier record only") << last + "\r\n" + other << "Ann"
                                            << "02:30:00";
    QTest::newRow("a quote stored as an apostrophe")
        << QByteArray("\"Reciept# 10-25-202602:30:00      Sale   Salesperson: A'n\",\"\",\"\",\"\",\"\"\r\n") << "A\"n"
        << "02:30:01";
    QTest::newRow("a line beyond the last megabyte") << QByteArray(2 << 20, 'x') + "\r\n" + last + "\r\n"
                                                     << "Ann"
                                                     << "02:30:01";
}

void TestOrder::headerLineNeverRepeatsTheLastRecord()
{
    QFETCH(QByteArray, journal);
    QFETCH(QString, salesperson);
    QFETCH(QString, time);
    QTemporaryDir dir;
    const QString path = dir.filePath("sales.txt");
    if (journal != "<none>") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(journal);
    }
    const QDateTime now(QDate(2026, 10, 25), QTime(2, 30, 0));
    QCOMPARE(newReceiptHeaderLine(now, "Sale", salesperson, lastJournalKeys(path)),
             receiptHeaderLine(QDateTime(QDate(2026, 10, 25), QTime::fromString(time)), "Sale", salesperson));
}

void TestOrder::itemLines()
{
    QCOMPARE(itemLine("2", "Widget", "4.50", 9), QStringLiteral("2   Widget   4.50   $ 9"));
    QCOMPARE(itemLine("1", "Pen", "0.99", 0.99), QStringLiteral("1   Pen   0.99   $ .99"));
    QCOMPARE(itemLine("3", "Tape", "1.1", 3 * 1.1), QStringLiteral("3   Tape   1.1   $ 3.3"));
    QCOMPARE(itemLine("-1", "Widget", "9", -9), QStringLiteral("-1   Widget   9   $-9"));
    QCOMPARE(itemLine("", "", "", 0), QStringLiteral("         $ 0"));
}

void TestOrder::totals_data()
{
    QTest::addColumn<double>("subt");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("subtotal");
    QTest::addColumn<QString>("tax");
    QTest::addColumn<QString>("total");
    QTest::addColumn<double>("toal");
    QTest::addColumn<bool>("shown");
    const double largest = std::numeric_limits<double>::max();
    QTest::newRow("9 at 6") << 9.0 << "6"
                            << "$9.00"
                            << "$.54"
                            << "$9.54" << 9.54 << true;
    QTest::newRow("negative") << -9.0 << "6"
                              << "-$9.00"
                              << "-$.54"
                              << "-$9.54" << -9.54 << true;
    QTest::newRow("1e308 at 6") << 1e308 << "6" << formatMoney(1e308) << formatMoney(6e306) << formatMoney(1.06e308)
                                << 1.06e308 << true;
    // The largest double is shown with its 15 digits cut off, which read back as themselves.
    const double shownLargest = 1.79769313486231e308;
    QTest::newRow("largest double at 0") << largest << "0" << formatMoney(shownLargest) << "$.00"
                                         << formatMoney(shownLargest) << shownLargest << true;
    // Beyond range: the subtotal itself, a total beyond range, and a rate that takes the tax
    // beyond it.
    QTest::newRow("1e308 x 10") << 1e308 * 10 << "6"
                                << "Overflow"
                                << "$.00"
                                << "$.00" << 0.0 << false;
    QTest::newRow("largest double at 6") << largest << "6" << formatMoney(shownLargest)
                                         << formatMoney(shownLargest * 0.06) << "Overflow" << 0.0 << false;
    QTest::newRow("total beyond") << 1.7e308 << "6" << formatMoney(1.7e308) << formatMoney(1.02e307) << "Overflow"
                                  << 0.0 << false;
    QTest::newRow("rate beyond") << 1e10 << "1e305"
                                 << "$10,000,000,000.00"
                                 << "Overflow"
                                 << "$10,000,000,000.00" << 1e10 << false;
}

void TestOrder::totals()
{
    QFETCH(double, subt);
    QFETCH(QString, rate);
    const Totals totals = orderTotals(subt, rate);
    QTEST(totals.subtotal, "subtotal");
    QTEST(totals.tax, "tax");
    QTEST(totals.total, "total");
    QTEST(totals.toal, "toal");
    QTEST(totalsShowAmounts(totals), "shown");
}

void TestOrder::payment_data()
{
    QTest::addColumn<bool>("cash");
    QTest::addColumn<bool>("cheque");
    QTest::addColumn<bool>("charge");
    QTest::addColumn<bool>("credit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cash") << true << false << false << false << "Cash";
    QTest::newRow("cheque") << false << true << false << false << "Cheque Number 1234";
    QTest::newRow("charge") << false << false << true << false << "Charge Visa";
    QTest::newRow("credit") << false << false << false << true << " In-Store Credit";
    QTest::newRow("cash+charge") << true << false << true << false << "CashCharge Visa";
    QTest::newRow("cash+credit") << true << false << false << true << "Cash In-Store Credit";
    QTest::newRow("all") << true << true << true << true << "CashCheque Number 1234Charge Visa In-Store Credit";
    QTest::newRow("none") << false << false << false << false << "";
}

void TestOrder::payment()
{
    QFETCH(bool, cash);
    QFETCH(bool, cheque);
    QFETCH(bool, charge);
    QFETCH(bool, credit);
    const Payment payment{cash, cheque, charge, credit, "1234", "Visa"};
    QTEST(paymentDescription(payment), "expected");
}

void TestOrder::closing()
{
    OrderClose close{"$9.00", "$.54", "$9.54", "Cash", "", "10", "$.46"};
    const QStringList expected{" ",
                               " ",
                               "Subtotal        $9.00",
                               "Tax SD6%        $.54",
                               "Total           $9.54",
                               "Payment Type    Cash",
                               "Tendered        10",
                               "Change          $.46"};
    QCOMPARE(closingLines(close), expected);
    close.exemptNumber = "EX-77";
    QStringList withExempt = expected;
    withExempt.insert(6, "Exempt #        EX-77");
    QCOMPARE(closingLines(close), withExempt);
}

void TestOrder::receiptFile()
{
    QCOMPARE(receiptBytes({"Shop", "Caf\u00e9 \u20ac"}, "\"Policy\"\r\n"),
             QByteArray("Shop\r\nCaf\xe9 \x80\r\n \r\n \r\n \r\n\"Policy\"\r\n\r\n"));
    // No policy: the three blank lines and the final line end only.
    QCOMPARE(receiptBytes({"A"}, QByteArray()), QByteArray("A\r\n \r\n \r\n \r\n\r\n"));
    // Quotes stay as they are on the receipt.
    QCOMPARE(receiptBytes({"Ann \"The Clerk\""}, ""), QByteArray("Ann \"The Clerk\"\r\n \r\n \r\n \r\n\r\n"));
}

void TestOrder::journal()
{
    const OrderClose close{"$9.00", "$.54", "$9.54", "Cash", "EX", "10", "$.46"};
    QCOMPARE(
        journalRecordBytes(journalRecord("Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann", close)),
        QByteArray(
            "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n"));
    QCOMPARE(journalRecordBytes(journalRecord("R", OrderClose{"$1,234.50", "-$.54", "", "", "", "", ""})),
             QByteArray("\"R\",\"$1,234.50\",\"-$.54\",\"\",\"\"\r\n"));
    // A double quote in a name would cut the field short: it is stored as an apostrophe.
    QCOMPARE(journalRecordBytes(journalRecord("Salesperson: Ann \"Jo\"", OrderClose{})),
             QByteArray("\"Salesperson: Ann 'Jo'\",\"\",\"\",\"\",\"\"\r\n"));
}

void TestOrder::kinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("record");
    QTest::newRow("Sale") << "Sale" << int(CloseRecord::Journal);
    QTest::newRow("Return") << "Return" << int(CloseRecord::Journal);
    QTest::newRow("typed") << "Gift" << int(CloseRecord::Journal);
    QTest::newRow("lower sale") << "sale" << int(CloseRecord::Journal);
    QTest::newRow("lower layaway") << "layaway" << int(CloseRecord::Journal);
    QTest::newRow("Proposal") << "Proposal" << int(CloseRecord::ReceiptOnly);
    QTest::newRow("Estimate") << "Estimate" << int(CloseRecord::ReceiptOnly);
    QTest::newRow("Training") << "Training" << int(CloseRecord::ReceiptOnly);
    QTest::newRow("Layaway") << "Layaway" << int(CloseRecord::Layaway);
    QTest::newRow("Layaway Payment") << "Layaway Payment" << int(CloseRecord::LayawayPayment);
    QTest::newRow("trailing blank") << "Proposal " << int(CloseRecord::Journal);
}

void TestOrder::kinds()
{
    QFETCH(QString, kind);
    QTEST(int(closeRecordFor(kind)), "record");
}

QTEST_APPLESS_MAIN(TestOrder)
#include "test_order.moc"
