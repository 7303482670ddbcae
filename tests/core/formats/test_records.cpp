#include "core/formats/codepage.h"
#include "core/formats/records.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pos;

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void reader_data();
    void reader();
    void readerLongestField_data();
    void readerLongestField();
    void readerAtEndAndPastEnd();
    void fieldAsBool_data();
    void fieldAsBool();
    void writerBytes();
    void writerQuotePolicy();
    void writerNumbers();
    void writerReadBack();
    void codepageRoundTripsEveryByte();
    void codepageHighTable();
    void codepageUnrepresentable();
};

void TestRecords::reader_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("two quoted, CR LF") << QByteArray("\"a\",\"b\"\r\n") << QStringList{"a", "b"};
    QTest::newRow("quoted with comma") << QByteArray("\"Bolt, 10 mm\"\r\n") << QStringList{"Bolt, 10 mm"};
    QTest::newRow("quoted across line break")
        << QByteArray("\"line 1\r\nline 2\",\"x\"\r\n") << QStringList{"line 1\r\nline 2", "x"};
    QTest::newRow("missing closing quote") << QByteArray("\"open, to\r\nthe end") << QStringList{"open, to\r\nthe end"};
    QTest::newRow("text after closing quote dropped")
        << QByteArray("\"a\" junk, more\r\n\"b\"xyz\r\n") << QStringList{"a", "more", "b"};
    QTest::newRow("blanks before fields skipped")
        << QByteArray(" \t\"a\", \t b  \t,c\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("blanks inside quotes kept") << QByteArray("\"  a  \"\r\n") << QStringList{"  a  "};
    QTest::newRow("unquoted comma splits") << QByteArray("Widget, blue\r\n") << QStringList{"Widget", "blue"};
    QTest::newRow("empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("empty quoted field") << QByteArray("\"\"\r\n") << QStringList{""};
    QTest::newRow("empty fields between commas") << QByteArray("a,,\"\",b\r\n") << QStringList{"a", "", "", "b"};
    QTest::newRow("no final line end") << QByteArray("\"a\"\r\n\"b\"") << QStringList{"a", "b"};
    QTest::newRow("unquoted, no final line end") << QByteArray("a,b") << QStringList{"a", "b"};
    QTest::newRow("LF only") << QByteArray("\"a\"\n\"b\"\nc\n") << QStringList{"a", "b", "c"};
    QTest::newRow("CR only") << QByteArray("\"a\"\rb\r") << QStringList{"a", "b"};
    QTest::newRow("trailing comma at end") << QByteArray("a,") << QStringList{"a"};
    QTest::newRow("comma then line end") << QByteArray("a,\r\nb\r\n") << QStringList{"a", "", "b"};
    QTest::newRow("booleans and numbers as they stand")
        << QByteArray("\"Arial\",#TRUE#,#FALSE#,8.25\r\n") << QStringList{"Arial", "#TRUE#", "#FALSE#", "8.25"};
    QTest::newRow("Windows-1252 bytes") << QByteArray("\"\x80 5 caf\xE9\"\r\n")
                                        << QStringList{QString::fromUtf8("€ 5 café")};
}

void TestRecords::reader()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, fields);
    FieldReader reader(content);
    QCOMPARE(reader.readAll(), fields);
    QVERIFY(reader.atEnd());

    // Read from a device a few bytes at a time (a CR LF split between chunks among them), the
    // fields are the same.
    for (qsizetype chunk : {1, 2, 3, 1000}) {
        QBuffer device(&content);
        QVERIFY(device.open(QIODevice::ReadOnly));
        FieldReader chunked(&device, FieldReader::kNoLimit, chunk);
        QCOMPARE(chunked.readAll(), fields);
        QVERIFY(!chunked.fieldTooLong() && !chunked.readFailed());
    }
}

// A field longer than the limit, its quotes, blanks and what follows its closing quote counted,
// stops the reading, read in chunks smaller than the limit (the fuzz target compares chunks
// with a whole read).
void TestRecords::readerLongestField_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("tooLong");

    QTest::newRow("at the limit") << QByteArray("\"ab\",abcd\r\n \"a\"") << QStringList{"ab", "abcd", "a"} << false;
    QTest::newRow("quoted over") << QByteArray("\"abc\",x") << QStringList() << true;
    QTest::newRow("blanks count") << QByteArray("a,    b") << QStringList{"a"} << true;
    QTest::newRow("text after the quote counts") << QByteArray("\"a\"bcd\r\n") << QStringList() << true;
    QTest::newRow("last field, no line end") << QByteArray("a\r\nabcde") << QStringList{"a"} << true;
}

void TestRecords::readerLongestField()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, fields);
    QFETCH(bool, tooLong);
    QBuffer device(&content);
    QVERIFY(device.open(QIODevice::ReadOnly));
    FieldReader chunked(&device, 4, 2);
    QCOMPARE(chunked.readAll(), fields);
    QCOMPARE(chunked.fieldTooLong(), tooLong);
    QVERIFY(chunked.atEnd());
}

void TestRecords::readerAtEndAndPastEnd()
{
    FieldReader reader(QByteArray("\"a\",\"b\"\r\n"));
    QVERIFY(!reader.atEnd());
    QCOMPARE(reader.readField(), QStringLiteral("a"));
    QVERIFY(!reader.atEnd());
    QCOMPARE(reader.readField(), QStringLiteral("b"));
    QVERIFY(reader.atEnd());
    QCOMPARE(reader.readField(), QString());
    QVERIFY(reader.atEnd());

    FieldReader blanksOnly(QByteArray("  "));
    QVERIFY(!blanksOnly.atEnd());
    QCOMPARE(blanksOnly.readField(), QString());
    QVERIFY(blanksOnly.atEnd());
}

void TestRecords::fieldAsBool_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("value");
    QTest::newRow("#TRUE#") << "#TRUE#" << true;
    QTest::newRow("#FALSE#") << "#FALSE#" << false;
    QTest::newRow("True") << "True" << true;
    QTest::newRow("TRUE") << "TRUE" << true;
    QTest::newRow("false") << "false" << false;
    QTest::newRow("-1") << "-1" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("other text") << "yes" << false;
}

void TestRecords::fieldAsBool()
{
    QFETCH(QString, field);
    QFETCH(bool, value);
    QCOMPARE(pos::fieldAsBool(field), value);
}

void TestRecords::writerBytes()
{
    RecordWriter writer;
    writer.text(u"Arial").boolean(true).boolean(false).endRecord();
    writer.text(u"").endRecord();
    writer.endRecord();
    writer.text(u"a, b").text(u"two\r\nlines").endRecord();
    QCOMPARE(writer.bytes(), QByteArray("\"Arial\",#TRUE#,#FALSE#\r\n"
                                        "\"\"\r\n"
                                        "\r\n"
                                        "\"a, b\",\"two\r\nlines\"\r\n"));
}

void TestRecords::writerQuotePolicy()
{
    QCOMPARE(quotableText(u"12\" ruler"), QStringLiteral("12' ruler"));
    RecordWriter writer;
    writer.text(u"say \"hi\", then").text(u"x").endRecord();
    QCOMPARE(writer.bytes(), QByteArray("\"say 'hi', then\",\"x\"\r\n"));
    // The stored entry reads back whole, not cut at the inner quote.
    QCOMPARE(FieldReader(writer.bytes()).readAll(), (QStringList{"say 'hi', then", "x"}));
}

void TestRecords::writerNumbers()
{
    RecordWriter writer;
    writer.number(10).number(8.25).number(0.1 + 0.2).number(-0.5).endRecord();
    QCOMPARE(writer.bytes(), QByteArray("10,8.25,0.3,-0.5\r\n"));
}

void TestRecords::writerReadBack()
{
    const QString text = QString::fromUtf8("Café “best” – 5 € ünïcode");
    RecordWriter writer;
    writer.text(text).endRecord();
    QCOMPARE(writer.bytes().size(), text.size() + 4);
    QCOMPARE(FieldReader(writer.bytes()).readAll(), QStringList{text});
}

void TestRecords::codepageRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromAnsi(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(fitsAnsi(text));
    QCOMPARE(toAnsi(text), all);
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(text[b].unicode(), char16_t(b));
    for (int b = 0xA0; b < 0x100; ++b)
        QCOMPARE(text[b].unicode(), char16_t(b));
}

void TestRecords::codepageHighTable()
{
    const QString high =
        fromAnsi(QByteArray("\x80\x81\x82\x83\x85\x8A\x8D\x8F\x90\x91\x92\x93\x94\x96\x97\x99\x9D\x9F"));
    const char16_t expected[] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x2026, 0x0160, 0x008D, 0x008F, 0x0090,
                                 0x2018, 0x2019, 0x201C, 0x201D, 0x2013, 0x2014, 0x2122, 0x009D, 0x0178};
    QCOMPARE(high.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < high.size(); ++i)
        QCOMPARE(high[i].unicode(), expected[i]);
    QCOMPARE(toAnsi(QString::fromUtf8("€")), QByteArray("\x80"));
}

void TestRecords::codepageUnrepresentable()
{
    // C1 characters that Windows-1252 replaces, other scripts, and a character outside the
    // basic plane (one "?" for its two UTF-16 units).
    const QString text = QString::fromUtf8("a\u0080b\u4E2Dc\u03A9d😀e");
    QVERIFY(!fitsAnsi(text));
    QCOMPARE(toAnsi(text), QByteArray("a?b?c?d?e"));
    QVERIFY(fitsAnsi(QString::fromUtf8("Œuvre ™ ‰")));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
