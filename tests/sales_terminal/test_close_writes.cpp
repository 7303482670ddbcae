// The writes of a close and their order: the receipt takes its place only once the sale is
// recorded, and a failure before that leaves every file as it was.

#include "work_dir.h"

#include "sales_terminal/close_writes.h"

#include <QDir>
#include <QTest>

using namespace pos;
using namespace pos::testing;

namespace {

const JournalRecord kSale{QStringLiteral("Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann"),
                          QStringLiteral("$9.00"), QStringLiteral("$.54"), QStringLiteral("$9.54"),
                          QStringLiteral("Cash")};
const QByteArray kSaleLine =
    "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n";
const QByteArray kOldReceipt = "the previous receipt\r\n";
const QByteArray kNewReceipt = "this sale's receipt\r\n";

QStringList entries(const WorkDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestCloseWrites : public QObject
{
    Q_OBJECT

private slots:
    void journaledSale();
    void receiptOnly();
    void journalFailureKeepsPreviousReceipt();
    void receiptFailureRecordsNothing();
};

void TestCloseWrites::journaledSale()
{
    WorkDir dir;
    dir.write("reciept.txt", kOldReceipt);
    const CloseOutcome outcome = writeClose({kNewReceipt, kSale});
    QCOMPARE(outcome.result, CloseOutcome::Closed);
    QVERIFY(outcome.message.isEmpty());
    QCOMPARE(dir.read("reciept.txt"), kNewReceipt);
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QCOMPARE(entries(dir), (QStringList{"reciept.txt", "sales.txt"}));
}

void TestCloseWrites::receiptOnly()
{
    WorkDir dir;
    QCOMPARE(writeClose({kNewReceipt, std::nullopt}).result, CloseOutcome::Closed);
    QCOMPARE(dir.read("reciept.txt"), kNewReceipt);
    QVERIFY(!dir.exists("sales.txt"));
}

void TestCloseWrites::journalFailureKeepsPreviousReceipt()
{
    WorkDir dir;
    dir.write("reciept.txt", kOldReceipt);
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    const CloseOutcome outcome = writeClose({kNewReceipt, kSale});
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QVERIFY(outcome.journalFailed);
    QVERIFY2(outcome.message.contains("\"sales.txt\""), qPrintable(outcome.message));
    // The receipt of the unrecorded sale never took the place of the previous one.
    QCOMPARE(dir.read("reciept.txt"), kOldReceipt);
    QCOMPARE(entries(dir), (QStringList{"reciept.txt", "sales.txt"}));
}

void TestCloseWrites::receiptFailureRecordsNothing()
{
    WorkDir dir;
    QVERIFY(QDir(dir.path()).mkdir("reciept.txt"));
    const CloseOutcome outcome = writeClose({kNewReceipt, kSale});
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QVERIFY(!outcome.journalFailed);
    QVERIFY2(outcome.message.contains("\"reciept.txt\""), qPrintable(outcome.message));
    QVERIFY(!dir.exists("sales.txt"));
}

QTEST_GUILESS_MAIN(TestCloseWrites)
#include "test_close_writes.moc"
