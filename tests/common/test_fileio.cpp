#include "common/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace pos;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void rawReadKeepsEveryByte();
    void rawReadMissingOrFolder();
    void writeWholeCreatesAndReplaces();
    void appendCreatesAndAppends();
    void failuresNameTheFile_data();
    void failuresNameTheFile();
    void readOnlyFolder();
    void appendToFullDisk();
    void shortWriteLeavesFileAsItWas();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileIo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFileIo::rawReadKeepsEveryByte()
{
    QByteArray bytes("\"policy\"\r\nline\rlone\n");
    for (int b = 0; b < 256; ++b)
        bytes.append(static_cast<char>(b));
    put(path("raw.bin"), bytes);

    const std::optional<QByteArray> read = readRawFile(path("raw.bin"));
    QVERIFY(read.has_value());
    QCOMPARE(*read, bytes);
    QCOMPARE(readRawFileOrEmpty(path("raw.bin")), bytes);

    put(path("empty.txt"), QByteArray());
    QCOMPARE(readRawFile(path("empty.txt")), std::optional<QByteArray>(QByteArray()));
}

void TestFileIo::rawReadMissingOrFolder()
{
    QVERIFY(!readRawFile(path("missing.txt")).has_value());
    QVERIFY(!readRawFile(m_dir->path()).has_value());
    QVERIFY(readRawFileOrEmpty(path("missing.txt")).isEmpty());
}

void TestFileIo::writeWholeCreatesAndReplaces()
{
    const QString file = path("tax.txt");
    QVERIFY(writeFileWhole(file, "\"6.5\",\"1\",\"5.5\"\r\n"));
    QCOMPARE(contentOf(file), QByteArray("\"6.5\",\"1\",\"5.5\"\r\n"));

    QVERIFY(writeFileWhole(file, "\"7\"\r\n"));
    QCOMPARE(contentOf(file), QByteArray("\"7\"\r\n"));

    QVERIFY(writeFileWhole(file, QByteArray()));
    QVERIFY(QFileInfo::exists(file));
    QCOMPARE(contentOf(file), QByteArray());
}

void TestFileIo::appendCreatesAndAppends()
{
    const QString file = path("sales.txt");
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(appendDurably(file, "\"one\"\r\n"));
    QVERIFY(appendDurably(file, "\"two\",5\r\n"));
    QVERIFY(appendDurably(file, QByteArray()));
    QCOMPARE(contentOf(file), QByteArray("\"one\"\r\n\"two\",5\r\n"));
}

void TestFileIo::failuresNameTheFile_data()
{
    QTest::addColumn<bool>("append");
    QTest::addColumn<QString>("name");
    // A folder in the file's place, and a file under a folder that does not exist: both fail
    // for root as well.
    QTest::newRow("write over folder") << false << "sales.txt";
    QTest::newRow("append to folder") << true << "sales.txt";
    QTest::newRow("write under missing folder") << false << "nowhere/tax.txt";
    QTest::newRow("append under missing folder") << true << "nowhere/tax.txt";
    QTest::newRow("write, name too long") << false << QString(300, QLatin1Char('x'));
    QTest::newRow("append, name too long") << true << QString(300, QLatin1Char('x'));
}

void TestFileIo::failuresNameTheFile()
{
    QFETCH(bool, append);
    QFETCH(QString, name);
    const QString file = path(name);
    if (name == QLatin1String("sales.txt"))
        QVERIFY(QDir(m_dir->path()).mkdir(name));

    const WriteResult result = append ? appendDurably(file, "\"x\"\r\n") : writeFileWhole(file, "\"x\"\r\n");
    QVERIFY(!result);
    QVERIFY(!result.ok);
    QVERIFY2(result.message.startsWith(QStringLiteral("Could not write \"")), qPrintable(result.message));
    QVERIFY2(result.message.contains(QDir::toNativeSeparators(file)), qPrintable(result.message));
    QVERIFY(!QFileInfo(file).isFile());
}

void TestFileIo::readOnlyFolder()
{
    if (runningAsRoot())
        QSKIP("permission bits do not stop root");
    QVERIFY(QDir(m_dir->path()).mkdir("ro"));
    const QString existing = path("ro/tax.txt");
    put(existing, "old");
    QVERIFY(QFile::setPermissions(path("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    // Give the folder back its write bit however the test ends, so that it can be removed.
    const auto restore = qScopeGuard([this] {
        QFile::setPermissions(path("ro"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });

    // No new file can be made in a read-only folder...
    QVERIFY(!writeFileWhole(path("ro/new.txt"), "x"));
    QVERIFY(!appendDurably(path("ro/new.txt"), "x"));
    // ...but a writable file in it can still be replaced and appended to.
    QVERIFY(writeFileWhole(existing, "new\r\n"));
    QVERIFY(appendDurably(existing, "more\r\n"));
    QCOMPARE(contentOf(existing), QByteArray("new\r\nmore\r\n"));

    QVERIFY(QFile::setPermissions(existing, QFileDevice::ReadOwner));
    QVERIFY(!writeFileWhole(existing, "x"));
    QVERIFY(!appendDurably(existing, "x"));
    QCOMPARE(contentOf(existing), QByteArray("new\r\nmore\r\n"));
}

void TestFileIo::appendToFullDisk()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    const QString file = path("full.txt");
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), file));
    const WriteResult result = appendDurably(file, "\"x\"\r\n");
    QVERIFY(!result);
    QVERIFY2(result.message.contains(QStringLiteral("full.txt")), qPrintable(result.message));
}

void TestFileIo::shortWriteLeavesFileAsItWas()
{
#ifdef Q_OS_UNIX
    const QString file = path("sales.txt");
    put(file, "\"old\",1\r\n");

    // Cap the size of files this process may write, so that the next write stops part way
    // (as on a full disk) for root as well. The cap is lifted before anything is logged.
    const QByteArray record("\"a longer record\",2\r\n");
    WriteResult appended;
    WriteResult written;
    {
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit capped = saved;
        capped.rlim_cur = 16;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &capped), 0);
        appended = appendDurably(file, record);
        written = writeFileWhole(file, record + record);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
    QVERIFY(!appended);
    QVERIFY(!written);
    QVERIFY2(appended.message.contains(QStringLiteral("sales.txt")), qPrintable(appended.message));
    QVERIFY2(written.message.contains(QStringLiteral("sales.txt")), qPrintable(written.message));
    QCOMPARE(contentOf(file), QByteArray("\"old\",1\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"sales.txt"});
#else
    QSKIP("needs a per-process file size limit");
#endif
}

QTEST_GUILESS_MAIN(TestFileIo)
#include "test_fileio.moc"
