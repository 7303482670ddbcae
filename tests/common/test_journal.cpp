// The sales journal record and its append: bytes, a journal left without a final line end by
// a text editor, and places where no journal can be written.

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

namespace {

const JournalRecord kSale{QStringLiteral("Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann"),
                          QStringLiteral("$9.00"), QStringLiteral("$.54"), QStringLiteral("$9.54"),
                          QStringLiteral("Cash")};
const QByteArray kSaleLine =
    "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n";

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void recordBytes();
    void appendCreatesThenAppends();
    void lastLineWithoutLineEnd_data();
    void lastLineWithoutLineEnd();
    void lastLineStates_data();
    void lastLineStates();
    void recordCutShortIsSetAside_data();
    void recordCutShortIsSetAside();
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

void TestJournal::lastLineStates_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("state");
    const int ended = int(LastLine::Ended), unended = int(LastLine::Unended), cut = int(LastLine::CutShort);
    QTest::newRow("empty") << QByteArray() << ended;
    QTest::newRow("whole record") << QByteArray("\"R\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"") << unended;
    QTest::newRow("whole record, trailing blank") << QByteArray("\"R\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\" ") << unended;
    QTest::newRow("inside a quote") << QByteArray("\"R\",\"$1.00\",\"$.0") << cut;
    QTest::newRow("after a separator") << QByteArray("\"R\",\"$1.00\",") << cut;
    QTest::newRow("between fields") << QByteArray("\"R\",\"$1.00\"") << cut;
    QTest::newRow("first quote only") << QByteArray("\"") << cut;
    QTest::newRow("two whole records") << QByteArray("\"a\",\"b\",\"c\",\"d\",\"e\",\"a\",\"b\",\"c\",\"d\",\"e\"") << unended;
}

void TestJournal::lastLineStates()
{
    QFETCH(QByteArray, line);
    QFETCH(int, state);
    QCOMPARE(int(lastLineState(line, 5)), state);
}

void TestJournal::recordCutShortIsSetAside_data()
{
    QTest::addColumn<QByteArray>("torn");
    QTest::newRow("inside a quote") << QByteArray("\"Reciept# 03-14-200409:05:33      Sale   Sales");
    QTest::newRow("after a separator") << QByteArray("\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Bo\",\"$1.00\",");
    QTest::newRow("four fields") << QByteArray("\"Reciept# x\",\"$1.00\",\"$.06\",\"$1.06\"");
}

void TestJournal::recordCutShortIsSetAside()
{
    // A crash in the middle of an append leaves the start of a record at the end of the
    // journal. Were the next record appended after it, every later record would read shifted
    // by its fields; it is set aside and cut off first.
    QFETCH(QByteArray, torn);
    WorkDir dir;
    const QByteArray whole = "\"R1\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n";
    dir.write("sales.txt", whole + torn);
    QVERIFY(appendJournalRecord(kSale));
    QCOMPARE(dir.read("sales.txt"), whole + kSaleLine);
    QCOMPARE(dir.read("sales.txt.torn"), torn + "\r\n");
    QCOMPARE(FieldReader(dir.read("sales.txt")).readAll().size(), 10);

    // A torn first record leaves an empty journal before the append.
    dir.write("sales.txt", torn);
    QVERIFY(appendJournalRecord(kSale));
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QCOMPARE(dir.read("sales.txt.torn"), torn + "\r\n" + torn + "\r\n");
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
