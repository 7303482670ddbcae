// The sales journal record and its append: bytes, a journal left without a final line end by
// a text editor, and places where no journal can be written.

#include "sample_sale.h"
#include "work_dir.h"

#include "core/formats/codepage.h"
#include "core/formats/journal_record.h"
#include "core/formats/numbers.h"
#include "core/formats/records.h"
#include "core/journal/journal.h"
#include "core/storage/fault_points.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <memory>

#include <QThread>

#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace pos;
using namespace pos::testing;

namespace {

QByteArray layawayDigest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Every field the reader gives, records first, then the incomplete tail; and the number of
// complete records.
QStringList readerFields(JournalReader &reader, int *records = nullptr)
{
    QStringList fields;
    JournalFields record;
    int count = 0;
    while (reader.next(record)) {
        ++count;
        for (QByteArrayView field : record.field)
            fields << fromAnsi(field);
    }
    for (const QByteArray &field : reader.incompleteTail())
        fields << fromAnsi(field);
    if (records)
        *records = count;
    return fields;
}

QStringList readerFields(const QByteArray &content, qsizetype chunk, int *records = nullptr)
{
    JournalReader reader(content, chunk);
    return readerFields(reader, records);
}

const QByteArray kThreeSales =
    "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n"
    "\"Reciept# 03-14-200409:10:00      Return   Salesperson: Bo\",\"-$12.50\",\"-$.75\",\"-$13.25\",\"Cash\"\r\n"
    "\"Reciept# 03-14-200410:00:00      Sale   Salesperson: Cy\",\"$1,234.50\",\"$80.24\",\"$1,314.74\",\"Charge "
    "Visa\"\r\n";

#ifdef Q_OS_UNIX
// Runs the action with the size of files this process may write capped, as on a full disk.
template<typename Action>
void withFileSizeCap(rlim_t bytes, Action action)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit capped = saved;
    capped.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &capped);
    action();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
}
#endif

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void recordBytes();
    void appendCreatesThenAppends();
    void lastLineWithoutLineEnd_data();
    void lastLineWithoutLineEnd();
    void recordCutShortIsSetAside_data();
    void recordCutShortIsSetAside();
    void refusedPlaces();

    void readerGivesFieldReaderFields_data();
    void readerGivesFieldReaderFields();
    void readerOnRandomContent();
    void readerOnMendedJournals();
    void readerFromFile();
    void readerLongFieldGrowsBuffer();
    void moneyCents_data();
    void moneyCents();
    void moneyCentsPlainAndGeneralAgree();
    void cutoffMovesEveryRecord();
    void cutoffReplacesExistingHistory();
    void cutoffOfEmptyOrMissingJournal();
    void cutoffKeepsEveryByte();
    void cutoffRefusesTheJournal_data();
    void cutoffRefusesTheJournal();
    void cutoffThatCannotWriteKeepsJournal();
    void cutoffOfUnreadableJournal();
    void cutShortCutoffFinishedOnce_data();
    void cutShortCutoffFinishedOnce();
    void layawayOfUnrecordedSaleRemoved();
    void untrustedAnnouncementsTouchNothing_data();
    void untrustedAnnouncementsTouchNothing();
    void salesAnEditorRemovedAreKept_data();
    void salesAnEditorRemovedAreKept();
    void recordsOutOfStepTold_data();
    void recordsOutOfStepTold();
    void closedPeriodBroughtBackIsKeptOut_data();
    void closedPeriodBroughtBackIsKeptOut();
    void announcedCutoffIsNoRemoval();
    void failedCloseAfterSyncStillRecords();
    void appendedNoteThatFailedIsMadeLater();
    void unreadableJournalIsNoEmptyOne();
    void companionFilesOnlyTheProgramsOwn_data();
    void companionFilesOnlyTheProgramsOwn();
    void journalThatIsAPipeNeverHangs();
    void recordAppendedUnderTheLockInTwoWrites_data();
    void recordAppendedUnderTheLockInTwoWrites();
    void historyNamedLikeATemporaryRefused();
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
    Journal journal;
    QVERIFY(journal.recordSale(kSale).result);
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QVERIFY(journal.recordSale(kSale).result);
    QCOMPARE(dir.read("sales.txt"), kSaleLine + kSaleLine);
}

void TestJournal::lastLineWithoutLineEnd_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    const QByteArray old = "\"R1\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"";
    QTest::newRow("edited, no line end") << old << old + "\r\n" + kSaleLine;
    QTest::newRow("CR LF") << old + "\r\n" << old + "\r\n" + kSaleLine;
    // A lone LF already ends the line: adding CR LF would read as an extra empty field and
    // shift every later record. A lone CR (a crash between the CR and the LF of a record) gets
    // its LF, or the next record would run on in the same line for every reader by lines.
    QTest::newRow("LF") << old + "\n" << old + "\n" + kSaleLine;
    QTest::newRow("CR") << old + "\r" << old + "\r\n" + kSaleLine;
    QTest::newRow("empty") << QByteArray() << kSaleLine;
    // Hand edits end with a line end and are kept: only the start of a record as Close Order
    // writes it is taken for one cut short.
    const QByteArray broken = "\"Reciept# 2\",\"$1.00\",\"$.06\",\"$1.06\",\"Ca\r\nsh\"";
    QTest::newRow("line break in the last field") << broken << broken + "\r\n" + kSaleLine;
    QTest::newRow("typed by hand") << QByteArray("Hand, typed, five, bare, fields")
                                   << QByteArray("Hand, typed, five, bare, fields\r\n") + kSaleLine;
}

void TestJournal::lastLineWithoutLineEnd()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    WorkDir dir;
    Journal journal;
    dir.write("sales.txt", before);
    QVERIFY(journal.recordSale(kSale).result);
    QCOMPARE(dir.read("sales.txt"), after);
    // Every record still reads as five fields.
    const QStringList fields = FieldReader(after).readAll();
    QCOMPARE(fields.size() % 5, 0);
    QCOMPARE(fields.last(), QStringLiteral("Cash"));
}

void TestJournal::recordCutShortIsSetAside_data()
{
    QTest::addColumn<QByteArray>("torn");
    QTest::newRow("inside a quote") << QByteArray("\"Reciept# 03-14-200409:05:33      Sale   Sales");
    QTest::newRow("after a separator") << QByteArray(
        "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Bo\",\"$1.00\",");
    QTest::newRow("four fields") << QByteArray("\"Reciept# x\",\"$1.00\",\"$.06\",\"$1.06\"");
}

void TestJournal::recordCutShortIsSetAside()
{
    // A crash in the middle of an append leaves the start of a record at the end of the
    // journal. Were the next record appended after it, every later record would read shifted
    // by its fields; it is set aside and cut off first.
    QFETCH(QByteArray, torn);
    WorkDir dir;
    Journal journal;
    const QByteArray whole = "\"R1\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n";
    dir.write("sales.txt", whole + torn);
    QVERIFY(journal.recordSale(kSale).result);
    QCOMPARE(dir.read("sales.txt"), whole + kSaleLine);
    QCOMPARE(dir.read("sales.txt.torn"), torn + "\r\n");
    QCOMPARE(FieldReader(dir.read("sales.txt")).readAll().size(), 10);

    // A torn first record leaves an empty journal before the append.
    dir.write("sales.txt", torn);
    QVERIFY(journal.recordSale(kSale).result);
    QCOMPARE(dir.read("sales.txt"), kSaleLine);
    QCOMPARE(dir.read("sales.txt.torn"), torn + "\r\n" + torn + "\r\n");
}

void TestJournal::refusedPlaces()
{
    WorkDir dir;
    Journal journal;
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    WriteResult result = journal.recordSale(kSale).result;
    QVERIFY(!result);
    QVERIFY2(result.message.contains("\"sales.txt\"") && result.message.contains("folder"), qPrintable(result.message));
#ifdef Q_OS_UNIX
    // A named pipe in the journal's place is refused at once rather than blocking the close.
    QVERIFY(QDir(dir.path()).rmdir("sales.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("sales.txt")).constData(), 0600), 0);
    result = journal.recordSale(kSale).result;
    QVERIFY(!result);
    QVERIFY2(result.message.contains("not a regular file"), qPrintable(result.message));
#endif
}

void TestJournal::readerGivesFieldReaderFields_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("records");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("three sales") << kThreeSales << 3;
    QTest::newRow("record across lines") << QByteArray("\"a\",\"b\"\r\n\"c\"\r\n\"d\",\"e\"\r\n") << 1;
    QTest::newRow("line break inside quotes") << QByteArray("\"a\r\nb\",\"1\",\"2\",\"3\",\"4\"\r\n") << 1;
    QTest::newRow("text after closing quote") << QByteArray("\"a\"xy z,\"b\" ,\"c\"\"d\",e,f\r\n") << 1;
    QTest::newRow("quote inside bare field") << QByteArray("ab\"c,2,3,4,5\r\n") << 1;
    QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc\r\rd\n\ne\r") << 1;
    QTest::newRow("blanks") << QByteArray("  a  ,\t\"b\" , c\t,   ,\"  \"\r\n   ") << 1;
    QTest::newRow("missing trailing fields") << QByteArray("\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\"f\",\"g\"\r\n") << 1;
    QTest::newRow("trailing comma") << QByteArray("a,b,c,d,") << 0;
    QTest::newRow("no final line end") << QByteArray("a,b,c,d,e") << 1;
    QTest::newRow("unclosed quote") << QByteArray("a,b,c,d,e\r\n\"f,g\r\nh") << 1;
    QTest::newRow("CR at the very end") << QByteArray("a,b,c,d,e\r") << 1;
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n\r\n\r\n\r\n\r\n") << 1;
    QTest::newRow("Windows-1252 bytes") << QByteArray("\"caf\xe9 \x80\x81\",2,3,4,5\r\n") << 1;
}

void TestJournal::readerGivesFieldReaderFields()
{
    QFETCH(QByteArray, content);
    QFETCH(int, records);
    const QStringList expected = FieldReader(content).readAll();
    // Every place a chunk can end, and one chunk for everything.
    for (qsizetype chunk : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(5), qsizetype(1) << 20}) {
        int count = -1;
        QCOMPARE(readerFields(content, chunk, &count), expected);
        QCOMPARE(count, records);
    }
    JournalReader reader(content);
    readerFields(reader);
    QCOMPARE(reader.incompleteTail().size(), expected.size() % 5);
    QCOMPARE(reader.bytesRead(), content.size());
}

void TestJournal::readerOnRandomContent()
{
    // Short contents made of the characters that matter to the format.
    const QByteArray alphabet("\"\",,\r\n \ta$1.");
    QRandomGenerator random(1403);
    for (int run = 0; run < 4000; ++run) {
        QByteArray content;
        const int length = random.bounded(48);
        for (int i = 0; i < length; ++i)
            content += alphabet.at(random.bounded(alphabet.size()));
        const QStringList expected = FieldReader(content).readAll();
        const qsizetype chunk = 1 + random.bounded(8);
        const QStringList got = readerFields(content, chunk);
        if (got != expected)
            QFAIL(qPrintable(
                QStringLiteral("content %1, chunk %2").arg(QString::fromLatin1(content.toHex())).arg(chunk)));
    }
}

void TestJournal::readerOnMendedJournals()
{
    // Journals as Close Order writes them with a few bytes changed here and there (a hand
    // edit): long runs of ordinary records read whole at once, the changed ones field by field.
    const QByteArray special("\"\",,\r\n \tx");
    QByteArray journal;
    for (int i = 0; i < 12; ++i)
        journal += kThreeSales;
    QRandomGenerator random(1503);
    for (int run = 0; run < 1500; ++run) {
        QByteArray content = journal;
        const int changes = random.bounded(4);
        for (int i = 0; i < changes; ++i)
            content[random.bounded(content.size())] = special.at(random.bounded(special.size()));
        if (random.bounded(4) == 0)
            content.truncate(random.bounded(content.size()));
        const QStringList expected = FieldReader(content).readAll();
        const qsizetype chunk = random.bounded(3) == 0 ? JournalReader::kDefaultChunk : 1 + random.bounded(400);
        if (readerFields(content, chunk) != expected)
            QFAIL(qPrintable(QStringLiteral("run %1, chunk %2").arg(run).arg(chunk)));
    }
}

void TestJournal::readerFromFile()
{
    WorkDir dir;
    Journal journal;
    JournalReader missing(QStringLiteral("sales.txt"));
    QCOMPARE(missing.state(), FileState::Missing);
    QVERIFY(readerFields(missing).isEmpty());

    QByteArray content;
    for (int i = 0; i < 5000; ++i)
        content += kThreeSales;
    dir.write("sales.txt", content);
    JournalReader reader(QStringLiteral("sales.txt"), 4096);
    int records = 0;
    QCOMPARE(readerFields(reader, &records), FieldReader(content).readAll());
    QCOMPARE(records, 15000);
    QCOMPARE(reader.state(), FileState::Read);
    QCOMPARE(reader.bytesRead(), content.size());

    QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
    JournalReader folder(QStringLiteral("folder.txt"));
    QCOMPARE(folder.state(), FileState::Unreadable);
    QVERIFY(readerFields(folder).isEmpty());
#ifdef Q_OS_UNIX
    // A pipe is refused without being opened, so the read never blocks.
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.txt")).constData(), 0600), 0);
    JournalReader pipe(QStringLiteral("pipe.txt"));
    QCOMPARE(pipe.state(), FileState::Unreadable);
#endif
}

void TestJournal::readerLongFieldGrowsBuffer()
{
    const QByteArray longText(100000, 'x');
    const QByteArray content = "\"" + longText + "\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n" + kThreeSales;
    JournalReader reader(content, 64);
    JournalFields record;
    QVERIFY(reader.next(record));
    QCOMPARE(record.field[0].toByteArray(), longText);
    QCOMPARE(record.field[4].toByteArray(), QByteArray("Cash"));
    int more = 0;
    while (reader.next(record))
        ++more;
    QCOMPARE(more, 3);
}

void TestJournal::moneyCents_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<bool>("number");
    QTest::newRow("$9.00") << QByteArray("$9.00") << qint64(900) << true;
    QTest::newRow("$.54") << QByteArray("$.54") << qint64(54) << true;
    QTest::newRow("$1,234.50") << QByteArray("$1,234.50") << qint64(123450) << true;
    QTest::newRow("-$12.50") << QByteArray("-$12.50") << qint64(-1250) << true;
    QTest::newRow("$.00") << QByteArray("$.00") << qint64(0) << true;
    QTest::newRow("-$.00") << QByteArray("-$.00") << qint64(0) << true;
    QTest::newRow("0") << QByteArray("0") << qint64(0) << true;
    QTest::newRow("0.5") << QByteArray("0.5") << qint64(50) << true;
    QTest::newRow("12.") << QByteArray("12.") << qint64(1200) << true;
    QTest::newRow("0.004") << QByteArray("0.004") << qint64(0) << true;
    QTest::newRow("0.005") << QByteArray("0.005") << qint64(1) << true;
    QTest::newRow("-0.005") << QByteArray("-0.005") << qint64(-1) << true;
    QTest::newRow("1.005") << QByteArray("1.005") << qint64(101) << true;
    QTest::newRow("1E3") << QByteArray("1E3") << qint64(100000) << true;
    QTest::newRow("blanks around") << QByteArray(" $5.25\t") << qint64(525) << true;
    QTest::newRow("sign after $") << QByteArray("$-5") << qint64(-500) << true;
    QTest::newRow("plus") << QByteArray("+7.1") << qint64(710) << true;
    QTest::newRow("13 digits") << QByteArray("9,999,999,999,999.99") << qint64(999999999999999) << true;
    QTest::newRow("16 digits") << QByteArray("10000000000000.00") << qint64(0) << false;
    QTest::newRow("1E999") << QByteArray("1E999") << qint64(0) << false;
    QTest::newRow("empty") << QByteArray() << qint64(0) << false;
    QTest::newRow("$") << QByteArray("$") << qint64(0) << false;
    QTest::newRow("-") << QByteArray("-") << qint64(0) << false;
    QTest::newRow("12abc") << QByteArray("12abc") << qint64(0) << false;
    QTest::newRow("1,") << QByteArray("1,") << qint64(0) << false;
    QTest::newRow("1,,2") << QByteArray("1,,2") << qint64(0) << false;
    QTest::newRow("&H10") << QByteArray("&H10") << qint64(0) << false;
    QTest::newRow("Cash") << QByteArray("Cash") << qint64(0) << false;
}

void TestJournal::moneyCents()
{
    QFETCH(QByteArray, field);
    QFETCH(qint64, cents);
    QFETCH(bool, number);
    const std::optional<qint64> got = pos::moneyCents(field);
    QCOMPARE(got.has_value(), number);
    if (number)
        QCOMPARE(*got, cents);
}

void TestJournal::moneyCentsPlainAndGeneralAgree()
{
    // Plain money text is converted from the bytes; with a blank in front it takes the general
    // way through formatMoney. Both must agree for every amount, and give formatMoney's cents.
    QRandomGenerator random(314);
    for (int i = 0; i < 20000; ++i) {
        const qint64 cents = qint64(random.bounded(2000000000)) * (random.bounded(4) == 0 ? 1000 : 1) - 1000000000;
        QByteArray fields[] = {
            pos::formatMoney(cents / 100.0).toLatin1(),
            QByteArray::number(cents / 100.0, 'f', random.bounded(3)),
            QByteArray::number(double(cents) / 100.0 + random.bounded(10) / 1000.0, 'f', 3),
        };
        for (const QByteArray &field : fields) {
            const std::optional<qint64> plain = pos::moneyCents(field);
            const std::optional<qint64> general = pos::moneyCents(" " + field);
            QVERIFY2(plain && general, field.constData());
            QVERIFY2(*plain == *general, field.constData());
            const QString money = pos::formatMoney(QString::fromLatin1(field));
            QCOMPARE(pos::formatMoney(*plain / 100.0), money);
        }
    }
}

void TestJournal::cutoffMovesEveryRecord()
{
    WorkDir dir;
    Journal journal;
    // Records as the journal holds them, one broken across lines and one with bare fields and a
    // quote inside one of them: the history holds the journal's bytes.
    const QByteArray content = kThreeSales + "\"R4\",\"$1.00\"\r\n\"$.00\",\"$1.00\",\"Cash\"\r\n"
                               + "R5,$2.00, $.12 ,$2.12,Ann's \"card\"\r\n";
    dir.write("sales.txt", content);
    QVERIFY(journal.cutOff(QStringLiteral("march.txt")).result);
    QCOMPARE(dir.read("march.txt"), content);
    QCOMPARE(dir.read("sales.txt"), QByteArray());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"march.txt", "sales.txt", "sales.txt.closed"}));

    // The next sale starts the new journal.
    QVERIFY(journal.recordSale(kSale).result);
    QCOMPARE(dir.read("sales.txt"), kSaleLine);

    // Written in a folder of its own by its full path.
    QVERIFY(QDir(dir.path()).mkdir("old"));
    QVERIFY(journal.cutOff(dir.filePath("old/april")).result);
    QCOMPARE(dir.read("old/april"), kSaleLine);
    QCOMPARE(dir.read("sales.txt"), QByteArray());
}

void TestJournal::cutoffReplacesExistingHistory()
{
    WorkDir dir;
    Journal journal;
    dir.write("sales.txt", kSaleLine);
    dir.write("history.txt", kThreeSales + kThreeSales);
    QVERIFY(journal.cutOff(QStringLiteral("history.txt")).result);
    QCOMPARE(dir.read("history.txt"), kSaleLine);
    QCOMPARE(dir.read("sales.txt"), QByteArray());
}

void TestJournal::cutoffOfEmptyOrMissingJournal()
{
    WorkDir dir;
    Journal journal;
    dir.write("sales.txt", QByteArray());
    QVERIFY(journal.cutOff(QStringLiteral("empty.txt")).result);
    QCOMPARE(dir.read("empty.txt"), QByteArray());
    QCOMPARE(dir.read("sales.txt"), QByteArray());

    QVERIFY(QFile::remove(dir.filePath("sales.txt")));
    QVERIFY(journal.cutOff(QStringLiteral("none.txt")).result);
    QCOMPARE(dir.read("none.txt"), QByteArray());
    QCOMPARE(dir.read("sales.txt"), QByteArray());
}

void TestJournal::cutoffKeepsEveryByte()
{
    WorkDir dir;
    Journal journal;
    // What a hand edit leaves: text after a closing quote, a stray quote, a blank line, a last
    // line without its line end. Nothing of it is lost.
    const QByteArray hand = kSaleLine + "\"R2\" x,\"$1.00\",\"$.06\"\"\",\"$1.06\",\"Cash\"\r\n\r\n" + "hand, typed";
    const QByteArray torn = "\r\n\"Reciept# 04-01-2004\",\"$5.00\"";
    dir.write("sales.txt", hand + torn);
    QVERIFY(journal.cutOff(QStringLiteral("h.txt")).result);
    QCOMPARE(dir.read("h.txt"), hand + "\r\n");
    QCOMPARE(dir.read("sales.txt"), QByteArray());
    // The start of a sale a crash cut short goes aside, not into the period.
    QCOMPARE(dir.read("sales.txt.torn"), torn.mid(2) + "\r\n");
}

void TestJournal::cutoffRefusesTheJournal_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("sales.txt") << "sales.txt";
    QTest::newRow("./sales.txt") << "./sales.txt";
    QTest::newRow("through a folder") << "sub/../sales.txt";
    QTest::newRow("full path") << "<full>";
#ifdef Q_OS_UNIX
    QTest::newRow("symbolic link") << "link.txt";
    QTest::newRow("hard link") << "hard.txt";
#endif
}

void TestJournal::cutoffRefusesTheJournal()
{
    QFETCH(QString, name);
    WorkDir dir;
    Journal journal;
    dir.write("sales.txt", kThreeSales);
    QVERIFY(QDir(dir.path()).mkdir("sub"));
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link(dir.filePath("sales.txt"), dir.filePath("link.txt")));
    QCOMPARE(::link(QFile::encodeName(dir.filePath("sales.txt")).constData(), "hard.txt"), 0);
#endif
    if (name == QLatin1String("<full>"))
        name = dir.filePath("sales.txt");
    const WriteResult result = journal.cutOff(name).result;
    QVERIFY(!result);
    QVERIFY2(result.message.contains("\"sales.txt\"") && result.message.contains("Nothing was changed"),
             qPrintable(result.message));
    QCOMPARE(dir.read("sales.txt"), kThreeSales);
}

void TestJournal::cutoffThatCannotWriteKeepsJournal()
{
    WorkDir dir;
    Journal journal;
    dir.write("sales.txt", kThreeSales);
    QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
    for (const QString &name : {QStringLiteral("folder.txt"), QStringLiteral("nowhere/h.txt")}) {
        const WriteResult result = journal.cutOff(name).result;
        QVERIFY(!result);
        QVERIFY2(result.message.contains(QDir::toNativeSeparators(name)), qPrintable(result.message));
        QVERIFY2(result.message.contains("left as it was") || result.message.contains("Nothing was changed"),
                 qPrintable(result.message));
        QCOMPARE(dir.read("sales.txt"), kThreeSales);
    }
#ifdef Q_OS_UNIX
    // The disk fills part way through the history.
    QByteArray big;
    for (int i = 0; i < 2000; ++i)
        big += kThreeSales;
    dir.write("sales.txt", big);
    dir.write("h.txt", "older period\r\n");
    WriteResult result;
    withFileSizeCap(big.size() / 2, [&] { result = journal.cutOff(QStringLiteral("h.txt")).result; });
    QVERIFY(!result);
    QVERIFY2(result.message.contains("h.txt"), qPrintable(result.message));
    QCOMPARE(dir.read("sales.txt"), big);
    QCOMPARE(dir.read("h.txt"), QByteArray("older period\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"h.txt", "sales.txt"}));
#endif
}

void TestJournal::cutoffOfUnreadableJournal()
{
    WorkDir dir;
    Journal journal;
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    const WriteResult result = journal.cutOff(QStringLiteral("h.txt")).result;
    QVERIFY(!result);
    QVERIFY2(result.message.contains("\"sales.txt\"") && result.message.contains("left as it was"),
             qPrintable(result.message));
    QVERIFY(!dir.exists("h.txt"));
    QVERIFY(QFileInfo(dir.filePath("sales.txt")).isDir());
}

// A cutoff killed at any point leaves "sales.txt.pending"; what finishing it does with each
// state of the two files the kill can leave.
void TestJournal::cutShortCutoffFinishedOnce_data()
{
    QTest::addColumn<QByteArray>("journal");
    QTest::addColumn<QByteArray>("history");
    QTest::addColumn<QByteArray>("pending");
    QTest::addColumn<QByteArray>("journalAfter");
    QTest::addColumn<QByteArray>("historyAfter");
    QTest::addColumn<bool>("told");
    QTest::addColumn<bool>("pendingKept");
    const QByteArray later = kSaleLine;
    const QByteArray gone = "<missing>";
    const QByteArray size = QByteArray::number(kThreeSales.size());
    const QByteArray digest = QCryptographicHash::hash(kThreeSales, QCryptographicHash::Sha256).toHex();
    // As earlier versions wrote it (the history's full path may stand there), and as now: named
    // inside the shop folder, with the digest of the bytes copied and the history's size.
    const QByteArray old = "cutoff\nh.txt\n" + size + "\n";
    const QByteArray full = "cutoff\n<full>/h.txt\n" + size + "\n";
    const QByteArray now = "cutoff\nh.txt\n" + size + "\n" + digest + "\n" + size + "\n";
    QTest::newRow("history not in place")
        << kThreeSales << QByteArray("older\r\n") << old << kThreeSales << QByteArray("older\r\n") << true << false;
    QTest::newRow("history in place") << kThreeSales << kThreeSales << old << QByteArray() << kThreeSales << true
                                      << false;
    QTest::newRow("history in place, full path")
        << kThreeSales << kThreeSales << full << QByteArray() << kThreeSales << true << false;
    QTest::newRow("history in place, digest")
        << kThreeSales << kThreeSales << now << QByteArray() << kThreeSales << true << false;
    QTest::newRow("journal already emptied")
        << QByteArray() << kThreeSales << now << QByteArray() << kThreeSales << false << false;
    QByteArray other = kSaleLine;
    other.replace("Ann", "Dee");
    QTest::newRow("emptied, then another program's sale")
        << other << kThreeSales << now << other << kThreeSales << false << false;
    // Sales appended after the copy: the journal holds every sale, so the copy goes.
    QTest::newRow("sales appended since")
        << kThreeSales + later << kThreeSales << now << kThreeSales + later << gone << true << false;
    // Changed since by another program: the period would be in both files, so nothing is done.
    const QByteArray firstTwo = kThreeSales.left(kThreeSales.indexOf('\n', kThreeSales.indexOf('\n') + 1) + 1);
    QByteArray lf = kThreeSales;
    lf.replace("\r\n", "\n");
    for (const auto &[name, changed] : {std::pair{"an editor's older copy", firstTwo}, std::pair{"LF line ends", lf},
                                        std::pair{"first line deleted", kThreeSales.mid(kThreeSales.indexOf('\n') + 1)},
                                        std::pair{"a sale put before", later + kThreeSales}}) {
        for (const auto &[form, pending] : {std::pair{"", old}, std::pair{", digest", now}})
            QTest::newRow(qPrintable(QString::fromLatin1(name) + QLatin1String(form)))
                << changed << kThreeSales << pending << changed << kThreeSales << true << true;
    }
    // A cutoff of an empty journal cut short: finished, never taken for a forged announcement.
    const QByteArray emptyDigest = QCryptographicHash::hash("", QCryptographicHash::Sha256).toHex();
    QTest::newRow("empty journal") << QByteArray() << QByteArray() << "cutoff\nh.txt\n0\n" + emptyDigest + "\n0\n"
                                   << QByteArray() << QByteArray() << false << false;
}

void TestJournal::cutShortCutoffFinishedOnce()
{
    QFETCH(QByteArray, journal);
    QFETCH(QByteArray, history);
    QFETCH(QByteArray, pending);
    QFETCH(bool, pendingKept);
    WorkDir dir;
    dir.write("sales.txt", journal);
    dir.write("h.txt", history);
    pending.replace("<full>", QDir::currentPath().toUtf8().toPercentEncoding("/"));
    dir.write("sales.txt.pending", pending);
    const QString notice = Journal().open().told();
    QTEST(dir.read("sales.txt"), "journalAfter");
    QTEST(dir.read("h.txt"), "historyAfter");
    QTEST(!notice.isEmpty(), "told");
    QCOMPARE(dir.exists("sales.txt.pending"), pendingKept);
    QVERIFY(!dir.exists("sales.txt.pending.set-aside"));
    QVERIFY(!dir.exists("sales.txt.recovered"));
    // Kept, it is told again and stops every cutoff until the owner settles it.
    if (pendingKept) {
        Journal again;
        QVERIFY(again.open().told().contains("h.txt"));
        QVERIFY(!again.cutOff(QStringLiteral("next.txt")).result);
        QVERIFY(!dir.exists("next.txt"));
    }
}

// A close killed between a new layaway's file and its journal record: the sale was never
// recorded, so its layaway goes too; once recorded, it stays (also after an editor turned the
// journal's line ends into LF).
void TestJournal::layawayOfUnrecordedSaleRemoved()
{
    WorkDir dir;
    const QByteArray layaway = "4.54\r\n\"Shop\"\r\n";
    const QByteArray earlier = kThreeSales.mid(kSaleLine.size());
    for (const QByteArray &journal : {earlier, earlier + kSaleLine, earlier + kSaleLine.chopped(2) + "\n"}) {
        dir.write("sales.txt", journal);
        dir.write("a.lwy", layaway);
        dir.write("sales.txt.pending",
                  "layaway\na.lwy\n" + layawayDigest(layaway) + "\n" + kSaleLine.toPercentEncoding() + "\n");
        const QString notice = Journal().open().told();
        const bool recorded = journal != earlier;
        QCOMPARE(dir.exists("a.lwy"), recorded);
        QCOMPARE(notice.contains("a.lwy"), !recorded);
        QVERIFY(!dir.exists("sales.txt.pending"));
    }
}

// Announcements the program could not have written: each is set aside and told, and touches
// nothing.
void TestJournal::untrustedAnnouncementsTouchNothing_data()
{
    QTest::addColumn<QByteArray>("pending");
    const QByteArray bytes = QByteArray::number(kThreeSales.size());
    QTest::newRow("the journal") << "cutoff\nsales.txt\n" + bytes + "\n";
    QTest::newRow("the journal by its full path") << "cutoff\n<full>/sales.txt\n" + bytes + "\n";
    QTest::newRow("another own file") << "cutoff\nsales.txt.appended\n" + bytes + "\n";
    QTest::newRow("outside the shop") << "cutoff\n<full>/../outside.txt\n" + bytes + "\n";
#ifdef Q_OS_UNIX
    QTest::newRow("a symbolic link to the journal") << "cutoff\nlink.txt\n" + bytes + "\n";
    QTest::newRow("a hard link to the journal") << "cutoff\nhard.txt\n" + bytes + "\n";
    QTest::newRow("a history through a linked folder") << "cutoff\nout/outside.txt\n" + bytes + "\n";
#endif
    QTest::newRow("no number") << QByteArray("cutoff\nh.txt\nmany\n");
    QTest::newRow("no known work") << QByteArray("rm -rf\n");
    QTest::newRow("layaway no .lwy") << "layaway\nkeep.txt\n" + layawayDigest(kSaleLine) + "\n" + kSaleLine + "\n";
    QTest::newRow("layaway outside the shop")
        << "layaway\n<full>/../outside.lwy\n" + layawayDigest(kSaleLine) + "\n" + kSaleLine + "\n";
    QTest::newRow("over the size limit") << "cutoff\nh.txt\n" + bytes + "\n" + QByteArray(5 << 20, 'x');
}

void TestJournal::untrustedAnnouncementsTouchNothing()
{
    QFETCH(QByteArray, pending);
    // The shop is a folder of its own, with files beside it.
    WorkDir dir;
    QVERIFY(QDir(dir.path()).mkdir("shop"));
    QVERIFY(QDir::setCurrent(dir.filePath("shop")));
    dir.write("outside.txt", kThreeSales);
    dir.write("outside.lwy", kThreeSales);
    dir.write("shop/sales.txt", kThreeSales);
    dir.write("shop/keep.txt", kSaleLine);
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link("sales.txt", "link.txt"));
    QCOMPARE(::link("sales.txt", "hard.txt"), 0);
    QVERIFY(QFile::link(dir.path(), "out"));
#endif
    pending.replace("<full>", QDir::currentPath().toUtf8().toPercentEncoding("/"));
    dir.write("shop/sales.txt.pending", pending);

    const QString notice = Journal().open().told();
    QVERIFY2(notice.contains("set aside"), qPrintable(notice));
    QCOMPARE(dir.read("shop/sales.txt"), kThreeSales);
    QCOMPARE(dir.read("shop/keep.txt"), kSaleLine);
    QCOMPARE(dir.read("outside.txt"), kThreeSales);
    QCOMPARE(dir.read("outside.lwy"), kThreeSales);
    QVERIFY(!dir.exists("shop/sales.txt.pending"));
    QCOMPARE(dir.read("shop/sales.txt.pending.set-aside"), pending);
}

// Sales the program recorded and another program removed (a text editor saving the copy it
// opened before them) are kept and told, whatever comes next: a sale, a cutoff, the end of the
// program or its next start. An editor that only changes the line ends removes nothing.
void TestJournal::salesAnEditorRemovedAreKept_data()
{
    QTest::addColumn<QString>("next");
    for (const char *next : {"sale", "cutoff", "end", "start"})
        QTest::newRow(next) << QString::fromLatin1(next);
}

void TestJournal::salesAnEditorRemovedAreKept()
{
    QFETCH(QString, next);
    WorkDir dir;
    const QByteArray earlier = kThreeSales.mid(kSaleLine.size());
    dir.write("sales.txt", earlier);
    JournalRecord second = kSale;
    second.receiptHeader.replace("Ann", "Bo");
    auto journal = std::make_unique<Journal>();
    QVERIFY(journal->open().told().isEmpty());
    QVERIFY(journal->recordSale(kSale).result);
    QVERIFY(journal->recordSale(second).result);

    // Line ends turned into LF: every sale is still there.
    QByteArray lf = dir.read("sales.txt");
    lf.replace("\r\n", "\n");
    dir.write("sales.txt", lf);
    QCOMPARE(journal->finish().told(), QString());
    QVERIFY(Journal().open().told().isEmpty());

    dir.write("sales.txt", earlier + "\"edited by hand\",\"\",\"\",\"\",\"\"\r\n");
    JournalRecord third = kSale;
    third.receiptHeader.replace("Ann", "Cy");
    QString notice;
    if (next == QLatin1String("sale")) {
        const JournalOutcome outcome = journal->recordSale(third);
        QVERIFY(outcome.result);
        notice = outcome.notice;
        QVERIFY(dir.read("sales.txt").endsWith("\r\n" + journalRecordBytes(third)));
    } else if (next == QLatin1String("cutoff")) {
        const JournalOutcome outcome = journal->cutOff(QStringLiteral("h.txt"));
        QVERIFY(outcome.result);
        notice = outcome.notice;
        QCOMPARE(dir.read("h.txt"), earlier + "\"edited by hand\",\"\",\"\",\"\",\"\"\r\n");
    } else if (next == QLatin1String("end")) {
        notice = journal->finish().told();
    } else {
        journal.reset();
        notice = Journal().open().told();
    }
    QVERIFY2(notice.contains(kSale.receiptHeader) && notice.contains(second.receiptHeader)
                 && notice.contains("sales.txt.recovered"),
             qPrintable(notice));
    QCOMPARE(dir.read("sales.txt.recovered"), kSaleLine + journalRecordBytes(second));
    // Told once: neither this run nor the next start tells them again.
    if (journal)
        QCOMPARE(journal->finish().told(), QString());
    QCOMPARE(Journal().open().told(), QString());
    QCOMPARE(dir.read("sales.txt.recovered"), kSaleLine + journalRecordBytes(second));
}

void TestJournal::recordsOutOfStepTold_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("line");
    QTest::newRow("in step") << kThreeSales << qint64(-1);
    QTest::newRow("line break in a quoted field")
        << "\"a\r\nb\",\"1\",\"2\",\"3\",\"4\"\r\n" + kThreeSales << qint64(-1);
    QTest::newRow("blank line") << kSaleLine + "\r\n" + kThreeSales << qint64(2);
    QTest::newRow("six fields") << kSaleLine + kSaleLine.chopped(2) + ",\"x\"\r\n" + kSaleLine << qint64(2);
    QTest::newRow("lone CR lines") << QByteArray("\"a\",\"b\"\r\"c\",\"d\",\"e\"\r") << qint64(1);
    QTest::newRow("sale cut short at the end") << kThreeSales + "\"Reciept# x\",\"$1.00\"" << qint64(4);
}

void TestJournal::recordsOutOfStepTold()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, line);
    WorkDir dir;
    Journal journal;
    dir.write("sales.txt", content);
    JournalReader reader(QStringLiteral("sales.txt"), 7);
    JournalFields record;
    while (reader.next(record)) { }
    const qint64 offset = reader.firstRecordOutOfStep();
    QCOMPARE(offset < 0 ? qint64(-1) : lineNumberAt(QStringLiteral("sales.txt"), offset), line);
}

namespace {

JournalRecord saleOf(const char *salesperson)
{
    JournalRecord record = kSale;
    record.receiptHeader.replace(QLatin1String("Ann"), QLatin1String(salesperson));
    return record;
}

#ifdef Q_OS_UNIX
// Ends a test that hangs (on a named pipe) instead of letting it block the suite.
class Watchdog
{
public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
};
#endif

// How often the record's line is in the bytes.
int countOf(const QByteArray &bytes, const QByteArray &record)
{
    return int(bytes.count(record));
}

} // namespace

// A text editor opened on the journal before Set Cutoff and saved after it brings the closed
// period back: told, and left out of the next period, whose history holds only its own sales.
void TestJournal::closedPeriodBroughtBackIsKeptOut_data()
{
    QTest::addColumn<bool>("lf");
    QTest::addColumn<bool>("restart");
    QTest::newRow("CR LF") << false << false;
    QTest::newRow("LF") << true << false;
    QTest::newRow("CR LF, program started again") << false << true;
}

void TestJournal::closedPeriodBroughtBackIsKeptOut()
{
    QFETCH(bool, lf);
    QFETCH(bool, restart);
    WorkDir dir;
    auto journal = std::make_unique<Journal>();
    QVERIFY(journal->recordSale(saleOf("M0")).result);
    QVERIFY(journal->recordSale(saleOf("M1")).result);
    QByteArray editor = dir.read("sales.txt");
    if (lf)
        editor.replace("\r\n", "\n");
    QVERIFY(journal->cutOff(QStringLiteral("period1.txt")).result);
    QVERIFY(journal->recordSale(saleOf("M2")).result);
    dir.write("sales.txt", editor);
    QString told;
    if (restart) {
        journal = std::make_unique<Journal>();
        told = journal->open().told();
    }
    const JournalOutcome m3 = journal->recordSale(saleOf("M3"));
    QVERIFY(m3.result);
    told += m3.told();
    QVERIFY2(told.contains("Salesperson: M0 (in \"period1.txt\")") && told.contains("Salesperson: M1")
                 && told.contains("Salesperson: M2"),
             qPrintable(told));
    const JournalOutcome cut = journal->cutOff(QStringLiteral("period2.txt"));
    QVERIFY2(cut.result && cut.told().contains("left out"), qPrintable(cut.told()));
    // Every sale once: the first period, the second, and the one the editor removed.
    QCOMPARE(dir.read("period1.txt"), journalRecordBytes(saleOf("M0")) + journalRecordBytes(saleOf("M1")));
    QCOMPARE(dir.read("period2.txt"), journalRecordBytes(saleOf("M3")));
    QCOMPARE(dir.read("sales.txt.recovered"), journalRecordBytes(saleOf("M2")));
    QCOMPARE(dir.read("sales.txt"), QByteArray());
}

// While a cutoff stays announced, the journal is no measure of the sales removed: neither the
// end of the program nor a start that cannot finish it (the list of sales appended cannot be
// emptied, another program holds the journal's lock) takes the period for sales removed.
void TestJournal::announcedCutoffIsNoRemoval()
{
    WorkDir dir;
    auto journal = std::make_unique<Journal>();
    QVERIFY(journal->recordSale(saleOf("A")).result);
    QVERIFY(journal->recordSale(saleOf("B")).result);
    const QByteArray period = dir.read("sales.txt");
    const QByteArray appended = dir.read("sales.txt.appended");
    QVERIFY(QFile::remove(dir.filePath("sales.txt.appended")));
    QVERIFY(QDir(dir.path()).mkdir("sales.txt.appended"));
    const JournalOutcome cut = journal->cutOff(QStringLiteral("h.txt"));
    QVERIFY2(!cut.result && cut.told().contains("sales.txt.appended"), qPrintable(cut.told()));
    QCOMPARE(dir.read("h.txt"), period);
    QCOMPARE(dir.read("sales.txt"), QByteArray());
    QVERIFY(dir.exists("sales.txt.pending"));
    QCOMPARE(journal->finish().told(), QString());
    journal.reset();
    QVERIFY(QDir(dir.path()).rmdir("sales.txt.appended"));
    dir.write("sales.txt.appended", appended);
#ifdef Q_OS_UNIX
    {
        const int held = ::open(qPrintable(dir.filePath("sales.txt")), O_RDWR);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        QVERIFY(Journal().open().told().contains("cannot be held"));
        ::close(held);
    }
    QVERIFY(dir.exists("sales.txt.pending"));
#endif
    QVERIFY(!dir.exists("sales.txt.recovered"));
    QCOMPARE(Journal().open().told(), QString());
    QVERIFY(!dir.exists("sales.txt.pending"));
    QVERIFY(!dir.exists("sales.txt.recovered"));
    QCOMPARE(dir.read("h.txt"), period);
    QCOMPARE(dir.read("sales.txt.appended"), QByteArray());
}

// The system reports an error on closing the journal after the record was written and synced:
// the sale is recorded (a second Close Order would record it twice), and a new layaway keeps
// its file.
void TestJournal::failedCloseAfterSyncStillRecords()
{
    WorkDir dir;
    Journal journal;
    failAtPoint("append: close");
    const JournalOutcome sale = journal.recordSale(kSale);
    JournalRecord layaway = saleOf("Lee");
    layaway.receiptHeader.replace(QLatin1String("Sale"), QLatin1String("Layaway"));
    const JournalOutcome made = journal.recordNewLayaway(layaway, QStringLiteral("a.lwy"), "4.54\r\n");
    failAtPoint(nullptr);
    QVERIFY(sale.result);
    QVERIFY(made.result && !made.layawayFailed && !made.layawayLeft);
    QCOMPARE(dir.read("sales.txt"), kSaleLine + journalRecordBytes(layaway));
    QCOMPARE(dir.read("a.lwy"), QByteArray("4.54\r\n"));
    QVERIFY(!dir.exists("sales.txt.pending"));
    QCOMPARE(dir.read("sales.txt.appended"), kSaleLine + journalRecordBytes(layaway));
}

// A sale whose note in ".appended" could not be written is noted at the next sale once the
// file can take it, so that an editor's save after a restart still cannot remove it unseen.
void TestJournal::appendedNoteThatFailedIsMadeLater()
{
    WorkDir dir;
    Journal journal;
    QCOMPARE(journal.open().told(), QString());
    QVERIFY(QDir(dir.path()).mkdir("sales.txt.appended"));
    QVERIFY(journal.recordSale(kSale).told().contains("cannot look for it"));
    QVERIFY(QDir(dir.path()).rmdir("sales.txt.appended"));
    const JournalRecord next = saleOf("Lee");
    QCOMPARE(journal.recordSale(next).told(), QString());
    QCOMPARE(dir.read("sales.txt.appended"), kSaleLine + journalRecordBytes(next));
    // The program ends; an editor's save removes the first sale; the next start keeps it.
    QCOMPARE(journal.finish().told(), QString());
    dir.write("sales.txt", journalRecordBytes(next));
    QVERIFY(Journal().open().told().contains(kSale.receiptHeader));
    QVERIFY(dir.read("sales.txt.recovered").contains(kSaleLine));
}

// A journal that cannot be read is no journal from which every sale was removed: told, and
// nothing is copied to "sales.txt.recovered".
void TestJournal::unreadableJournalIsNoEmptyOne()
{
    WorkDir dir;
    Journal journal;
    QVERIFY(journal.recordSale(kSale).result);
    QVERIFY(QFile::rename(dir.filePath("sales.txt"), dir.filePath("kept.txt")));
    QVERIFY(QDir(dir.path()).mkdir("sales.txt"));
    QVERIFY(journal.finish().told().contains("Could not read"));
    QVERIFY(Journal().open().told().contains("Could not read"));
    QVERIFY(!dir.exists("sales.txt.recovered"));
    // Nor is the layaway of a close a crash cut short taken for one whose sale was never recorded.
    dir.write("a.lwy", "4.54\r\n");
    dir.write("sales.txt.pending",
              "layaway\na.lwy\n" + layawayDigest("4.54\r\n") + "\n" + kSaleLine.toPercentEncoding() + "\n");
    QVERIFY(Journal().open().told().contains("Could not read"));
    QVERIFY(dir.exists("a.lwy") && dir.exists("sales.txt.pending"));
    QVERIFY(QDir(dir.path()).rmdir("sales.txt"));
    QVERIFY(QFile::rename(dir.filePath("kept.txt"), dir.filePath("sales.txt")));
    QCOMPARE(Journal().open().told(), QString());
    QVERIFY(dir.exists("a.lwy") && !dir.exists("sales.txt.pending"));
    QCOMPARE(journal.finish().told(), QString());
}

// Each companion file of the journal replaced by what another program or a hand could put in
// its place: whatever the program does next (a start, sales after a crash's cut-short record, a
// sale an editor removes, the end, a cutoff), it returns, never writes outside the shop folder
// or into the journal or a history through the companion's name, and every sale recorded is in
// the journal or the new history exactly once, or is in ".recovered" or told.
void TestJournal::companionFilesOnlyTheProgramsOwn_data()
{
    QTest::addColumn<QString>("companion");
    QTest::addColumn<QString>("replacement");
    const QStringList replacements{
#ifdef Q_OS_UNIX
        "link:sales.txt", "link:h.txt", "link:../outside.txt",
        "hard:h.txt",     "fifo",
#endif
        "folder",         "garbage",    "huge"};
    for (const char *companion : {".appended", ".recovered", ".torn", ".pending"}) {
        for (const QString &replacement : replacements)
            QTest::addRow("%s %s", companion, qPrintable(replacement)) << QString::fromLatin1(companion) << replacement;
    }
}

void TestJournal::companionFilesOnlyTheProgramsOwn()
{
    QFETCH(QString, companion);
    QFETCH(QString, replacement);
#ifdef Q_OS_UNIX
    const Watchdog watchdog(60);
#endif
    WorkDir dir;
    QVERIFY(QDir(dir.path()).mkdir("shop"));
    QVERIFY(QDir::setCurrent(dir.filePath("shop")));
    dir.write("outside.txt", kThreeSales);
    dir.write("shop/h.txt", kThreeSales);
    // A record a crash cut short at the journal's end, set aside at the next sale.
    const QByteArray torn = "\"Reciept# 03-14-200411:00:00      Sale   Salesperson: Di\",\"$1";
    dir.write("shop/sales.txt", kSaleLine + torn);
    const QString name = "sales.txt" + companion;
    const QString target = replacement.section(':', 1);
    if (replacement == "folder") {
        QVERIFY(QDir().mkdir(name));
    } else if (replacement == "garbage") {
        dir.write("shop/" + name, QByteArray("\x00\xff\"\r\n,,\"\n", 9).repeated(100));
    } else if (replacement == "huge") {
        QFile huge(name);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(65) << 20));
#ifdef Q_OS_UNIX
    } else if (replacement.startsWith("link:")) {
        QVERIFY(QFile::link(target, name));
    } else if (replacement.startsWith("hard:")) {
        QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()), 0);
    } else if (replacement == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
#endif
    }

    JournalRecord second = kSale;
    second.receiptHeader.replace("Ann", "Bo");
    JournalRecord third = kSale;
    third.receiptHeader.replace("Ann", "Cy");
    const QByteArray secondLine = journalRecordBytes(second);
    const QByteArray thirdLine = journalRecordBytes(third);
    QString told;
    QStringList recorded;
    {
        Journal journal;
        tell(told, journal.open().told());
        JournalOutcome outcome = journal.recordSale(second);
        tell(told, outcome.told());
        if (outcome.result)
            recorded << second.receiptHeader;
        // Never twice, whatever the companion's name leads to.
        QVERIFY(countOf(dir.read("shop/sales.txt"), secondLine) <= 1);
        // A text editor saves the journal as it was before that sale.
        dir.write("shop/sales.txt", kSaleLine);
        outcome = journal.recordSale(third);
        tell(told, outcome.told());
        if (outcome.result)
            recorded << third.receiptHeader;
        tell(told, journal.finish().told());
    }
    tell(told, Journal().open().told());
    const JournalOutcome cut = Journal().cutOff("h2.txt");
    tell(told, cut.told());

    QCOMPARE(dir.read("outside.txt"), kThreeSales);
    QCOMPARE(dir.read("shop/h.txt"), kThreeSales);
    QVERIFY(!recorded.isEmpty() || !told.isEmpty());
    const QByteArray kept = dir.read("shop/sales.txt") + dir.read("shop/h2.txt");
    const QFileInfo recoveredInfo("sales.txt.recovered");
    const QByteArray recovered = recoveredInfo.isFile() && !recoveredInfo.isSymLink() && replacement != "huge"
                                     ? dir.read("shop/sales.txt.recovered")
                                     : QByteArray();
    for (const QString &receipt : std::as_const(recorded)) {
        const QByteArray line = receipt == second.receiptHeader ? secondLine : thirdLine;
        const int there = countOf(kept, line) + countOf(recovered, line);
        QVERIFY2(there == 1 || (there == 0 && told.contains(receipt)),
                 qPrintable(QStringLiteral("%1 is there %2 times; told:\n%3").arg(receipt).arg(there).arg(told)));
    }
    // The replacement is left as it was, or set aside by its name, never followed.
    if (replacement.startsWith("link:"))
        QVERIFY(QFileInfo(name).isSymLink() || QFileInfo(name + ".set-aside").isSymLink());
}

// A journal another program turned into a named pipe while sales are looked for in it: every
// operation returns, and tells that the journal cannot be read.
void TestJournal::journalThatIsAPipeNeverHangs()
{
#ifdef Q_OS_UNIX
    const Watchdog watchdog(30);
    WorkDir dir;
    auto journal = std::make_unique<Journal>();
    QVERIFY(journal->open().told().isEmpty());
    QVERIFY(journal->recordSale(kSale).result);
    QVERIFY(QFile::remove("sales.txt"));
    QCOMPARE(::mkfifo("sales.txt", 0600), 0);
    const QString ended = journal->finish().told();
    QVERIFY2(ended.contains("Could not read") && ended.contains("sales.txt"), qPrintable(ended));
    QVERIFY(!journal->recordSale(kSale).result);
    QVERIFY(!journal->cutOff("h.txt").result);
    journal.reset();
    (void)Journal().open();
    QVERIFY(!dir.exists("sales.txt.recovered"));
    QVERIFY(!dir.exists("h.txt"));
#else
    QSKIP("named pipes are not files on Windows");
#endif
}

// Another program appends a record under the journal's lock in two writes, the program's sale
// or cutoff coming between them: the program waits for the lock, so the other record is never
// taken for one a crash cut short, and a cutoff tells the truth about what it did.
void TestJournal::recordAppendedUnderTheLockInTwoWrites_data()
{
    QTest::addColumn<bool>("cutoff");
    QTest::newRow("sale") << false;
    QTest::newRow("cutoff") << true;
}

void TestJournal::recordAppendedUnderTheLockInTwoWrites()
{
#ifdef Q_OS_UNIX
    QFETCH(bool, cutoff);
    WorkDir dir;
    dir.write("sales.txt", kSaleLine);
    Journal journal;
    QVERIFY(journal.open().told().isEmpty());
    JournalRecord foreign = kSale;
    foreign.receiptHeader.replace("Ann", "X1");
    const QByteArray foreignLine = journalRecordBytes(foreign);

    const int handle = ::open("sales.txt", O_WRONLY | O_APPEND);
    QVERIFY(handle >= 0);
    QCOMPARE(::flock(handle, LOCK_EX), 0);
    QCOMPARE(::write(handle, foreignLine.constData(), 20), ssize_t(20));
    // The second half lands while the program waits for the lock.
    std::thread appender([&] {
        QThread::msleep(300);
        (void)!::write(handle, foreignLine.constData() + 20, size_t(foreignLine.size() - 20));
        ::flock(handle, LOCK_UN);
        ::close(handle);
    });
    const JournalOutcome outcome = cutoff ? journal.cutOff("h.txt") : journal.recordSale(kSale);
    appender.join();
    QVERIFY2(outcome.result, qPrintable(outcome.told()));
    QVERIFY(!dir.exists("sales.txt.torn"));
    if (cutoff) {
        QCOMPARE(dir.read("h.txt"), kSaleLine + foreignLine);
        QCOMPARE(dir.read("sales.txt"), QByteArray());
        QVERIFY(!outcome.told().contains("Nothing was changed"));
    } else {
        QCOMPARE(dir.read("sales.txt"), kSaleLine + foreignLine + kSaleLine);
    }
#else
    QSKIP("the lock another program takes here is flock()");
#endif
}

// A history named as the program names its temporary files would be removed at the next start:
// refused, and nothing is changed.
void TestJournal::historyNamedLikeATemporaryRefused()
{
    WorkDir dir;
    dir.write("sales.txt", kThreeSales);
    Journal journal;
    QVERIFY(journal.historyProblem("Q1.corvalane-report.tmp").contains("temporary"));
    QVERIFY(journal.historyProblem("Q1.txt").isEmpty());
}

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
