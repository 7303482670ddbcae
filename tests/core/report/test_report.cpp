// The sales report's computations without the window: column entries, the compact columns
// against the entries' texts, loading a journal and a history, and the tax reconciliation.

#include "core/formats/codepage.h"
#include "core/formats/numbers.h"
#include "core/report/report.h"

#include <QRandomGenerator>
#include <QTest>

#include <optional>

using namespace pos;

namespace {

QString exact(double value)
{
    return QString::number(value, 'g', 17);
}

QByteArray record(const QByteArray &key, const QByteArray &subtotal, const QByteArray &tax, const QByteArray &total)
{
    return "\"" + key + "\",\"" + subtotal + "\",\"" + tax + "\",\"" + total + "\",\"Cash\"\r\n";
}

struct Loaded
{
    QStringList gross, tax, net;
    UntaxedSales untaxed;
};

QStringList entries(const EntryColumn &column)
{
    QStringList list;
    for (qsizetype row = 0; row < column.size(); ++row)
        list << column.shown(row);
    return list;
}

Loaded load(const QByteArray &journal, bool history = false)
{
    JournalReader reader(journal, 7);
    ReportColumns columns;
    Loaded loaded;
    if (history)
        loadHistory(reader, columns);
    else
        loadJournal(reader, columns, loaded.untaxed);
    loaded.gross = entries(columns.gross);
    loaded.tax = entries(columns.tax);
    loaded.net = entries(columns.net);
    return loaded;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void formatTwoDecimals_data();
    void formatTwoDecimals();
    void compactColumnMatchesEntryTexts();
    void appendedColumns();
    void journalKeysAndUntaxedSales();
    void untaxedSumAsTheBoxCarriesIt();
    void historyListsEveryRecord();
    void incompleteLastRecordIgnored();
    void reconciliation_data();
    void reconciliation();
};

void TestReport::formatTwoDecimals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("entry");
    QTest::newRow("$1,234.50") << "$1,234.50"
                               << "1234.50";
    QTest::newRow("-$12.50") << "-$12.50"
                             << "-12.50";
    QTest::newRow("$.79") << "$.79"
                          << ".79";
    QTest::newRow("0.5") << "0.5"
                         << ".50";
    QTest::newRow("$.00") << "$.00"
                          << ".00";
    QTest::newRow("0") << "0"
                       << ".00";
    QTest::newRow("-$.54") << "-$.54"
                           << "-.54";
    QTest::newRow("0.004") << "0.004"
                           << ".00";
    QTest::newRow("0.005") << "0.005"
                           << ".01";
    QTest::newRow("1E3") << "1E3"
                         << "1000.00";
    QTest::newRow("blanks") << " 5 "
                            << "5.00";
    QTest::newRow("huge") << "$123,456,789,012,345,678.00"
                          << "123456789012346000.00";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("not a number") << "n/a"
                                  << "n/a";
    QTest::newRow("leading number only") << "12abc"
                                         << "12abc";
    QTest::newRow("out of range") << "1E999"
                                  << "Overflow";
}

void TestReport::formatTwoDecimals()
{
    QFETCH(QString, text);
    QFETCH(QString, entry);
    QCOMPARE(pos::formatTwoDecimals(text), entry);
}

void TestReport::compactColumnMatchesEntryTexts()
{
    // Journal fields of every kind: the compact column shows each entry as formatTwoDecimals
    // gives it, and its total is exactly the sum of leadingNumber of each entry's text, one
    // by one.
    QList<QByteArray> fields{"",
                             "$.00",
                             "-$.00",
                             "n/a",
                             "12abc",
                             "$21,474,836.47",
                             "$21,474,836.48",
                             "-$21,474,836.48",
                             "-$21,474,836.49",
                             "$99,999,999,999.99",
                             "$123,456,789,012,345,678.00",
                             "1E999",
                             "0.005",
                             " $3.10 ",
                             "\xe9t\xe9"};
    QRandomGenerator random(1234);
    for (int i = 0; i < 50000; ++i) {
        const double amount = (random.bounded(4) == 0 ? random.bounded(100000000) : random.bounded(100000)) / 100.0
                              * (random.bounded(20) == 0 ? -1 : 1);
        fields << formatMoney(amount).toLatin1();
        if (i % 10 == 0)
            fields << QByteArray::number(amount + random.bounded(10) / 1000.0, 'f', 3);
    }
    EntryColumn column;
    double sum = 0;
    for (const QByteArray &field : fields) {
        column.appendField(field);
        const QString entry = pos::formatTwoDecimals(fromAnsi(field));
        const qsizetype row = column.size() - 1;
        QCOMPARE(column.shown(row), entry);
        QCOMPARE(exact(column.value(row)), exact(leadingNumber(entry)));
        sum += leadingNumber(entry);
    }
    QCOMPARE(exact(column.total()), exact(sum));
    QCOMPARE(columnTotalText(column), numberText(sum));
    QCOMPARE(columnTotalText(EntryColumn()), QStringLiteral("0"));
}

void TestReport::appendedColumns()
{
    EntryColumn first;
    for (const char *field : {"$1.00", "n/a", "$30,000,000.00"})
        first.appendField(field);
    EntryColumn second;
    for (const char *field : {"", "$2.50", "$40,000,000.00", "x"})
        second.appendField(field);
    first.append(second);
    first.append(second);
    QCOMPARE(entries(first), (QStringList{"1.00", "n/a", "30000000.00", "", "2.50", "40000000.00", "x", "", "2.50",
                                          "40000000.00", "x"}));
    QCOMPARE(columnTotalText(first), QStringLiteral("110000006"));
    first.clear();
    QVERIFY(first.isEmpty());
    QCOMPARE(columnTotalText(first), QStringLiteral("0"));
}

void TestReport::journalKeysAndUntaxedSales()
{
    const QByteArray journal =
        // The first record's key is empty: it equals the starting key and is skipped.
        record("", "$1.00", "$.06", "$1.06")
        + record("R1", "$1,234.50", "$80.24", "$1,314.74")
        // Closed twice: counted once.
        + record("R1", "$1,234.50", "$80.24", "$1,314.74")
        + record("R2", "-$12.50", "-$.75", "-$13.25")
        // The same key again, not adjacent: counted.
        + record("R1", "$9.00", "$.54", "$9.54")
        // Untaxed: tax .00, and 0.004 rounds to .00.
        + record("R3", "$10.00", "$.00", "$10.00")
        + record("R4", "$5.25", "0.004", "$5.25")
        // 0.005 rounds to .01: listed.
        + record("R5", "$2.00", "0.005", "$2.01")
        // An order closed without lines.
        + record("R6", "", "", "");
    const Loaded loaded = load(journal);
    QCOMPARE(loaded.gross, (QStringList{"1234.50", "-12.50", "9.00", "2.00", ""}));
    QCOMPARE(loaded.tax, (QStringList{"80.24", "-.75", ".54", ".01", ""}));
    QCOMPARE(loaded.net, (QStringList{"1314.74", "-13.25", "9.54", "2.01", ""}));
    QVERIFY(loaded.untaxed.any);
    QCOMPARE(numberText(loaded.untaxed.value), QStringLiteral("15.25"));

    const Loaded none = load(QByteArray());
    QVERIFY(none.gross.isEmpty());
    QVERIFY(!none.untaxed.any);
}

void TestReport::untaxedSumAsTheBoxCarriesIt()
{
    // The box's text after each untaxed sale is numberText(leadingNumber(text) + subtotal):
    // the carried value must give the same texts, whatever the amounts (returns included).
    QRandomGenerator random(99);
    QByteArray journal;
    QString box;
    for (int i = 0; i < 20000; ++i) {
        QByteArray subtotal;
        switch (random.bounded(5)) {
        case 0:
            subtotal = formatMoney(-(random.bounded(100000000)) / 100.0).toLatin1();
            break;
        case 1:
            subtotal = QByteArray::number(random.generateDouble() * 1000, 'f', 4);
            break;
        case 2:
            subtotal = formatMoney(random.bounded(1000000000) / 100.0 * 1000).toLatin1();
            break;
        default:
            subtotal = formatMoney(random.bounded(100000) / 100.0).toLatin1();
        }
        journal += record("R" + QByteArray::number(i), subtotal, "$.00", subtotal);
        box = numberText(leadingNumber(box) + leadingNumber(pos::formatTwoDecimals(fromAnsi(subtotal))));
    }
    const Loaded loaded = load(journal);
    QVERIFY(loaded.gross.isEmpty());
    QCOMPARE(numberText(loaded.untaxed.value), box);
}

void TestReport::historyListsEveryRecord()
{
    const QByteArray history = record("", "$1.00", "$.06", "$1.06") + record("R1", "$10.00", "$.00", "$10.00")
                               + record("R1", "$10.00", "$.00", "$10.00") + record("R2", "$2.00", "$.12", "$2.12");
    // Untaxed sales listed; a repeat of the record before (the first compared with the empty
    // key) counted once, as the journal counts it, so a period totals the same once cut off.
    const Loaded loaded = load(history, true);
    QCOMPARE(loaded.gross, (QStringList{"10.00", "2.00"}));
    QCOMPARE(loaded.tax, (QStringList{".00", ".12"}));
    QCOMPARE(loaded.net, (QStringList{"10.00", "2.12"}));
    QVERIFY(!loaded.untaxed.any);
}

void TestReport::incompleteLastRecordIgnored()
{
    // A record broken across lines still counts; the two fields left at the end do not.
    const QByteArray journal = "\"R1\",\"$1.00\"\r\n\"$.06\",\"$1.06\",\"Cash\"\r\n\"R2\",\"$5.00\"\r\n";
    for (bool history : {false, true}) {
        const Loaded loaded = load(journal, history);
        QCOMPARE(loaded.gross, QStringList{"1.00"});
        QCOMPARE(loaded.tax, QStringList{".06"});
        QCOMPARE(loaded.net, QStringList{"1.06"});
    }
}

void TestReport::reconciliation_data()
{
    QTest::addColumn<QString>("gross");
    QTest::addColumn<QString>("tax");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("municipal");
    QTest::addColumn<QString>("stateShare");
    QTest::addColumn<QString>("municipalShare");
    QTest::addColumn<QString>("calculated");
    QTest::addColumn<QString>("discrepancy"); // "<none>": equal
    QTest::addColumn<bool>("red");

    QTest::newRow("equal") << "200"
                           << "12"
                           << "6"
                           << "4"
                           << "2"
                           << "8"
                           << "4"
                           << "12"
                           << "<none>" << false;
    QTest::newRow("too little") << "200"
                                << "11.5"
                                << "6"
                                << "4"
                                << "2"
                                << "7.66666666666667"
                                << "3.83333333333333"
                                << "12"
                                << "-0.5" << true;
    QTest::newRow("too much") << "200"
                              << "12.25"
                              << "6"
                              << "4"
                              << "2"
                              << "8.16666666666667"
                              << "4.08333333333333"
                              << "12"
                              << "0.25" << false;
    QTest::newRow("100 at 6.5") << "100"
                                << "6.5"
                                << "6.5"
                                << "5.5"
                                << "1"
                                << "5.5"
                                << "1"
                                << "6.5"
                                << "<none>" << false;
    QTest::newRow("no rounding") << "100.5"
                                 << "6.53"
                                 << "6.5"
                                 << "5.5"
                                 << "1"
                                 << "5.52538461538462"
                                 << "1.00461538461538"
                                 << "6.5325"
                                 << "-0.0024999999999995" << true;
    QTest::newRow("rates not adding up") << "200"
                                         << "12"
                                         << "6"
                                         << "3"
                                         << "2"
                                         << "6"
                                         << "4"
                                         << "12"
                                         << "<none>" << false;
    QTest::newRow("rate 0") << "200"
                            << "12"
                            << "0"
                            << "4"
                            << "2"
                            << ""
                            << ""
                            << "0"
                            << "12" << false;
    QTest::newRow("empty rates") << "200"
                                 << "12"
                                 << ""
                                 << ""
                                 << ""
                                 << ""
                                 << ""
                                 << "0"
                                 << "12" << false;
    QTest::newRow("gross not a number in full") << "200x"
                                                << "0"
                                                << "6"
                                                << "4"
                                                << "2"
                                                << "0"
                                                << "0"
                                                << "0"
                                                << "<none>" << false;
    QTest::newRow("gross as money") << "$1,000.00"
                                    << "60"
                                    << "6"
                                    << "4"
                                    << "2"
                                    << "40"
                                    << "20"
                                    << "60"
                                    << "<none>" << false;
    QTest::newRow("nothing collected") << "0"
                                       << "0"
                                       << "6"
                                       << "4"
                                       << "2"
                                       << "0"
                                       << "0"
                                       << "0"
                                       << "<none>" << false;
    QTest::newRow("zero discrepancy text") << "100"
                                           << "6.5000000000000001"
                                           << "6.5"
                                           << "5.5"
                                           << "1"
                                           << "5.5"
                                           << "1"
                                           << "6.5"
                                           << "<none>" << false;
}

void TestReport::reconciliation()
{
    QFETCH(QString, gross);
    QFETCH(QString, tax);
    QFETCH(QString, rate);
    QFETCH(QString, state);
    QFETCH(QString, municipal);
    QFETCH(QString, stateShare);
    QFETCH(QString, municipalShare);
    QFETCH(QString, calculated);
    QFETCH(QString, discrepancy);
    QFETCH(bool, red);

    const TaxReconciliation result = reconcileTax({gross, tax, rate, state, municipal});
    QCOMPARE(result.collected, tax);
    QCOMPARE(result.stateShare, stateShare);
    QCOMPARE(result.municipalShare, municipalShare);
    QCOMPARE(result.calculated, calculated);
    if (discrepancy == QLatin1String("<none>")) {
        QVERIFY(!result.discrepancy);
    } else {
        QVERIFY(result.discrepancy);
        QCOMPARE(*result.discrepancy, discrepancy);
        QCOMPARE(result.red, red);
    }
}

QTEST_APPLESS_MAIN(TestReport)
#include "test_report.moc"
