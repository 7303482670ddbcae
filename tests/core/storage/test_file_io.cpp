#include "core/formats/record_file.h"
#include "core/storage/file_io.h"
#include "core/storage/native_file.h"

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
#include <sys/stat.h>
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

#ifdef Q_OS_UNIX
// Caps the size of files this process may write while it lives, so that a write stops part
// way (as on a full disk) for root as well. Nothing may be logged while the cap holds.
class FileSizeCap
{
public:
    explicit FileSizeCap(rlim_t bytes)
        : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        m_capped = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        rlimit capped = m_saved;
        capped.rlim_cur = bytes;
        m_capped = m_capped && ::setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeCap()
    {
        if (m_capped)
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeCap(const FileSizeCap &) = delete;
    FileSizeCap &operator=(const FileSizeCap &) = delete;

    bool holds() const { return m_capped; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int);
    bool m_capped = false;
};

// Permission bits do not stop root. Run as root, a test that needs them gives the folder to
// the unprivileged user "nobody" and takes that user's rights for as long as this lives.
class Unprivileged
{
public:
    explicit Unprivileged(const QString &folder)
    {
        if (::geteuid() != 0)
            return;
        constexpr uid_t nobody = 65534;
        if (::chown(QFile::encodeName(folder).constData(), nobody, nobody) == 0 && ::seteuid(nobody) == 0)
            m_switched = true;
    }
    ~Unprivileged()
    {
        if (m_switched && ::seteuid(0) != 0)
            qFatal("could not take back root rights");
    }
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    // True when permission bits now apply.
    bool bitsApply() const { return m_switched || ::geteuid() != 0; }

private:
    bool m_switched = false;
};
#endif

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void namesWindowsRefuses_data();
    void namesWindowsRefuses();

    void rawReadKeepsEveryByte();
    void rawReadMissingOrFolder();
    void writeWholeCreatesAndReplaces();
    void appendCreatesAndAppends();
    void failuresNameTheFile_data();
    void failuresNameTheFile();
    void readOnlyFolder();
    void notRegularFilesRefused();
    void fileStates();
    void shortWriteLeavesFileAsItWas();
    void streamedWriteInPieces();
    void streamedWriteFailureKeepsOldContent();
    void emptyInPlace();
    void sameFileByEveryName();
    void stagedWriteTakesPlaceAtCommit();
    void createNewNeverReplaces();
    void createNewShortWriteLeavesNothing();
    void keptFilesOnlyUnderTheirOwnName_data();
    void keptFilesOnlyUnderTheirOwnName();
    void keptReadIsBoundedAndNeverEmptyOnFailure();
    void heldFileAppendsAtItsEnd();
    void temporaryNames_data();
    void temporaryNames();

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
#ifdef Q_OS_UNIX
    const Unprivileged rights(m_dir->path());
    if (!rights.bitsApply())
        QSKIP("permission bits do not stop root, and no unprivileged user could be taken");
#else
    QSKIP("a folder's read-only attribute does not stop writes on Windows");
#endif
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
    // ...and a file in it is never rewritten in place, where a full disk could cut it: the
    // rewrite fails and the old content stays. An append works in place by nature.
    const WriteResult rewrite = writeFileWhole(existing, "new\r\n");
    QVERIFY(!rewrite);
    QVERIFY2(rewrite.message.contains("tax.txt"), qPrintable(rewrite.message));
    QCOMPARE(contentOf(existing), QByteArray("old"));
    QVERIFY(appendDurably(existing, "more\r\n"));
    QCOMPARE(contentOf(existing), QByteArray("oldmore\r\n"));

    QVERIFY(QFile::setPermissions(existing, QFileDevice::ReadOwner));
    QVERIFY(!writeFileWhole(existing, "x"));
    QVERIFY(!appendDurably(existing, "x"));
    QCOMPARE(contentOf(existing), QByteArray("oldmore\r\n"));
}

void TestFileIo::notRegularFilesRefused()
{
#ifdef Q_OS_UNIX
    // A pipe, a device (through a link) and a folder in a data file's place: every writer
    // refuses at once, without opening (a pipe with no reader would block the open for
    // ever), and the readers read nothing.
    const QString fifo = path("sales.txt");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = path("tax.txt");
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
    for (const QString &file : {fifo, device}) {
        for (const WriteResult &result :
             {appendDurably(file, "\"x\"\r\n"), appendRecords(file, "\"x\"\r\n", RecordShape{1, {}}, file + ".torn"),
              writeFileWhole(file, "\"x\"\r\n")}) {
            QVERIFY(!result);
            QVERIFY2(result.message.contains(QFileInfo(file).fileName()), qPrintable(result.message));
            QVERIFY2(result.message.contains("not a regular file"), qPrintable(result.message));
        }
        QVERIFY(!readRawFile(file));
        QCOMPARE(fileState(file), FileState::Unreadable);
    }
    QVERIFY(QFileInfo(device).isSymLink());
#else
    QSKIP("needs named pipes");
#endif
}

void TestFileIo::fileStates()
{
    QCOMPARE(fileState(path("missing.txt")), FileState::Missing);
    put(path("tax.txt"), "\"6\"\r\n");
    QCOMPARE(fileState(path("tax.txt")), FileState::Read);
    QVERIFY(QDir(m_dir->path()).mkdir("Header.txt"));
    QCOMPARE(fileState(path("Header.txt")), FileState::Unreadable);
#ifdef Q_OS_UNIX
    // A link to nowhere is there, but cannot be read. (On Windows QFile::link makes a
    // shortcut, an ordinary file.)
    QVERIFY(QFile::link(path("gone.txt"), path("return.txt")));
    QCOMPARE(fileState(path("return.txt")), FileState::Unreadable);
#endif
}

void TestFileIo::shortWriteLeavesFileAsItWas()
{
#ifdef Q_OS_UNIX
    const QString file = path("sales.txt");
    put(file, "\"old\",1\r\n");

    const QByteArray record("\"a longer record\",2\r\n");
    WriteResult appended;
    WriteResult written;
    bool capped = false;
    {
        const FileSizeCap cap(16);
        capped = cap.holds();
        appended = appendDurably(file, record);
        written = writeFileWhole(file, record + record);
    }
    QVERIFY(capped);
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

void TestFileIo::streamedWriteInPieces()
{
    const QString file = path("history.txt");
    put(file, "old content");
    QByteArray expected;
    {
        StreamedFileWriter writer(file);
        // Small pieces, and one larger than the writer's buffer.
        for (int i = 0; i < 1000; ++i) {
            const QByteArray piece = QByteArray::number(i) + "\r\n";
            QVERIFY(writer.write(piece));
            expected += piece;
        }
        const QByteArray big(3 << 20, 'x');
        QVERIFY(writer.write(big));
        expected += big;
        QVERIFY(writer.write("end"));
        expected += "end";
        // Nothing shows before the commit.
        QCOMPARE(contentOf(file), QByteArray("old content"));
        QVERIFY(writer.commit());
    }
    QCOMPARE(contentOf(file), expected);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"history.txt"});

    // Dropped without a commit: no trace, the file as it was.
    {
        StreamedFileWriter writer(path("other.txt"));
        QVERIFY(writer.write("abc"));
    }
    QVERIFY(!QFileInfo::exists(path("other.txt")));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"history.txt"});

    // An empty write makes an empty file.
    StreamedFileWriter empty(path("empty.txt"));
    QVERIFY(empty.commit());
    QCOMPARE(contentOf(path("empty.txt")), QByteArray());
}

void TestFileIo::streamedWriteFailureKeepsOldContent()
{
    QVERIFY(QDir(m_dir->path()).mkdir("folder.txt"));
    StreamedFileWriter onFolder(path("folder.txt"));
    QVERIFY(!onFolder.write("x"));
    WriteResult result = onFolder.commit();
    QVERIFY(!result);
    QVERIFY2(result.message.contains("folder.txt") && result.message.contains("folder"), qPrintable(result.message));

    StreamedFileWriter nowhere(path("nowhere/history.txt"));
    result = nowhere.commit();
    QVERIFY(!result);
    QVERIFY2(result.message.contains(QDir::toNativeSeparators(path("nowhere/history.txt"))),
             qPrintable(result.message));

#ifdef Q_OS_UNIX
    // A full disk part way: the old content stays, no temporary file is left.
    const QString file = path("history.txt");
    put(file, "old");
    {
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit capped = saved;
        capped.rlim_cur = 100000;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &capped), 0);
        {
            StreamedFileWriter writer(file);
            for (int i = 0; i < 100 && writer.write(QByteArray(50000, 'y')); ++i) { }
            result = writer.commit();
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
    QVERIFY(!result);
    QVERIFY2(result.message.contains("history.txt"), qPrintable(result.message));
    QCOMPARE(contentOf(file), QByteArray("old"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"history.txt"});
#endif
}

void TestFileIo::emptyInPlace()
{
    const QString file = path("sales.txt");
    put(file, "\"a\",\"b\"\r\n");
#ifdef Q_OS_UNIX
    struct stat before
    {
    };
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &before), 0);
#endif
    QVERIFY(emptyFileInPlace(file));
    QCOMPARE(contentOf(file), QByteArray());
#ifdef Q_OS_UNIX
    // The same file, emptied where it is (not replaced by another).
    struct stat after
    {
    };
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
#endif
    QVERIFY(QFile::remove(file));
    QVERIFY(emptyFileInPlace(file));
    QVERIFY(QFileInfo(file).isFile());
    QCOMPARE(contentOf(file), QByteArray());

    QVERIFY(QDir(m_dir->path()).mkdir("folder.txt"));
    const WriteResult result = emptyFileInPlace(path("folder.txt"));
    QVERIFY(!result);
    QVERIFY2(result.message.contains("folder.txt"), qPrintable(result.message));
}

void TestFileIo::sameFileByEveryName()
{
    const QString journal = path("sales.txt");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
    QVERIFY(QDir().mkdir("sub"));

    // Before the file exists, and after.
    for (bool exists : {false, true}) {
        if (exists)
            put(journal, "x");
        for (const QString &name :
             {QStringLiteral("sales.txt"), QStringLiteral("./sales.txt"), QStringLiteral("sub/../sales.txt"), journal})
            QVERIFY2(sameFile(name, QStringLiteral("sales.txt")), qPrintable(name));
        QVERIFY(!sameFile(QStringLiteral("sub/sales.txt"), QStringLiteral("sales.txt")));
        QVERIFY(!sameFile(QStringLiteral("sales.txt.bak"), QStringLiteral("sales.txt")));
    }
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link(journal, path("sub/link.txt")));
    QVERIFY(sameFile(QStringLiteral("sub/link.txt"), QStringLiteral("sales.txt")));
    QCOMPARE(::link(QFile::encodeName(journal).constData(), "hard.txt"), 0);
    QVERIFY(sameFile(QStringLiteral("hard.txt"), QStringLiteral("sales.txt")));
    // A link to the journal's name while the journal is absent.
    QVERIFY(QFile::remove(journal));
    QVERIFY(sameFile(QStringLiteral("sub/link.txt"), QStringLiteral("sales.txt")));
    QVERIFY(!sameFile(QStringLiteral("hard.txt"), QStringLiteral("sales.txt")));
#endif
}

void TestFileIo::stagedWriteTakesPlaceAtCommit()
{
    const QString file = path("reciept.txt");
    put(file, "old\r\n");
    const auto entries = [this] { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden); };
    {
        StagedWrite write(file);
        QVERIFY(write.stage("new\r\n"));
        // Staged: the file keeps its old content until the commit.
        QCOMPARE(contentOf(file), QByteArray("old\r\n"));
        QVERIFY(write.commit());
        QCOMPARE(contentOf(file), QByteArray("new\r\n"));
        // Once only.
        QVERIFY(!write.commit());
    }
    {
        // Staged and never committed: the old content stays, nothing is left beside it.
        StagedWrite write(file);
        QVERIFY(write.stage("dropped\r\n"));
    }
    QCOMPARE(contentOf(file), QByteArray("new\r\n"));
    QCOMPARE(entries(), QStringList{"reciept.txt"});
    {
        // A folder that took the file's place by the commit: the commit fails, naming the file.
        QVERIFY(QFile::remove(file));
        StagedWrite write(file);
        QVERIFY(write.stage("late\r\n"));
        QVERIFY(QDir(m_dir->path()).mkdir("reciept.txt"));
        const WriteResult committed = write.commit();
        QVERIFY(!committed);
        QVERIFY2(committed.message.contains("reciept.txt"), qPrintable(committed.message));
    }
    QVERIFY(QFileInfo(file).isDir());
    QVERIFY(entries().isEmpty());
    // Nothing staged, nothing to commit; a refused place is refused at the stage.
    QVERIFY(!StagedWrite(path("other.txt")).commit());
    QVERIFY(!StagedWrite(file).stage("x"));
}

void TestFileIo::createNewNeverReplaces()
{
    const QString file = path("03142004093010Ann.lwy");
    bool taken = true;
    QVERIFY(createFileNew(file, "4.54\r\n\"Shop\"\r\n", &taken));
    QVERIFY(!taken);
    QCOMPARE(contentOf(file), QByteArray("4.54\r\n\"Shop\"\r\n"));
    // Nothing is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"03142004093010Ann.lwy"});
#ifdef Q_OS_UNIX
    // Made with the rights of any new file, not private to the program.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat status
    {
    };
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0666 & ~mask);
#endif

    // A name already taken, by a file, a folder or a link to nowhere, is never written.
    const WriteResult again = createFileNew(file, "0\r\n", &taken);
    QVERIFY(!again);
    QVERIFY(taken);
    QVERIFY2(again.message.contains("03142004093010Ann.lwy"), qPrintable(again.message));
    QCOMPARE(contentOf(file), QByteArray("4.54\r\n\"Shop\"\r\n"));
    QVERIFY(QDir(m_dir->path()).mkdir("folder.lwy"));
    QVERIFY(!createFileNew(path("folder.lwy"), "0\r\n", &taken));
    QVERIFY(taken);
#ifdef Q_OS_UNIX
    // (On Windows QFile::link makes a shortcut, an ordinary file.)
    QVERIFY(QFile::link(path("gone"), path("link.lwy")));
    QVERIFY(!createFileNew(path("link.lwy"), "0\r\n", &taken));
    QVERIFY(taken);
    QVERIFY(!QFileInfo::exists(path("gone")));
#endif

    // A failure of another kind is not a taken name.
    QVERIFY(!createFileNew(path("nowhere/x.lwy"), "0\r\n", &taken));
    QVERIFY(!taken);
    QVERIFY(!createFileNew(path(QString(300, QLatin1Char('x'))), "0\r\n", &taken));
    QVERIFY(!taken);
}

void TestFileIo::createNewShortWriteLeavesNothing()
{
#ifdef Q_OS_UNIX
    const QString file = path("new.lwy");
    WriteResult created;
    bool capped = false;
    {
        const FileSizeCap cap(16);
        capped = cap.holds();
        created = createFileNew(file, QByteArray(100, 'x'));
    }
    QVERIFY(capped);
    QVERIFY(!created);
    QVERIFY2(created.message.contains("new.lwy"), qPrintable(created.message));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
#else
    QSKIP("needs a per-process file size limit");
#endif
}

// What may stand in the place of a file the program keeps, and what each writer, reader and
// holder of a kept file does with it: every one refuses, at once (a pipe never blocks), names
// the file and why, and changes nothing the name leads to. A regular file of one name is the
// one row that works.
void TestFileIo::keptFilesOnlyUnderTheirOwnName_data()
{
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("why");
    QTest::newRow("a file of its own") << "file" << QString();
#ifdef Q_OS_UNIX
    QTest::newRow("link to the journal") << "link:sales.txt"
                                         << "link";
    QTest::newRow("link to a history") << "link:h.txt"
                                       << "link";
    QTest::newRow("link outside the shop") << "link:../outside.txt"
                                           << "link";
    QTest::newRow("dangling link") << "link:../nothing.txt"
                                   << "link";
    QTest::newRow("hard link to a history") << "hard:h.txt"
                                            << "second name";
    QTest::newRow("named pipe") << "fifo"
                                << "not a regular file";
#else
    QSKIP("links and named pipes are made here by POSIX calls");
#endif
    QTest::newRow("folder") << "folder"
                            << "folder";
}

void TestFileIo::keptFilesOnlyUnderTheirOwnName()
{
    QFETCH(QString, replacement);
    QFETCH(QString, why);
    const QByteArray old = "\"kept\"\r\n";
    QVERIFY(QDir(m_dir->path()).mkdir("shop"));
    put(path("outside.txt"), old);
    put(path("shop/sales.txt"), old);
    put(path("shop/h.txt"), old);
    const QString kept = path("shop/sales.txt.appended");
    const QString target = replacement.section(':', 1);
    if (replacement == "file")
        put(kept, old);
    else if (replacement == "folder")
        QVERIFY(QDir().mkdir(kept));
#ifdef Q_OS_UNIX
    else if (replacement.startsWith("link:"))
        QVERIFY(QFile::link(target, kept));
    else if (replacement.startsWith("hard:"))
        QCOMPARE(::link(QFile::encodeName(path("shop/" + target)).constData(), QFile::encodeName(kept).constData()), 0);
    else if (replacement == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(kept).constData(), 0600), 0);
#endif

    const QByteArray record = "\"x\"\r\n";
    QList<WriteResult> results{appendDurably(kept, record, Names::Kept),
                               appendRecords(kept, record, RecordShape{1, {}}, kept + ".torn", Names::Kept),
                               writeFileWhole(kept, record, Names::Kept), emptyFileInPlace(kept, Names::Kept),
                               cutFileAt(kept, 0, Names::Kept)};
    const KeptRead read = readKeptFile(kept, 1 << 20);
    native::HeldFile held(kept, Names::Kept);
    native::ReadFile reader(kept, Names::Kept);
    const QStringList failures{held.open(), reader.open(), read.failure};
    if (why.isEmpty()) {
        for (const WriteResult &result : results)
            QVERIFY2(result, qPrintable(result.message));
        QVERIFY(failures.join(QString()).isEmpty());
        QCOMPARE(read.state, FileState::Read);
    } else {
        for (const WriteResult &result : results) {
            QVERIFY(!result);
            QVERIFY2(result.message.contains("sales.txt.appended") && result.message.contains(why),
                     qPrintable(result.message));
        }
        for (const QString &failure : failures)
            QVERIFY2(failure.contains(why), qPrintable(failure));
        QCOMPARE(read.state, FileState::Unreadable);
        QVERIFY(read.refused);
        // Nothing the name leads to changed, and the name is still what it was.
        for (const char *name : {"outside.txt", "shop/sales.txt", "shop/h.txt"})
            QCOMPARE(contentOf(path(name)), old);
        QVERIFY(!QFileInfo::exists(path("nothing.txt")));
        QCOMPARE(QFileInfo(kept).isSymLink(), replacement.startsWith("link:"));
        QVERIFY(!QFileInfo::exists(kept + ".torn"));
    }
}

// A kept file is read whole up to its limit: a larger one (a sparse file of 64 MB here) is
// refused as such, a missing one is missing, and an empty one is read and empty.
void TestFileIo::keptReadIsBoundedAndNeverEmptyOnFailure()
{
    const QString kept = path("sales.txt.pending");
    QCOMPARE(readKeptFile(kept, 100).state, FileState::Missing);
    put(kept, {});
    QCOMPARE(readKeptFile(kept, 100).state, FileState::Read);
    put(kept, QByteArray(100, 'x'));
    QCOMPARE(readKeptFile(kept, 100).content, QByteArray(100, 'x'));
    put(kept, QByteArray(101, 'x'));
    KeptRead read = readKeptFile(kept, 100);
    QVERIFY(read.refused && read.content.isEmpty() && read.failure.contains("larger"));
    {
        QFile huge(kept);
        QVERIFY(huge.open(QIODevice::ReadWrite));
        QVERIFY(huge.resize(qint64(64) << 20));
    }
    read = readKeptFile(kept, 4 << 20);
    QVERIFY(read.refused && read.content.isEmpty());
}

// A held file's append lands at its end, after what another program appended since it was
// opened, and its tail and cut work on the same handle.
void TestFileIo::heldFileAppendsAtItsEnd()
{
    const QString file = path("sales.txt");
    put(file, "one\r\n");
    native::HeldFile held(file);
    QVERIFY(held.open().isEmpty());
    char first[3] = {};
    QCOMPARE(held.read(first, 3), qint64(3));
    QVERIFY(held.append("two\r\n").isEmpty());
    QByteArray tail;
    qint64 size = 0;
    QVERIFY(held.readTail(4, tail, size).isEmpty());
    QCOMPARE(tail, QByteArray("wo\r\n"));
    QCOMPARE(size, qint64(10));
    // Reading goes on where it ended, not where the append left the handle.
    char next[2] = {};
    QCOMPARE(held.read(next, 2), qint64(2));
    QCOMPARE(QByteArray(next, 2), QByteArray("\r\n"));
    QVERIFY(held.resize(5).isEmpty());
    QCOMPARE(contentOf(file), QByteArray("one\r\n"));
}

void TestFileIo::temporaryNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("temporary");
    QTest::newRow("a history") << "Q1.txt" << false;
    QTest::newRow("named as a temporary") << "Q1.corvalane-report.tmp" << true;
    QTest::newRow("in another case") << "sub/Q1.CORVALANE-abcdef.TMP" << true;
    QTest::newRow("five characters") << "Q1.corvalane-repor.tmp" << false;
    QTest::newRow("more after") << "Q1.corvalane-report.tmp.txt" << false;
}

void TestFileIo::temporaryNames()
{
    QFETCH(QString, name);
    QFETCH(bool, temporary);
    QCOMPARE(isTemporaryName(name), temporary);
    // Exactly the names a start removes.
    QDir(m_dir->path()).mkdir("sub");
    put(path(name), "x");
    QCOMPARE(removeStaleTemporaries(QFileInfo(path(name)).path()) == 1, temporary);
}

void TestFileIo::namesWindowsRefuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    for (const char *name : {"CON",        "con.txt",      "Nul.lwy",
                             "aux .txt",   "COM1",         "lpt9.history.txt",
                             "PRN.",       "history.txt.", "history ",
                             "a?b.txt",    "a<b",          "a|b",
                             "a*b",        "a\"b",         "ab:c",
                             "tab\there",  "COM0.txt",     "lpt0",
                             "CONIN$.txt", "conout$",      "COM\xc2\xb9.txt",
                             "LPT\xc2\xb3"})
        QTest::newRow(name) << QString::fromUtf8(name) << true;
    for (const char *name : {"console.txt", "COM10.txt", "LPT\xc2\xb2\xc2\xb2", "CONIN.txt", "nully.lwy", "con_txt",
                             ".hidden", "history.txt", "03142004093010Ann.lwy", "Caf\xc3\xa9 \xe2\x82\xac.txt"})
        QTest::newRow(name) << QString::fromUtf8(name) << false;
}

void TestFileIo::namesWindowsRefuses()
{
    QFETCH(QString, name);
    QFETCH(bool, refused);
    // Only the file's own name counts, in any folder.
    for (const QString &file : {name, path(name)}) {
        QCOMPARE(!fileNameProblem(file).isEmpty(), refused);
        if (refused) {
            const WriteResult result = writeFileWhole(path(name), "x");
            QVERIFY2(!result && result.message.contains(fileNameProblem(file)), qPrintable(result.message));
        }
    }
    if (refused)
        QVERIFY(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

QTEST_GUILESS_MAIN(TestFileIo)
#include "test_file_io.moc"
