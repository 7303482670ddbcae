// The sales journal record and its append: bytes, a journal left without a final line end by
// a text editor, and places where no journal can be written.

#include "sample_sale.h"
#include "work_dir.h"

#include "common/journal.h"
#include "common/records.h"

#include <QDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace pos;
using namespace pos::testing;

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void recordBytes();
    void appendCreatesThenAppends();
    void lastLineWithoutLineEnd_data();
    void lastLineWithoutLineEnd();
    void refusedPlaces();
};

void TestJournal::recordBytes()
{
    QCOMPARE(journalRecordBytes(kSale), kSaleLine);
    QCOMPARE(journalRecordBytes({}), QByteArray("\"\",\"\",\"\",\"\",\"\"\r\n"));
    // Read back field by field it gives the five texts.
    FieldReader reader(journalRecordBytes(kSale) + journalRecordBytes(kSale));
    const QStringList fields = reader.readAll();
    QCOMPARE(fields.size(), 10);
    QCOMPARE(fields.at(5), kSale.receiptHeader);
    QCOMPARE(fields.at(9), QStringLiteral("Cash"));
}

void TestJournal::appendCreatesThenAppends()
{
    WorkDir dir;
    QVERIFY(appendJournalRecord(kSale));
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QVERIFY(appendJournalRecord(kSale));
    QCOMPARE(dir.read("sales.txt"), kSaleLine + kSaleLine);
}

void TestJournal::lastLineWithoutLineEnd_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    const QByteArray old = "\"R1\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"";
    QTest::newRow("edited, no line end") << old << old + "\r\n" + kSaleLine;
    QTest::newRow("CR LF") << old + "\r\n" << old + "\r\n" + kSaleLine;
    // A lone LF or CR already ends the line for the reader: adding CR LF would read as an
    // extra empty field and shift every later record.
    QTest::newRow("LF") << old + "\n" << old + "\n" + kSaleLine;
    QTest::newRow("CR") << old + "\r" << old + "\r" + kSaleLine;
    QTest::newRow("empty") << QByteArray() << kSaleLine;
}

void TestJournal::lastLineWithoutLineEnd()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    WorkDir dir;
    dir.write("sales.txt", before);
    QVERIFY(appendJournalRecord(kSale));
    QCOMPARE(dir.read("sales.txt"), after);
    // Every record still reads as five fields.
    const QStringList fields = FieldReader(after).readAll();
    QCOMPARE(fields.size() % 5, 0);
    QCOMPARE(fields.last(), QStringLiteral("Cash"));
}

void TestJournal::refusedPlaces()
{
    WorkDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    WriteResult result = appendJournalRecord(kSale);
    QVERIFY(!result);
    QVERIFY2(result.message.contains("\"sales.txt\"") && result.message.contains("folder"),
             qPrintable(result.message));
#ifdef Q_OS_UNIX
    // A named pipe in the journal's place is refused at once rather than blocking the close.
    QVERIFY(QDir(dir.path()).rmdir("sales.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("sales.txt")).constData(), 0600), 0);
    result = appendJournalRecord(kSale);
    QVERIFY(!result);
    QVERIFY2(result.message.contains("not a regular file"), qPrintable(result.message));
#endif
}

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
