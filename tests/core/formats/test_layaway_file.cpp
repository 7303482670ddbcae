// The layaway file: its name from hostile salesperson texts, the balance, the bytes, reading
// back odd files, and new layaways that never replace another.

#include "work_dir.h"

#include "core/formats/codepage.h"
#include "core/formats/layaway_file.h"
#include "core/formats/numbers.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <limits>

using namespace pos;
using namespace pos::testing;

namespace {

const QDateTime kClosed(QDate(2004, 3, 14), QTime(21, 30, 10));

} // namespace

namespace {

// A new layaway as Close Order makes it: under the first free name.
WriteResult createLayaway(const QString &folder, const QDateTime &closedAt, const QString &salesperson,
                          const QByteArray &bytes, QString *created)
{
    const QString path = newLayawayPath(folder, closedAt, salesperson);
    const WriteResult result = createFileNew(path, bytes);
    if (result)
        *created = path;
    return result;
}

} // namespace

class TestLayaway : public QObject
{
    Q_OBJECT

private slots:
    void fileNames_data();
    void fileNames();
    void hostileNamesStayInTheFolder_data();
    void hostileNamesStayInTheFolder();
    void balance_data();
    void balance();
    void bytes();
    void readBack_data();
    void readBack();
    void readBackLargeFile();
    void reopenedLines_data();
    void reopenedLines();
    void newLayawayNeverReplacesAnother();
    void createFailureNamesTheFile();
};

void TestLayaway::fileNames_data()
{
    QTest::addColumn<QString>("salesperson");
    QTest::addColumn<QString>("name");
    QTest::newRow("Ann") << "Ann"
                         << "03142004213010Ann.lwy";
    QTest::newRow("empty") << ""
                           << "03142004213010.lwy";
    QTest::newRow("up two folders") << "../../x"
                                    << "03142004213010______x.lwy";
    QTest::newRow("slash") << "a/b"
                           << "03142004213010a_b.lwy";
    QTest::newRow("drive") << "C:\\y"
                           << "03142004213010C__y.lwy";
    QTest::newRow("device name") << "con"
                                 << "03142004213010con.lwy";
    QTest::newRow("double quote") << "\"Bo\""
                                  << "03142004213010_Bo_.lwy";
    QTest::newRow("Windows specials") << "<a>|*?"
                                      << "03142004213010_a____.lwy";
    QTest::newRow("dot and blank kept readable") << "J. Smith"
                                                 << "03142004213010J_ Smith.lwy";
    QTest::newRow("control characters") << QString("a\tb\nc") + QChar(0x7F) << "03142004213010a_b_c_.lwy";
    QTest::newRow("code page letters") << QString::fromUtf8("Zoë") << QString::fromUtf8("03142004213010Zoë.lwy");
    QTest::newRow("outside the code page") << QString::fromUtf8("Ā😀x") << "03142004213010__x.lwy";
    QTest::newRow("300 characters") << QString(300, QLatin1Char('x'))
                                    << "03142004213010" + QString(64, QLatin1Char('x')) + ".lwy";
}

void TestLayaway::fileNames()
{
    QFETCH(QString, salesperson);
    QTEST(layawayFileName(kClosed, salesperson), "name");
    // A later try of the same name puts its number before the extension.
    QFETCH(QString, name);
    QCOMPARE(layawayFileName(kClosed, salesperson, 2), name.chopped(4) + "-2.lwy");
    // A morning close keeps the two digits of the hour.
    QVERIFY(layawayFileName(QDateTime(QDate(2004, 3, 14), QTime(9, 30, 10)), salesperson).startsWith("03142004093010"));
}

void TestLayaway::hostileNamesStayInTheFolder_data()
{
    fileNames_data();
}

void TestLayaway::hostileNamesStayInTheFolder()
{
    QFETCH(QString, salesperson);
    QFETCH(QString, name);
    WorkDir dir;
    QString created;
    QVERIFY(createLayaway(QString(), kClosed, salesperson, "0\r\n", &created));
    QCOMPARE(created, name);
    // The file is directly in the working folder, and the only thing made.
    QCOMPARE(QFileInfo(created).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{name});
    QCOMPARE(dir.read(name), QByteArray("0\r\n"));
}

void TestLayaway::balance_data()
{
    QTest::addColumn<double>("subt");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("tendered");
    QTest::addColumn<QString>("text");
    QTest::newRow("new layaway") << 9.0 << 6.0 << 5.0 << "4.54";
    QTest::newRow("paid off") << 4.54 << 0.0 << 4.54 << "0";
    QTest::newRow("overpaid") << 4.54 << 0.0 << 5.0 << "-0.46";
    QTest::newRow("nothing tendered") << 4.54 << 0.0 << 0.0 << "4.54";
    QTest::newRow("rate 6.5") << 9.99 << 6.5 << 0.0 << "10.63935";
}

void TestLayaway::balance()
{
    QFETCH(double, subt);
    QFETCH(double, rate);
    QFETCH(double, tendered);
    QTEST(numberText(layawayBalance(subt, rate, tendered)), "text");
}

void TestLayaway::bytes()
{
    const QStringList lines{"Shop", "Reciept# 03-14-200409:05:33      Layaway   Salesperson: Ann",
                            "1   12\" ruler   9   $ 9", " ", "Tendered        5"};
    QCOMPARE(layawayBytes(layawayBalance(9, 6, 5), lines),
             QByteArray("4.54\r\n"
                        "\"Shop\"\r\n"
                        "\"Reciept# 03-14-200409:05:33      Layaway   Salesperson: Ann\"\r\n"
                        "\"1   12' ruler   9   $ 9\"\r\n"
                        "\" \"\r\n"
                        "\"Tendered        5\"\r\n"));
    QCOMPARE(layawayBytes(-0.46, {}), QByteArray("-0.46\r\n"));
    QCOMPARE(layawayBytes(0, {""}), QByteArray("0\r\n\"\"\r\n"));
}

void TestLayaway::readBack_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file; "<folder>": a folder
    QTest::addColumn<int>("state");
    QTest::addColumn<double>("balance");
    QTest::addColumn<QStringList>("lines");
    const int read = Layaway::Read;
    const int notANumber = Layaway::BalanceNotANumber;
    QTest::newRow("as written") << layawayBytes(4.54, {"Shop", "1   Widget   9   $ 9"}) << read << 4.54
                                << QStringList{"Shop", "1   Widget   9   $ 9"};
    // A line as a box holds it: its double quote already the apostrophe the file stores.
    QTest::newRow("as written, a box's quote")
        << layawayBytes(4.54, {storableText(u"2   12\" pipe   9   $ 18", BoxLines::Single)}) << read << 4.54
        << QStringList{"2   12' pipe   9   $ 18"};
    QTest::newRow("bare line with a quote") << QByteArray("1\r\nab\"c\r\n") << read << 1.0 << QStringList{"ab'c"};
    QTest::newRow("negative") << QByteArray("-0.46\r\n\"a\"\r\n") << read << -0.46 << QStringList{"a"};
    QTest::newRow("no leading zero") << QByteArray(".46\r\n") << read << 0.46 << QStringList{};
    QTest::newRow("quoted balance") << QByteArray("\"4.54\"\r\n\"a\"\r\n") << read << 4.54 << QStringList{"a"};
    QTest::newRow("balance only") << QByteArray("12") << read << 12.0 << QStringList{};
    QTest::newRow("empty") << QByteArray() << notANumber << 0.0 << QStringList{};
    QTest::newRow("balance a word") << QByteArray("abc\r\n\"a\"\r\n") << notANumber << 0.0 << QStringList{"a"};
    QTest::newRow("balance as money") << QByteArray("$4.54\r\n") << notANumber << 0.0 << QStringList{};
    QTest::newRow("balance beyond range") << QByteArray("1.8e308\r\n") << notANumber << 0.0 << QStringList{};
    QTest::newRow("lines only") << QByteArray("\"Shop\"\r\n\"x\"\r\n") << notANumber << 0.0 << QStringList{"x"};
    QTest::newRow("binary") << QByteArray("\x01\x02\r\n\"a\x00"
                                          "b\"\r\n\"\xff\"",
                                          14)
                            << notANumber << 0.0 << QStringList{"a b", QString(QChar(0xFF))};
    QTest::newRow("line break in a line")
        << QByteArray("1\r\n\"two\r\nlines\"\r\n") << read << 1.0 << QStringList{"two  lines"};
    QTest::newRow("missing") << QByteArray("<none>") << int(Layaway::Unreadable) << 0.0 << QStringList{};
    QTest::newRow("folder") << QByteArray("<folder>") << int(Layaway::Unreadable) << 0.0 << QStringList{};
}

void TestLayaway::readBack()
{
    QFETCH(QByteArray, content);
    WorkDir dir;
    if (content == "<folder>")
        QVERIFY(QDir(dir.path()).mkdir("a.lwy"));
    else if (content != "<none>")
        dir.write("a.lwy", content);
    const Layaway layaway = readLayaway(dir.filePath("a.lwy"));
    QTEST(int(layaway.state), "state");
    QTEST(layaway.balance, "balance");
    QTEST(layaway.lines, "lines");
}

void TestLayaway::readBackLargeFile()
{
    WorkDir dir;
    QStringList lines;
    for (int i = 0; i < 100000; ++i)
        lines << QStringLiteral("1   Item %1   2   $ 2").arg(i);
    dir.write("big.lwy", layawayBytes(7, lines));
    const Layaway layaway = readLayaway(dir.filePath("big.lwy"));
    QCOMPARE(layaway.state, Layaway::Read);
    QCOMPARE(layaway.lines, lines);
}

void TestLayaway::reopenedLines_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("stored longer: appended")
        << QStringList{"Shop", "header"} << QStringList{"Old", "old header", "item"}
        << QStringList{"Old", "old header", "item"};
    QTest::newRow("stored shorter: the rest kept")
        << QStringList{"Shop", "1 Main", "header"} << QStringList{"Old"} << QStringList{"Old", "1 Main", "header"};
    QTest::newRow("nothing stored") << QStringList{"Shop", "header"} << QStringList{} << QStringList{"Shop", "header"};
}

void TestLayaway::reopenedLines()
{
    QFETCH(QStringList, list);
    QFETCH(QStringList, stored);
    QTEST(pos::reopenedLines(list, stored), "lines");
}

void TestLayaway::newLayawayNeverReplacesAnother()
{
    WorkDir dir;
    // Two layaways of one salesperson closed in the same second, and a folder in the way of
    // the third name.
    QString first;
    QString second;
    QString third;
    QVERIFY(createLayaway(QString(), kClosed, "Ann", "4.54\r\n", &first));
    QVERIFY(createLayaway(QString(), kClosed, "Ann", "7\r\n", &second));
    QVERIFY(QDir(dir.path()).mkdir("03142004213010Ann-3.lwy"));
    QVERIFY(createLayaway(QString(), kClosed, "Ann", "1\r\n", &third));
    QCOMPARE(first, QStringLiteral("03142004213010Ann.lwy"));
    QCOMPARE(second, QStringLiteral("03142004213010Ann-2.lwy"));
    QCOMPARE(third, QStringLiteral("03142004213010Ann-4.lwy"));
    QCOMPARE(dir.read(first), QByteArray("4.54\r\n"));
    QCOMPARE(dir.read(second), QByteArray("7\r\n"));
    QCOMPARE(dir.read(third), QByteArray("1\r\n"));

    // Another folder.
    QVERIFY(QDir(dir.path()).mkdir("shop"));
    QString elsewhere;
    QVERIFY(createLayaway(dir.filePath("shop"), kClosed, "Bo", "2\r\n", &elsewhere));
    QCOMPARE(elsewhere, dir.filePath("shop/03142004213010Bo.lwy"));
}

void TestLayaway::createFailureNamesTheFile()
{
    WorkDir dir;
    QString created = "untouched";
    const WriteResult result = createLayaway(dir.filePath("nowhere"), kClosed, "Ann", "1\r\n", &created);
    QVERIFY(!result);
    QVERIFY2(result.message.contains("03142004213010Ann.lwy"), qPrintable(result.message));
    QCOMPARE(created, QStringLiteral("untouched"));
}

QTEST_GUILESS_MAIN(TestLayaway)
#include "test_layaway_file.moc"
