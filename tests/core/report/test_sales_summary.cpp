// The Sales Summary's sums without the window: byte-exact journals and histories grouped by
// period, salesperson, kind and payment; its totals against the Sales Report's over random
// journals; and the CSV file byte for byte.

#include "core/formats/numbers.h"
#include "core/report/report.h"
#include "core/report/sales_summary.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace pos;

namespace {

QByteArray sale(const QByteArray &date, const QByteArray &time, const QByteArray &kind, const QByteArray &person,
                const QByteArray &subtotal, const QByteArray &tax, const QByteArray &total,
                const QByteArray &payment = "Cash")
{
    return "\"Reciept# " + date + time + "      " + kind + "   Salesperson: " + person + "\",\"" + subtotal + "\",\""
           + tax + "\",\"" + total + "\",\"" + payment + "\"\r\n";
}

// A plain sale of $10.00 with tax $.60.
QByteArray ten(const QByteArray &date, const QByteArray &time = "09:00:00", const QByteArray &payment = "Cash",
               const QByteArray &person = "Ann")
{
    return sale(date, time, "Sale", person, "$10.00", "$.60", "$10.60", payment);
}

QString cents(qint64 value)
{
    return QString::number(double(value) / 100, 'f', 2);
}

// "label sales gross tax total untaxed returns cash cheque charge credit mixed other".
QString rowText(const SummaryRow &row)
{
    const SummaryFigures &f = row.figures;
    QStringList cells{row.label,      QString::number(f.sales), cents(f.gross),  cents(f.tax),
                      cents(f.total), cents(f.untaxed),         cents(f.returns)};
    for (const PaymentGroup g : {PaymentGroup::Cash, PaymentGroup::Cheque, PaymentGroup::Charge,
                                 PaymentGroup::InStoreCredit, PaymentGroup::Mixed})
        cells << cents(f.payment[size_t(g)]);
    cells << cents(f.payment[size_t(PaymentGroup::None)] + f.payment[size_t(PaymentGroup::Other)]);
    return cells.join(QLatin1Char(' '));
}

QStringList rowTexts(const std::vector<SummaryRow> &rows)
{
    QStringList texts;
    for (const SummaryRow &row : rows)
        texts << rowText(row);
    return texts;
}

SalesSummary summaryOf(const QList<QByteArray> &files)
{
    SalesSummary summary;
    for (qsizetype i = 0; i < files.size(); ++i) {
        // Small chunks, so that records straddle the reader's refills.
        JournalReader reader(files[i], 5);
        (void)summary.addRecords(reader, QStringLiteral("file%1").arg(i), i > 0);
    }
    return summary;
}

} // namespace

class TestSalesSummary : public QObject
{
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void paymentGroups_data();
    void paymentGroups();
    void headers_data();
    void headers();
    void amounts_data();
    void amounts();
    void totalsAgreeWithTheSalesReport();
    void csvByteForByte();
    void missingAndUnreadableSources();
    void namesBeyondTheMostSummedTogether();
};

void TestSalesSummary::rows_data()
{
    QTest::addColumn<QList<QByteArray>>("files"); // the journal, then histories
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("by");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("expected");

    const auto P = int(SummaryRowsBy::Period);
    const auto day = int(SummaryPeriod::Day);
    const QString tenCash = "10.00 0.60 10.60 0.00 0.00 10.60 0.00 0.00 0.00 0.00 0.00";
    const QString zero = "0 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00";

    QTest::newRow("day boundary, empty day shown, newest first")
        << QList<QByteArray>{ten("03-14-2004", "23:59:59") + ten("03-15-2004", "00:00:00") + ten("03-17-2004")} << day
        << P << QDate() << QDate()
        << QStringList{"03-17-2004 1 " + tenCash, "03-16-2004 " + zero, "03-15-2004 1 " + tenCash,
                       "03-14-2004 1 " + tenCash, "Total 3 30.00 1.80 31.80 0.00 0.00 31.80 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("week from Sunday: Saturday and Sunday apart")
        << QList<QByteArray>{ten("03-13-2004") + ten("03-14-2004") + ten("03-20-2004")} << int(SummaryPeriod::Week) << P
        << QDate() << QDate()
        << QStringList{"Week of 03-14-2004 2 20.00 1.20 21.20 0.00 0.00 21.20 0.00 0.00 0.00 0.00 0.00",
                       "Week of 03-07-2004 1 " + tenCash,
                       "Total 3 30.00 1.80 31.80 0.00 0.00 31.80 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("leap day and the month's turn")
        << QList<QByteArray>{ten("01-31-2004") + ten("02-29-2004") + ten("03-01-2004") + ten("02-29-2003")}
        << int(SummaryPeriod::Month) << P << QDate() << QDate()
        << QStringList{"03-2004 1 " + tenCash, "02-2004 1 " + tenCash, "01-2004 1 " + tenCash, "Undated 1 " + tenCash,
                       "Total 4 40.00 2.40 42.40 0.00 0.00 42.40 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("year's turn in one week")
        << QList<QByteArray>{ten("12-31-2003") + ten("01-01-2004")} << int(SummaryPeriod::Week) << P << QDate()
        << QDate()
        << QStringList{"Week of 12-28-2003 2 20.00 1.20 21.20 0.00 0.00 21.20 0.00 0.00 0.00 0.00 0.00",
                       "Total 2 20.00 1.20 21.20 0.00 0.00 21.20 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("undated and malformed records are counted, never dropped")
        << QList<QByteArray>{"\"garbage\",\"12abc\",\"n/a\",\"$1,000.00\",\"Cash\"\r\n"
                             "\"Reciept# 13-01-200409:00:00      Sale   Salesperson: Ann\",\"$5.00\",\"\",\"\",\"\"\r\n"
                             + ten("03-14-2004") + "\"Reciept# 03-14-1899\",\"$1.00\",\"$.00\",\"$1.00\",\"Cash\"\r\n"}
        << day << P << QDate() << QDate()
        << QStringList{"03-14-2004 1 " + tenCash,
                       "Undated 3 18.00 0.00 1001.00 1.00 0.00 1001.00 0.00 0.00 0.00 0.00 0.00",
                       "Total 4 28.00 0.60 1011.60 1.00 0.00 1011.60 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("adjacent repeat counted once, a separated one twice, the empty first key skipped")
        << QList<QByteArray>{"\"\",\"$99.00\",\"$1.00\",\"$100.00\",\"Cash\"\r\n" + ten("03-14-2004")
                             + ten("03-14-2004") + ten("03-14-2004", "10:00:00") + ten("03-14-2004")}
        << day << P << QDate() << QDate()
        << QStringList{"03-14-2004 3 30.00 1.80 31.80 0.00 0.00 31.80 0.00 0.00 0.00 0.00 0.00",
                       "Total 3 30.00 1.80 31.80 0.00 0.00 31.80 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("returns and untaxed sales")
        << QList<QByteArray>{sale("03-14-2004", "09:00:00", "Return", "Bo", "-$9.00", "-$.54", "-$9.54")
                             + sale("03-14-2004", "09:10:00", "Sale", "Bo", "$5.25", "$.00", "$5.25", "")
                             + sale("03-14-2004", "09:20:00", "Sale", "Bo", "$1,234.50", "$80.24", "$1,314.74",
                                    "Charge Visa")}
        << day << P << QDate() << QDate()
        << QStringList{"03-14-2004 3 1230.75 79.70 1310.45 5.25 -9.54 -9.54 0.00 1314.74 0.00 0.00 5.25",
                       "Total 3 1230.75 79.70 1310.45 5.25 -9.54 -9.54 0.00 1314.74 0.00 0.00 5.25"};
    QTest::newRow("a history added twice counts twice, its untaxed sales apart")
        << QList<QByteArray>{ten("03-15-2004"),
                             ten("03-14-2004")
                                 + sale("03-14-2004", "10:00:00", "Sale", "Ann", "$4.00", "$.00", "$4.00"),
                             ten("03-14-2004")
                                 + sale("03-14-2004", "10:00:00", "Sale", "Ann", "$4.00", "$.00", "$4.00")}
        << day << P << QDate() << QDate()
        << QStringList{"03-15-2004 1 " + tenCash,
                       "03-14-2004 4 28.00 1.20 29.20 8.00 0.00 29.20 0.00 0.00 0.00 0.00 0.00",
                       "Total 5 38.00 1.80 39.80 8.00 0.00 39.80 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("by salesperson within a range, largest first, undated left out")
        << QList<QByteArray>{ten("03-13-2004", "09:00:00", "Cash", "Ann") + ten("03-14-2004", "09:00:00", "Cash", "Bo")
                             + ten("03-14-2004", "09:30:00", "Cash", "Bo") + ten("03-14-2004", "10:00:00", "Cash", "")
                             + ten("03-16-2004", "09:00:00", "Cash", "Ann")
                             + "\"x\",\"$1.00\",\"$.00\",\"$1.00\",\"\"\r\n"}
        << day << int(SummaryRowsBy::Salesperson) << QDate(2004, 3, 14) << QDate(2004, 3, 15)
        << QStringList{"Bo 2 20.00 1.20 21.20 0.00 0.00 21.20 0.00 0.00 0.00 0.00 0.00", "(none) 1 " + tenCash,
                       "Total 3 30.00 1.80 31.80 0.00 0.00 31.80 0.00 0.00 0.00 0.00 0.00"};
    // Ann's sales, spaced another way and after twenty other names, make one row.
    QByteArray many = ten("03-14-2004");
    QStringList manyRows{"Ann 2 20.00 1.20 21.20 0.00 0.00 21.20 0.00 0.00 0.00 0.00 0.00"};
    for (int i = 0; i < 20; ++i) {
        many += ten("03-14-2004", "09:30:00", "Cash", "P" + QByteArray::number(i));
        manyRows << QStringLiteral("P%1 1 ").arg(i) + tenCash;
    }
    std::sort(manyRows.begin() + 1, manyRows.end());
    many += "\"Reciept# 03-14-200410:00:00 Sale   Salesperson:  Ann \",\"$10.00\",\"$.60\",\"$10.60\",\"Cash\"\r\n";
    QTest::newRow("one salesperson however spaced, among many")
        << QList<QByteArray>{many} << day << int(SummaryRowsBy::Salesperson) << QDate() << QDate()
        << manyRows + QStringList{"Total 22 220.00 13.20 233.20 0.00 0.00 233.20 0.00 0.00 0.00 0.00 0.00"};
    QTest::newRow("by kind, the whole span with the undated")
        << QList<QByteArray>{sale("03-14-2004", "09:00:00", "Return", "Bo", "-$9.00", "-$.54", "-$9.54")
                             + ten("03-14-2004") + "\"x\",\"$1.00\",\"$.00\",\"$1.00\",\"\"\r\n"}
        << day << int(SummaryRowsBy::Kind) << QDate() << QDate()
        << QStringList{"Sale 1 " + tenCash, "x 1 1.00 0.00 1.00 1.00 0.00 0.00 0.00 0.00 0.00 0.00 1.00",
                       "Return 1 -9.00 -0.54 -9.54 0.00 -9.54 -9.54 0.00 0.00 0.00 0.00 0.00",
                       "Total 3 2.00 0.06 2.06 1.00 -9.54 1.06 0.00 0.00 0.00 0.00 1.00"};
    QTest::newRow("a range with no sale in it") << QList<QByteArray>{ten("03-14-2004")} << day << P << QDate(2005, 1, 1)
                                                << QDate(2005, 1, 2) << QStringList{"Total " + zero};
    QTest::newRow("an empty journal") << QList<QByteArray>{QByteArray()} << day << P << QDate() << QDate()
                                      << QStringList{"Total " + zero};
}

void TestSalesSummary::rows()
{
    QFETCH(QList<QByteArray>, files);
    QFETCH(int, period);
    QFETCH(int, by);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, expected);
    const SalesSummary summary = summaryOf(files);
    QCOMPARE(rowTexts(summary.rows({SummaryPeriod(period), SummaryRowsBy(by), from, to})), expected);
}

void TestSalesSummary::paymentGroups_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<int>("group");
    const auto row = [](const char *text, PaymentGroup group) {
        QTest::newRow(text[0] ? text : "empty") << QByteArray(text) << int(group);
    };
    row("Cash", PaymentGroup::Cash);
    row("Cheque Number 1234", PaymentGroup::Cheque);
    row("Cheque Number ", PaymentGroup::Cheque);
    row("Cheque Number Cash 12", PaymentGroup::Cheque);
    row("Charge Visa", PaymentGroup::Charge);
    row("Charge ", PaymentGroup::Charge);
    row(" In-Store Credit", PaymentGroup::InStoreCredit);
    row("CashCharge Visa", PaymentGroup::Mixed);
    row("Cash In-Store Credit", PaymentGroup::Mixed);
    row("CashCheque Number 7", PaymentGroup::Mixed);
    row("Cheque Number 12Charge MasterCard", PaymentGroup::Mixed);
    row("CashCheque Number 1Charge American Ex In-Store Credit", PaymentGroup::Mixed);
    row("Charge  In-Store Credit", PaymentGroup::Mixed);
    row("", PaymentGroup::None);
    row("cash", PaymentGroup::Other);
    row("Cashew", PaymentGroup::Other);
}

void TestSalesSummary::paymentGroups()
{
    QFETCH(QByteArray, description);
    QFETCH(int, group);
    QCOMPARE(int(paymentGroup(description)), group);
}

void TestSalesSummary::headers_data()
{
    // The receipt header line, and "yyyy-MM-dd|kind|salesperson" read from it (no date: undated,
    // and the kind is all that follows the prefix).
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("expected");
    const QByteArray tail = "10:00:00      Sale   Salesperson: Ann";
    QTest::newRow("as written") << "Reciept# 03-14-2004" + tail << "2004-03-14|Sale|Ann";
    QTest::newRow("names with blanks") << QByteArray(
        "Reciept# 12-31-209923:59:59      Layaway Payment   Salesperson: Jo Ann ")
                                       << "2099-12-31|Layaway Payment|Jo Ann";
    QTest::newRow("no salesperson mark") << QByteArray("Reciept# 03-14-200409:05:33      Sale") << "2004-03-14|Sale|";
    QTest::newRow("day 31 of April") << "Reciept# 04-31-2004" + tail << "|04-31-200410:00:00      Sale|Ann";
    QTest::newRow("leap day 2000") << "Reciept# 02-29-2000" + tail << "2000-02-29|Sale|Ann";
    QTest::newRow("no leap day 1900") << "Reciept# 02-29-1900" + tail << "|02-29-190010:00:00      Sale|Ann";
    QTest::newRow("first day taken") << "Reciept# 01-01-1900" + tail << "1900-01-01|Sale|Ann";
    QTest::newRow("last day taken") << "Reciept# 12-31-2199" + tail << "2199-12-31|Sale|Ann";
    QTest::newRow("year 2200") << "Reciept# 01-01-2200" + tail << "|01-01-220010:00:00      Sale|Ann";
    QTest::newRow("month 00") << "Reciept# 00-10-2004" + tail << "|00-10-200410:00:00      Sale|Ann";
    QTest::newRow("cut short") << QByteArray("Reciept# 03-14-20") << "|03-14-20|";
    QTest::newRow("not a receipt line") << QByteArray("Ann") << "|Ann|";
}

void TestSalesSummary::headers()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, expected);
    const SaleHeader header = parseSaleHeader(field);
    QCOMPARE(header.date.toString(Qt::ISODate) + '|' + header.kind.toByteArray() + '|'
                 + header.salesperson.toByteArray(),
             expected);
}

void TestSalesSummary::amounts_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<qint64>("cents");
    const auto row = [](const char *field, qint64 cents) { QTest::newRow(field) << QByteArray(field) << cents; };
    row("$1,234.50", 123450);
    row("-$.54", -54);
    row("$.00", 0);
    row("-$1,000,000.01", -100000001);
    row("$1234567890123.45", 123456789012345);
    row("$12,345,678,901.23", 1234567890123); // whole part longer than thirteen, digits fewer
    row("$12.5", 1250);
    row("1,234.50", 123450);
    row("12abc", 1200);
    row("n/a", 0);
    row("", 0);
}

void TestSalesSummary::amounts()
{
    QFETCH(QByteArray, field);
    QFETCH(qint64, cents);
    QCOMPARE(fieldCents(field), cents);
}

void TestSalesSummary::totalsAgreeWithTheSalesReport()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("CORVALANE_TEST_SEED").toUInt(&given);
    QRandomGenerator random(given ? seed : QRandomGenerator::global()->generate());
    const quint32 used = given ? seed : quint32(random.generate());
    random.seed(used);
    qInfo("seed %u (set CORVALANE_TEST_SEED to repeat)", used);

    const QList<QByteArray> amounts{"$.00", "$.01", "$.99",  "$1,234.56", "-$12.50", "$100,000.00",
                                    "",     "n/a",  "0.005", "12.5",      "$3.33",   "-$.54"};
    for (int journalNo = 0; journalNo < 200; ++journalNo) {
        QByteArray journal;
        const int records = int(random.bounded(60));
        for (int i = 0; i < records; ++i) {
            const QByteArray date = QByteArray::number(1 + random.bounded(12)).rightJustified(2, '0') + "-"
                                    + QByteArray::number(1 + random.bounded(31)).rightJustified(2, '0') + "-"
                                    + QByteArray::number(2000 + random.bounded(8));
            const QByteArray time =
                random.bounded(3) == 0 ? QByteArray("09:00:00") : QByteArray::number(random.bounded(100000));
            const QByteArray sub = amounts[random.bounded(amounts.size())];
            const QByteArray tax =
                random.bounded(3) == 0 ? QByteArray("$.00") : amounts[random.bounded(amounts.size())];
            // An untaxed sale totals its subtotal, as Close Order writes it.
            const QByteArray total = tax == "$.00" ? sub : amounts[random.bounded(amounts.size())];
            const QByteArray line = sale(date, time, "Sale", random.bounded(2) ? "Ann" : "Bo", sub, tax, total,
                                         random.bounded(2) ? "Cash" : "CashCharge Visa");
            journal += line;
            if (random.bounded(5) == 0)
                journal += line; // an adjacent repeat
        }
        ReportColumns columns;
        UntaxedSales untaxed;
        JournalReader reportReader(journal, 11);
        loadJournal(reportReader, columns, untaxed);
        const SalesSummary summary = summaryOf({journal});
        const SummaryFigures totals = summary.rows({}).back().figures;
        const auto toCents = [](double value) { return qint64(std::llround(value * 100)); };
        QCOMPARE(cents(totals.gross), cents(toCents(columns.gross.total() + untaxed.value)));
        QCOMPARE(cents(totals.tax), cents(toCents(columns.tax.total())));
        QCOMPARE(cents(totals.total), cents(toCents(columns.net.total() + untaxed.value)));
        QCOMPARE(cents(totals.untaxed), cents(toCents(untaxed.value)));
        // Every grouping sums to the same totals.
        for (const SummaryRowsBy by : {SummaryRowsBy::Salesperson, SummaryRowsBy::Kind, SummaryRowsBy::Payment}) {
            SummaryFigures added;
            const std::vector<SummaryRow> rows = summary.rows({SummaryPeriod::Month, by, {}, {}});
            for (std::size_t i = 0; i + 1 < rows.size(); ++i)
                added.add(rows[i].figures);
            QVERIFY(added == rows.back().figures);
            QVERIFY(rows.back().figures == totals);
        }
    }
}

void TestSalesSummary::csvByteForByte()
{
    const QList<QByteArray> files{
        sale("03-14-2004", "09:00:00", "Sale", "Zo\xeb, the clerk", "$1,234.50", "$80.24", "$1,314.74",
             "Cheque Number 12")
        + sale("03-16-2004", "09:00:00", "Return", "Ann", "-$9.00", "-$.54", "-$9.54", "CashCharge Visa")
        + "\"x\",\"$1.00\",\"$.00\",\"$1.00\",\"\"\r\n"};
    const SalesSummary summary = summaryOf(files);
    // By period the window's Save CSV test compares the file; here a name quoted and made UTF-8.
    QCOMPARE(
        summaryCsv(summary.rows({SummaryPeriod::Month, SummaryRowsBy::Salesperson, {}, {}}),
                   SummaryRowsBy::Salesperson),
        QByteArray(
            "\xEF\xBB\xBF"
            "Salesperson,Sales,Gross,Tax,Total,Non Tax Sales,Returns,Cash,Cheque,Charge,In-Store Credit,Mixed,Other\r\n"
            "\"Zo\xC3\xAB, the clerk\",1,1234.50,80.24,1314.74,0.00,0.00,0.00,1314.74,0.00,0.00,0.00,0.00\r\n"
            "(none),1,1.00,0.00,1.00,1.00,0.00,0.00,0.00,0.00,0.00,0.00,1.00\r\n"
            "Ann,1,-9.00,-0.54,-9.54,0.00,-9.54,0.00,0.00,0.00,0.00,-9.54,0.00\r\n"
            "Total,3,1226.50,79.70,1306.20,1.00,-9.54,0.00,1314.74,0.00,0.00,-9.54,1.00\r\n"));
}

void TestSalesSummary::missingAndUnreadableSources()
{
    QTemporaryDir dir;
    SalesSummary summary;
    QCOMPARE(summary.addFile(dir.filePath("sales.txt"), false).state, FileState::Missing);
    QCOMPARE(summary.addFile(dir.path(), true).state, FileState::Unreadable);
    QFile out(dir.filePath("cut.txt"));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(ten("03-14-2004") + "\"Reciept# 03-15-2004\",\"$1.00\"");
    out.close();
    const SummarySource &cut = summary.addFile(dir.filePath("cut.txt"), true);
    QCOMPARE(cut.state, FileState::Read);
    QCOMPARE(cut.sales, qint64(1));
    QVERIFY(cut.outOfStep.contains("line 2"));
    QCOMPARE(summary.sources().size(), size_t(3));
    QCOMPARE(summary.rows({}).back().figures.sales, qint64(1));
}

void TestSalesSummary::namesBeyondTheMostSummedTogether()
{
    // A damaged file whose every record names another salesperson.
    const int names = int(SalesSummary::kMostNames) + 5;
    QByteArray journal;
    for (int i = 0; i < names; ++i)
        journal += ten("03-14-2004", "09:00:00", "Cash", "P" + QByteArray::number(i));
    const SalesSummary summary = summaryOf({journal});
    const std::vector<SummaryRow> rows = summary.rows({SummaryPeriod::Day, SummaryRowsBy::Salesperson, {}, {}});
    QCOMPARE(rows.size(), SalesSummary::kMostNames + 1);
    QCOMPARE(rows.front().label, QStringLiteral("(others)"));
    QCOMPARE(rows.front().figures.sales, qint64(6));
    QCOMPARE(rows.back().figures.sales, qint64(names));
}

QTEST_GUILESS_MAIN(TestSalesSummary)
#include "test_sales_summary.moc"
