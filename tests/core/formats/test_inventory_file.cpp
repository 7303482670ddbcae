#include "core/formats/inventory_file.h"
#include "work_dir.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace pos;

class TestInventoryFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void read_data();
    void read();
    void rewriteBytes();
    void appendAddsOneLine();
    void appendCreatesFile();
    void appendAfterHandEditedLastLine_data();
    void appendAfterHandEditedLastLine();
    void quoteInDescription();
    void writeFailures();
    void largeFileRoundTrip();

private:
    QString file() const { return m_dir->filePath(kInventoryFile); }
    QByteArray content() const { return m_dir->read(kInventoryFile); }
    void put(const QByteArray &bytes) const { m_dir->write(kInventoryFile, bytes); }
    std::unique_ptr<pos::testing::WorkDir> m_dir;
};

void TestInventoryFile::init()
{
    m_dir.reset(); // the previous working directory comes back before the next is made
    m_dir = std::make_unique<pos::testing::WorkDir>();
}

void TestInventoryFile::read_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<none>": no file at all
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("missing file") << QByteArray("<none>") << QStringList();
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("two quoted lines") << QByteArray("\"Widget\"\r\n\"Bolt, 10 mm\"\r\n")
                                      << QStringList{"Widget", "Bolt, 10 mm"};
    QTest::newRow("hand-typed comma") << QByteArray("Widget, blue\r\n") << QStringList{"Widget", "blue"};
    QTest::newRow("two fields on a line") << QByteArray("\"a\",\"b\"\r\n\"c\"\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("empty description") << QByteArray("\"\"\r\n\"x\"\r\n") << QStringList{"", "x"};
    QTest::newRow("duplicates kept") << QByteArray("\"x\"\r\n\"x\"\r\n") << QStringList{"x", "x"};
    QTest::newRow("Notepad edit, no final line end") << QByteArray("\"Nut\"\r\nWasher") << QStringList{"Nut", "Washer"};
    QTest::newRow("ANSI bytes") << QByteArray("\"Caf\xE9 \x80 5\"\r\n") << QStringList{QString::fromUtf8("Café € 5")};
}

void TestInventoryFile::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    if (bytes != "<none>")
        put(bytes);
    QCOMPARE(readInventoryFile(file()).fields, entries);
}

void TestInventoryFile::rewriteBytes()
{
    put("\"old\"\r\n\"older\"\r\n\"oldest\"\r\n");
    const QStringList list{"Bolt, 10 mm", "", QString::fromUtf8("Café"), "Widget"};
    QVERIFY(rewriteInventory(list, file()));
    QCOMPARE(content(), QByteArray("\"Bolt, 10 mm\"\r\n\"\"\r\n\"Caf\xE9\"\r\n\"Widget\"\r\n"));
    QCOMPARE(readInventoryFile(file()).fields, list);

    QVERIFY(rewriteInventory({}, file()));
    QCOMPARE(content(), QByteArray());
    QCOMPARE(readInventoryFile(file()).fields, QStringList());
}

void TestInventoryFile::appendAddsOneLine()
{
    const QByteArray three("\"a\"\r\n\"b\"\r\n\"c\"\r\n");
    put(three);
    QVERIFY(appendInventoryEntry("Hinge, brass", file()));
    QCOMPARE(content(), three + "\"Hinge, brass\"\r\n");
    QCOMPARE(readInventoryFile(file()).fields, (QStringList{"a", "b", "c", "Hinge, brass"}));
}

void TestInventoryFile::appendCreatesFile()
{
    QVERIFY(!QFile::exists(file()));
    QVERIFY(appendInventoryEntry("", file()));
    QVERIFY(appendInventoryEntry("Nut", file()));
    QCOMPARE(content(), QByteArray("\"\"\r\n\"Nut\"\r\n"));
}

void TestInventoryFile::appendAfterHandEditedLastLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("no line end") << QByteArray("\"a\"\r\n\"b\"") << QByteArray("\"a\"\r\n\"b\"\r\n\"Nut\"\r\n")
                                 << QStringList{"a", "b", "Nut"};
    QTest::newRow("unquoted, no line end")
        << QByteArray("Bolt") << QByteArray("Bolt\r\n\"Nut\"\r\n") << QStringList{"Bolt", "Nut"};
    // A lone LF already ends the line; a lone CR (a crash between a record's CR and its LF) gets
    // its LF, so that readers by lines see two records.
    QTest::newRow("LF") << QByteArray("\"a\"\n") << QByteArray("\"a\"\n\"Nut\"\r\n") << QStringList{"a", "Nut"};
    QTest::newRow("CR") << QByteArray("\"a\"\r") << QByteArray("\"a\"\r\n\"Nut\"\r\n") << QStringList{"a", "Nut"};
}

void TestInventoryFile::appendAfterHandEditedLastLine()
{
    QFETCH(QByteArray, before);
    put(before);
    QVERIFY(appendInventoryEntry("Nut", file()));
    QTEST(content(), "after");
    QTEST(readInventoryFile(file()).fields, "entries");
}

void TestInventoryFile::quoteInDescription()
{
    // A double quote would end the field early; it is stored as an apostrophe instead.
    QVERIFY(appendInventoryEntry("12\" ruler, steel", file()));
    QCOMPARE(content(), QByteArray("\"12' ruler, steel\"\r\n"));
    QCOMPARE(readInventoryFile(file()).fields, QStringList{"12' ruler, steel"});
}

void TestInventoryFile::writeFailures()
{
    QVERIFY(QDir(m_dir->path()).mkdir(kInventoryFile));
    const WriteResult appended = appendInventoryEntry("x", file());
    const WriteResult rewritten = rewriteInventory({"x"}, file());
    QVERIFY(!appended);
    QVERIFY(!rewritten);
    QVERIFY2(appended.message.contains(kInventoryFile), qPrintable(appended.message));
    QVERIFY2(rewritten.message.contains(kInventoryFile), qPrintable(rewritten.message));
    QCOMPARE(readInventoryFile(file()).fields, QStringList());
}

void TestInventoryFile::largeFileRoundTrip()
{
    constexpr int count = 100000;
    QStringList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("Item %1, size %2").arg(i, 6, 10, QLatin1Char('0')).arg(i % 40));
    QVERIFY(rewriteInventory(list, file()));

    QCOMPARE(readInventoryFile(file()).fields, list);
}

QTEST_GUILESS_MAIN(TestInventoryFile)
#include "test_inventory_file.moc"
