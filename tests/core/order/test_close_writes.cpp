// The writes of a close and their order: the receipt takes its place only once the sale is
// recorded, and a failure before that leaves every file as it was.

#include "sample_sale.h"
#include "work_dir.h"

#include "core/formats/file_limits.h"
#include "core/order/close_writes.h"

#include <QDir>
#include <QTest>

using namespace pos;
using namespace pos::testing;

namespace {

const QByteArray kOldReceipt = "the previous receipt\r\n";
const QByteArray kNewReceipt = "this sale's receipt\r\n";
const QDateTime kClosed(QDate(2004, 3, 14), QTime(9, 30, 10));

CloseWrites::NewLayaway newLayawayOf(const QByteArray &bytes)
{
    return {kSale, bytes, kClosed, QStringLiteral("Ann")};
}

CloseWrites::LayawayPayment payment(const QString &path, const QByteArray &bytes)
{
    return {path, bytes};
}

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
    void newLayaway();
    void newLayawayNotKeptWhenJournalFails();
    void newLayawayFailureRecordsNothing();
    void layawayPaymentRewritesTheFile();
    void layawayPaymentFailureKeepsEverything();
    void layawayBeyondTheLimitsIsNotWritten();
};

void TestCloseWrites::journaledSale()
{
    WorkDir dir;
    Journal journal;
    dir.write("reciept.txt", kOldReceipt);
    const CloseOutcome outcome = writeClose({kNewReceipt, CloseWrites::Sale{kSale}}, journal);
    QCOMPARE(outcome.result, CloseOutcome::Closed);
    QVERIFY(outcome.message.isEmpty());
    QCOMPARE(dir.read("reciept.txt"), kNewReceipt);
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QCOMPARE(entries(dir), (QStringList{"reciept.txt", "sales.txt", "sales.txt.appended"}));
}

void TestCloseWrites::receiptOnly()
{
    WorkDir dir;
    Journal journal;
    QCOMPARE(writeClose({kNewReceipt, CloseWrites::ReceiptOnly{}}, journal).result, CloseOutcome::Closed);
    QCOMPARE(dir.read("reciept.txt"), kNewReceipt);
    QVERIFY(!dir.exists("sales.txt"));
}

void TestCloseWrites::journalFailureKeepsPreviousReceipt()
{
    WorkDir dir;
    Journal journal;
    dir.write("reciept.txt", kOldReceipt);
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    const CloseOutcome outcome = writeClose({kNewReceipt, CloseWrites::Sale{kSale}}, journal);
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QCOMPARE(outcome.failed, CloseOutcome::Journal);
    QVERIFY2(outcome.message.contains("\"sales.txt\""), qPrintable(outcome.message));
    // The receipt of the unrecorded sale never took the place of the previous one.
    QCOMPARE(dir.read("reciept.txt"), kOldReceipt);
    QCOMPARE(entries(dir), (QStringList{"reciept.txt", "sales.txt"}));
}

void TestCloseWrites::receiptFailureRecordsNothing()
{
    WorkDir dir;
    Journal journal;
    QVERIFY(QDir(dir.path()).mkdir("reciept.txt"));
    const CloseOutcome outcome = writeClose({kNewReceipt, CloseWrites::Sale{kSale}}, journal);
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QCOMPARE(outcome.failed, CloseOutcome::Receipt);
    QVERIFY2(outcome.message.contains("\"reciept.txt\""), qPrintable(outcome.message));
    QVERIFY(!dir.exists("sales.txt"));
}

void TestCloseWrites::newLayaway()
{
    WorkDir dir;
    Journal journal;
    const CloseOutcome outcome = writeClose({kNewReceipt, newLayawayOf("4.54\r\n\"Shop\"\r\n")}, journal);
    QCOMPARE(outcome.result, CloseOutcome::Closed);
    QCOMPARE(outcome.layawayPath, QStringLiteral("03142004093010Ann.lwy"));
    QCOMPARE(dir.read("03142004093010Ann.lwy"), QByteArray("4.54\r\n\"Shop\"\r\n"));
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QCOMPARE(dir.read("reciept.txt"), kNewReceipt);
}

void TestCloseWrites::newLayawayNotKeptWhenJournalFails()
{
    WorkDir dir;
    Journal journal;
    dir.write("reciept.txt", kOldReceipt);
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    const CloseOutcome outcome = writeClose({kNewReceipt, newLayawayOf("4.54\r\n")}, journal);
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QCOMPARE(outcome.failed, CloseOutcome::Journal);
    // Nothing half done: no layaway for the unrecorded sale, the previous receipt in place.
    QCOMPARE(entries(dir), (QStringList{"reciept.txt", "sales.txt"}));
    QCOMPARE(dir.read("reciept.txt"), kOldReceipt);
}

void TestCloseWrites::newLayawayFailureRecordsNothing()
{
    WorkDir dir;
    Journal journal;
    dir.write("reciept.txt", kOldReceipt);
    const CloseOutcome outcome =
        writeClose({kNewReceipt, newLayawayOf("4.54\r\n")}, journal, kReceiptFile, dir.filePath("gone"));
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QCOMPARE(outcome.failed, CloseOutcome::Layaway);
    QVERIFY2(outcome.message.contains("03142004093010Ann.lwy"), qPrintable(outcome.message));
    QCOMPARE(entries(dir), QStringList{"reciept.txt"});
    QCOMPARE(dir.read("reciept.txt"), kOldReceipt);
}

void TestCloseWrites::layawayPaymentRewritesTheFile()
{
    WorkDir dir;
    Journal journal;
    dir.write("a.lwy", "4.54\r\n\"old\"\r\n");
    const CloseOutcome outcome = writeClose({kNewReceipt, payment(dir.filePath("a.lwy"), "0\r\n\"new\"\r\n")}, journal);
    QCOMPARE(outcome.result, CloseOutcome::Closed);
    QCOMPARE(outcome.layawayPath, dir.filePath("a.lwy"));
    QCOMPARE(dir.read("a.lwy"), QByteArray("0\r\n\"new\"\r\n"));
    QCOMPARE(dir.read("reciept.txt"), kNewReceipt);
    QVERIFY(!dir.exists("sales.txt"));
    QCOMPARE(entries(dir), (QStringList{"a.lwy", "reciept.txt"}));
}

void TestCloseWrites::layawayPaymentFailureKeepsEverything()
{
    WorkDir dir;
    Journal journal;
    dir.write("reciept.txt", kOldReceipt);
    QVERIFY(QDir(dir.path()).mkdir("a.lwy"));
    const CloseOutcome outcome = writeClose({kNewReceipt, payment(dir.filePath("a.lwy"), "0\r\n")}, journal);
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QCOMPARE(outcome.failed, CloseOutcome::Layaway);
    QVERIFY2(outcome.message.contains("a.lwy"), qPrintable(outcome.message));
    QCOMPARE(dir.read("reciept.txt"), kOldReceipt);
    QCOMPARE(entries(dir), (QStringList{"a.lwy", "reciept.txt"}));
}

// A layaway whose reopening would be refused (a line of the order over 64 KB, as three boxes
// of 32,767 characters make) is never written: nothing of the close is.
void TestCloseWrites::layawayBeyondTheLimitsIsNotWritten()
{
    WorkDir dir;
    Journal journal;
    dir.write("reciept.txt", kOldReceipt);
    const CloseOutcome outcome =
        writeClose({kNewReceipt, newLayawayOf("4.54\r\n\"" + QByteArray(kLongestField - 1, 'x') + "\"\r\n")}, journal);
    QCOMPARE(outcome.result, CloseOutcome::NothingWritten);
    QCOMPARE(outcome.failed, CloseOutcome::Layaway);
    QCOMPARE(outcome.message, QStringLiteral("Could not write \"03142004093010Ann.lwy\": it would hold a line longer "
                                             "than 64 KB, more than such a file holds"));
    QCOMPARE(entries(dir), QStringList{"reciept.txt"});
    QCOMPARE(dir.read("reciept.txt"), kOldReceipt);
}

QTEST_GUILESS_MAIN(TestCloseWrites)
#include "test_close_writes.moc"
