#include "core/formats/settings_files.h"
#include "work_dir.h"

#include <QDir>
#include <QFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <memory>

using namespace pos;

class TestSettingsFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void taxFileBytes_data();
    void taxFileBytes();
    void taxFileShortOrMissing_data();
    void taxFileShortOrMissing();
    void headerFile();
    void headerFileHandEdited();
    void returnFileWrittenQuotedReadRaw();
    void returnFileGrowsOnResave();
    void fontFileBytes_data();
    void fontFileBytes();
    void fontFileRejected_data();
    void fontFileRejected();
    void writeFailureNamesFile();
    void taxRateState_data();
    void taxRateState();
    void settingsFileState();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QByteArray contentOf(const QString &name) const { return m_dir->read(name); }
    void put(const QString &name, const QByteArray &bytes) const { m_dir->write(name, bytes); }
    std::unique_ptr<pos::testing::WorkDir> m_dir;
};

void TestSettingsFiles::init()
{
    m_dir.reset(); // the previous working directory comes back before the next is made
    m_dir = std::make_unique<pos::testing::WorkDir>();
}

void TestSettingsFiles::taxFileBytes_data()
{
    QTest::addColumn<QString>("sales");
    QTest::addColumn<QString>("municipal");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("6.5, 1, 5.5") << "6.5"
                                 << "1"
                                 << "5.5" << QByteArray("\"6.5\",\"1\",\"5.5\"\r\n");
    QTest::newRow("6.50 kept as typed") << "6.50"
                                        << "1"
                                        << "5.5" << QByteArray("\"6.50\",\"1\",\"5.5\"\r\n");
    QTest::newRow("empty rate") << "7"
                                << ""
                                << "5" << QByteArray("\"7\",\"\",\"5\"\r\n");
    QTest::newRow("free text, blanks kept") << " 8 %"
                                            << "x"
                                            << "" << QByteArray("\" 8 %\",\"x\",\"\"\r\n");
}

void TestSettingsFiles::taxFileBytes()
{
    QFETCH(QString, sales);
    QFETCH(QString, municipal);
    QFETCH(QString, state);
    QFETCH(QByteArray, bytes);
    QVERIFY(writeTaxFile({sales, municipal, state}, path(kTaxFile)));
    QCOMPARE(contentOf(kTaxFile), bytes);

    const TaxRates read = readTaxFile(path(kTaxFile));
    QCOMPARE(read.sales, sales);
    QCOMPARE(read.municipal, municipal);
    QCOMPARE(read.state, state);
}

void TestSettingsFiles::taxFileShortOrMissing_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file at all
    QTest::addColumn<QStringList>("rates");
    QTest::newRow("missing") << QByteArray("<none>") << QStringList{"", "", ""};
    QTest::newRow("empty") << QByteArray() << QStringList{"", "", ""};
    QTest::newRow("one field") << QByteArray("\"6.5\"\r\n") << QStringList{"6.5", "", ""};
    QTest::newRow("two fields, no line end") << QByteArray("\"6.5\",\"1\"") << QStringList{"6.5", "1", ""};
    QTest::newRow("hand-typed, unquoted") << QByteArray("6.5, 1 ,2\r\n") << QStringList{"6.5", "1", "2"};
    QTest::newRow("extra fields ignored") << QByteArray("\"1\",\"2\",\"3\",\"4\"\r\n") << QStringList{"1", "2", "3"};
}

void TestSettingsFiles::taxFileShortOrMissing()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, rates);
    if (content != "<none>")
        put(kTaxFile, content);
    const TaxRates read = readTaxFile(path(kTaxFile));
    QCOMPARE((QStringList{read.sales, read.municipal, read.state}), rates);
}

void TestSettingsFiles::headerFile()
{
    const QStringList lines{"Corvalane Hardware", "12 Main St., Springfield", "", "Tel. 555-0100"};
    QVERIFY(writeHeaderFile(lines, path(kHeaderFile)));
    QCOMPARE(contentOf(kHeaderFile), QByteArray("\"Corvalane Hardware\"\r\n"
                                                "\"12 Main St., Springfield\"\r\n"
                                                "\"\"\r\n"
                                                "\"Tel. 555-0100\"\r\n"));
    QCOMPARE(readHeaderFile(path(kHeaderFile)), lines);

    QVERIFY(writeHeaderFile({}, path(kHeaderFile)));
    QCOMPARE(contentOf(kHeaderFile), QByteArray());
    QCOMPARE(readHeaderFile(path(kHeaderFile)), QStringList());
    QCOMPARE(readHeaderFile(path("missing.txt")), QStringList());
}

void TestSettingsFiles::headerFileHandEdited()
{
    // An unquoted comma splits a hand-typed line; a double quote is stored as an apostrophe.
    put(kHeaderFile, "Joe's Shop, Main St.\r\n\"Open 9-5\"\n");
    QCOMPARE(readHeaderFile(path(kHeaderFile)), (QStringList{"Joe's Shop", "Main St.", "Open 9-5"}));

    QVERIFY(writeHeaderFile({"The \"Best\" Shop"}, path(kHeaderFile)));
    QCOMPARE(contentOf(kHeaderFile), QByteArray("\"The 'Best' Shop\"\r\n"));
    QCOMPARE(readHeaderFile(path(kHeaderFile)), QStringList{"The 'Best' Shop"});
}

void TestSettingsFiles::returnFileWrittenQuotedReadRaw()
{
    QCOMPARE(readReturnFileRaw(path(kReturnFile)), QByteArray());

    QVERIFY(writeReturnFile("No returns after 30 days.", path(kReturnFile)));
    QCOMPARE(contentOf(kReturnFile), QByteArray("\"No returns after 30 days.\"\r\n"));
    QCOMPARE(readReturnFileRaw(path(kReturnFile)), QByteArray("\"No returns after 30 days.\"\r\n"));

    // Line breaks as a text box gives them (LF), as CR LF or lone CR: all stored as CR LF.
    QVERIFY(writeReturnFile(QString::fromUtf8("Line 1\nLine 2\r\nLine 3\rEnd \"as is\", 中"), path(kReturnFile)));
    QCOMPARE(contentOf(kReturnFile), QByteArray("\"Line 1\r\nLine 2\r\nLine 3\r\nEnd \"as is\", ?\"\r\n"));
    QVERIFY(writeReturnFile(QString::fromUtf8("5 € fee"), path(kReturnFile)));
    QCOMPARE(contentOf(kReturnFile), QByteArray("\"5 \x80 fee\"\r\n"));

    QVERIFY(writeReturnFile(QString(), path(kReturnFile)));
    QCOMPARE(contentOf(kReturnFile), QByteArray("\"\"\r\n"));
}

void TestSettingsFiles::returnFileGrowsOnResave()
{
    QVERIFY(writeReturnFile("Policy", path(kReturnFile)));
    const QString shown = QString::fromLatin1(readReturnFileRaw(path(kReturnFile)));
    QCOMPARE(shown, QStringLiteral("\"Policy\"\r\n"));
    QVERIFY(writeReturnFile(shown, path(kReturnFile)));
    QCOMPARE(contentOf(kReturnFile), QByteArray("\"\"Policy\"\r\n\"\r\n"));

    // The same bytes when the box hands back its line break as LF.
    QVERIFY(writeReturnFile("\"Policy\"\n", path(kReturnFile)));
    QCOMPARE(contentOf(kReturnFile), QByteArray("\"\"Policy\"\r\n\"\r\n"));
}

void TestSettingsFiles::fontFileBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<double>("size");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Arial bold 10") << "Arial" << true << false << 10.0 << QByteArray("\"Arial\",#TRUE#,#FALSE#,10\r\n");
    QTest::newRow("8.25 points") << "Courier New" << false << true << 8.25
                                 << QByteArray("\"Courier New\",#FALSE#,#TRUE#,8.25\r\n");
}

void TestSettingsFiles::fontFileBytes()
{
    QFETCH(QString, name);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(double, size);
    QFETCH(QByteArray, bytes);
    QVERIFY(writeFontFile({name, bold, italic, size}, path(kFontFile)));
    QCOMPARE(contentOf(kFontFile), bytes);

    const std::optional<ReceiptFont> font = readFontFile(path(kFontFile));
    QVERIFY(font.has_value());
    QCOMPARE(font->name, name);
    QCOMPARE(font->bold, bold);
    QCOMPARE(font->italic, italic);
    QCOMPARE(font->pointSize, size);
}

void TestSettingsFiles::fontFileRejected_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray("<none>");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("three fields") << QByteArray("\"Arial\",#TRUE#,#FALSE#\r\n");
    QTest::newRow("size zero") << QByteArray("\"Arial\",#TRUE#,#FALSE#,0\r\n");
    QTest::newRow("size negative") << QByteArray("\"Arial\",#TRUE#,#FALSE#,-3\r\n");
    QTest::newRow("size not a number") << QByteArray("\"Arial\",#TRUE#,#FALSE#,big\r\n");
    QTest::newRow("size empty") << QByteArray("\"Arial\",#TRUE#,#FALSE#,\r\n");
}

void TestSettingsFiles::fontFileRejected()
{
    QFETCH(QByteArray, content);
    if (content != "<none>")
        put(kFontFile, content);
    QVERIFY(!readFontFile(path(kFontFile)).has_value());
}

void TestSettingsFiles::writeFailureNamesFile()
{
    QVERIFY(QDir(m_dir->path()).mkdir(kTaxFile));
    const WriteResult result = writeTaxFile({"1", "2", "3"}, path(kTaxFile));
    QVERIFY(!result);
    QVERIFY2(result.message.contains(kTaxFile), qPrintable(result.message));
}

void TestSettingsFiles::taxRateState_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file, "<folder>", "<pipe>"
    QTest::addColumn<SettingsState>("state");
    const SettingsState usable = SettingsState::Usable;
    const SettingsState notANumber = SettingsState::RateNotANumber;
    QTest::newRow("missing") << QByteArray("<none>") << usable;
    QTest::newRow("6") << QByteArray("\"6\",\"1\",\"5\"\r\n") << usable;
    QTest::newRow("6.50") << QByteArray("\"6.50\"\r\n") << usable;
    QTest::newRow("blanks around") << QByteArray("\" 6.5 \"\r\n") << usable;
    QTest::newRow("zero") << QByteArray("\"0\"\r\n") << usable;
    QTest::newRow("unquoted") << QByteArray("7.25,1,5\r\n") << usable;
    QTest::newRow("exponent") << QByteArray("\"6E0\"\r\n") << usable;
    QTest::newRow("empty file") << QByteArray() << notANumber;
    QTest::newRow("empty rate") << QByteArray("\"\",\"1\",\"5\"\r\n") << notANumber;
    QTest::newRow("word") << QByteArray("\"six\"\r\n") << notANumber;
    QTest::newRow("percent sign") << QByteArray("\"6 %\"\r\n") << notANumber;
    QTest::newRow("decimal comma") << QByteArray("\"1,5\"\r\n") << notANumber;
    QTest::newRow("money") << QByteArray("\"$6\"\r\n") << notANumber;
    QTest::newRow("beyond range") << QByteArray("\"1E999\"\r\n") << notANumber;
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe\x7f", 5) << notANumber;
    QTest::newRow("folder") << QByteArray("<folder>") << SettingsState::Unreadable;
#ifdef Q_OS_UNIX
    QTest::newRow("pipe") << QByteArray("<pipe>") << SettingsState::Unreadable;
#endif
}

void TestSettingsFiles::taxRateState()
{
    QFETCH(QByteArray, content);
    if (content == "<folder>")
        QVERIFY(QDir(m_dir->path()).mkdir(kTaxFile));
#ifdef Q_OS_UNIX
    else if (content == "<pipe>")
        QCOMPARE(::mkfifo(QFile::encodeName(path(kTaxFile)).constData(), 0600), 0);
#endif
    else if (content != "<none>")
        put(kTaxFile, content);
    QTEST(pos::taxRateState(path(kTaxFile)), "state");
}

void TestSettingsFiles::settingsFileState()
{
    QCOMPARE(pos::settingsFileState(path(kHeaderFile)), SettingsState::Usable);
    put(kHeaderFile, "\"Shop\"\r\n");
    QCOMPARE(pos::settingsFileState(path(kHeaderFile)), SettingsState::Usable);
    put(kReturnFile, QByteArray());
    QCOMPARE(pos::settingsFileState(path(kReturnFile)), SettingsState::Usable);
    QVERIFY(QDir(m_dir->path()).mkdir("folder.txt"));
    QCOMPARE(pos::settingsFileState(path("folder.txt")), SettingsState::Unreadable);
}

QTEST_GUILESS_MAIN(TestSettingsFiles)
#include "test_settings_files.moc"
