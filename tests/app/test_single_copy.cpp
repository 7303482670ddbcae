// One copy of the program per shop folder: the real program started twice in one folder, a
// holder killed, odd things in the lock file's place, and a folder whose name is not UTF-8.

#include "app/shop_lock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace pos;

namespace {

// Starts the program in the folder, on the offscreen platform.
std::unique_ptr<QProcess> startProgram(const QString &folder, const QStringList &arguments = {})
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral(POS_PROGRAM));
    process->setArguments(arguments);
    process->setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(environment);
    process->start();
    return process;
}

// Whether a copy of the program holds the folder.
bool held(const QString &folder)
{
    return lockShopFolder(folder).refusal.contains(QLatin1String("already running"));
}

#ifdef Q_OS_UNIX
// A socket bound at the path (left there when its handle is closed), which no open() takes.
bool bindSocket(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int handle = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = handle >= 0 && ::bind(handle, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (handle >= 0)
        ::close(handle);
    return bound;
}
#endif

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished(10000);
}

} // namespace

class TestSingleCopy : public QObject
{
    Q_OBJECT

private slots:
    void secondLockInTheFolderRefused();
    void secondStartRefusedKilledHolderFreesIt();
    void oddThingsAtTheLocksName_data();
    void oddThingsAtTheLocksName();
    void folderNameNotUtf8();
};

void TestSingleCopy::secondLockInTheFolderRefused()
{
    QTemporaryDir shop;
    QTemporaryDir other;
    ShopLock first = lockShopFolder(shop.path());
    QVERIFY(first.lock);
    QVERIFY(first.refusal.isEmpty());

    const ShopLock second = lockShopFolder(shop.path());
    QVERIFY(!second.lock);
    QVERIFY2(second.refusal.contains("already running in the folder \"" + QDir::toNativeSeparators(shop.path()) + "\""),
             qPrintable(second.refusal));

    // The lock file deleted or renamed while it is held lets no second copy in (Windows
    // refuses to delete it; elsewhere the folder itself is held).
    const QString lockFile = QDir(shop.path()).filePath(kShopLockFile);
    QFile::rename(lockFile, lockFile + ".old");
    QFile::remove(lockFile);
    const ShopLock third = lockShopFolder(shop.path());
    QVERIFY(!third.lock);
    QVERIFY2(third.refusal.contains("already running"), qPrintable(third.refusal));

    // Another folder is another shop; released, the folder can be taken again.
    QVERIFY(lockShopFolder(other.path()).lock);
    first.lock.reset();
    QVERIFY(lockShopFolder(shop.path()).lock);
}

void TestSingleCopy::secondStartRefusedKilledHolderFreesIt()
{
    QTemporaryDir shop;
    // What a crash left: a temporary file of the program's (removed at start) and an owner's
    // file of a like name (kept).
    for (const char *name : {"reciept.txt.corvalane-Ab12Cd.tmp", "tax.txt.backup"}) {
        QFile file(shop.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const std::unique_ptr<QProcess> first = startProgram(shop.path());
    QTRY_VERIFY_WITH_TIMEOUT(held(shop.path()), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(shop.filePath("reciept.txt.corvalane-Ab12Cd.tmp")), 30000);
    QVERIFY(QFile::exists(shop.filePath("tax.txt.backup")));

    // The second start in the same folder ends at once, naming the folder.
    const std::unique_ptr<QProcess> second = startProgram(shop.path());
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitCode(), 1);
    const QString told = QString::fromLocal8Bit(second->readAllStandardError());
    QVERIFY2(told.contains("already running in the folder \"" + QDir::toNativeSeparators(shop.path()) + "\""),
             qPrintable(told));
    QCOMPARE(first->state(), QProcess::Running);

    // A copy killed without a word does not keep the shop closed.
    stop(*first);
    QVERIFY(!held(shop.path()));
    const std::unique_ptr<QProcess> third = startProgram(shop.path());
    QTRY_VERIFY_WITH_TIMEOUT(held(shop.path()), 30000);
    QCOMPARE(third->state(), QProcess::Running);
    stop(*third);
}

void TestSingleCopy::oddThingsAtTheLocksName_data()
{
    QTest::addColumn<QString>("thing");
    QTest::addColumn<QString>("says");
    QTest::newRow("empty file") << "empty" << QString();
    QTest::newRow("folder") << "folder"
                            << "is not a regular file";
#ifdef Q_OS_UNIX
    QTest::newRow("link to nowhere") << "dangling"
                                     << "is not a regular file (it is a link)";
    QTest::newRow("link to /dev/zero") << "device"
                                       << "is not a regular file (it is a link)";
    QTest::newRow("named pipe") << "pipe"
                                << "is not a regular file";
    QTest::newRow("socket") << "socket"
                            << "is not a regular file";
    QTest::newRow("second name of the journal") << "hard"
                                                << "second name";
    // Permission bits do not stop root.
    if (::geteuid() != 0)
        QTest::newRow("may not be opened") << "unreadable"
                                           << "cannot be opened or locked";
#endif
}

void TestSingleCopy::oddThingsAtTheLocksName()
{
    QFETCH(QString, thing);
    QFETCH(QString, says);
    QTemporaryDir shop;
    const QString lockFile = shop.filePath(kShopLockFile);
    if (thing == QLatin1String("empty"))
        QVERIFY(QFile(lockFile).open(QIODevice::WriteOnly));
    else if (thing == QLatin1String("folder"))
        QVERIFY(QDir(shop.path()).mkdir(kShopLockFile));
#ifdef Q_OS_UNIX
    else if (thing == QLatin1String("dangling"))
        QVERIFY(QFile::link(shop.filePath("nowhere"), lockFile));
    else if (thing == QLatin1String("device"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), lockFile));
    else if (thing == QLatin1String("pipe"))
        QCOMPARE(::mkfifo(QFile::encodeName(lockFile).constData(), 0600), 0);
    else if (thing == QLatin1String("socket"))
        QVERIFY(bindSocket(lockFile));
    else if (thing == QLatin1String("hard")) {
        QVERIFY(QFile(shop.filePath("sales.txt")).open(QIODevice::WriteOnly));
        QCOMPARE(
            ::link(QFile::encodeName(shop.filePath("sales.txt")).constData(), QFile::encodeName(lockFile).constData()),
            0);
    } else {
        QVERIFY(QFile(lockFile).open(QIODevice::WriteOnly));
        QCOMPARE(::chmod(QFile::encodeName(lockFile).constData(), 0), 0);
    }
#endif
    // Told at once: never a hang, never a false "already running", never a start without the
    // lock.
    const ShopLock lock = lockShopFolder(shop.path());
    QCOMPARE(bool(lock.lock), says.isEmpty());
    if (!says.isEmpty()) {
        QVERIFY2(lock.refusal.contains(says) && lock.refusal.contains(kShopLockFile), qPrintable(lock.refusal));
        // The real program refuses to start, saying why.
        const std::unique_ptr<QProcess> program = startProgram(shop.path(), {QStringLiteral("--automation")});
        program->closeWriteChannel();
        QVERIFY(program->waitForFinished(30000));
        QCOMPARE(program->exitCode(), 1);
        const QString error = QString::fromLocal8Bit(program->readAllStandardError());
        QVERIFY2(error.contains(says), qPrintable(error));
        QVERIFY(!program->readAllStandardOutput().contains("ready"));
    }
}

void TestSingleCopy::folderNameNotUtf8()
{
#ifdef Q_OS_UNIX
    // A folder whose name holds a byte that is not UTF-8, reached through a link, so that the
    // program's working directory is the folder itself.
    QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/shop-\xff";
    QCOMPARE(::mkdir(raw.constData(), 0700), 0);
    QCOMPARE(::symlink(raw.constData(), QFile::encodeName(dir.filePath("link")).constData()), 0);
    const std::unique_ptr<QProcess> program = startProgram(dir.filePath("link"), {QStringLiteral("--automation")});
    program->write("set Form1.Price1 5\nclick Form1.Command1\nset Form1.Text6 10\nclick Form1.Command2\nquit\n");
    QVERIFY(program->waitForFinished(30000));
    const QString replies = QString::fromUtf8(program->readAllStandardOutput());
    QVERIFY2(!replies.contains("message "), qPrintable(replies));
    QFile journal(dir.filePath("link/sales.txt"));
    QVERIFY(journal.open(QIODevice::ReadOnly));
    QVERIFY(journal.readAll().endsWith("\"$5.00\",\"$.00\",\"$5.00\",\"Cash\"\r\n"));
    QVERIFY(QFile::exists(dir.filePath("link/reciept.txt")));
    QVERIFY(QFile::exists(dir.filePath("link/") + kShopLockFile));
#else
    QSKIP("folder names are UTF-16 on Windows");
#endif
}

QTEST_GUILESS_MAIN(TestSingleCopy)
#include "test_single_copy.moc"
