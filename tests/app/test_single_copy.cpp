// One copy of the program per shop folder: the real program started twice in one folder,
// a holder that died, and another folder.

#include "app/shop_lock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pos;

namespace {

// Starts the program in the folder, on the offscreen platform.
std::unique_ptr<QProcess> startProgram(const QString &folder)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral(POS_PROGRAM));
    process->setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(environment);
    process->start();
    return process;
}

// The process id the folder's lock file names, or 0.
qint64 lockHolder(const QString &folder)
{
    QFile file(QDir(folder).filePath(kShopLockFile));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

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
    void secondStartRefusedDeadHolderTakenOver();
};

void TestSingleCopy::secondLockInTheFolderRefused()
{
    QTemporaryDir shop;
    QTemporaryDir other;
    ShopLock first = lockShopFolder(shop.path());
    QVERIFY(first.lock);
    QVERIFY(first.refusal.isEmpty());
    QVERIFY(QFile::exists(shop.filePath(kShopLockFile)));

    const ShopLock second = lockShopFolder(shop.path());
    QVERIFY(!second.lock);
    QVERIFY2(second.refusal.contains("\"" + QDir::toNativeSeparators(shop.path()) + "\""),
             qPrintable(second.refusal));
    QVERIFY(second.refusal.contains("already running"));

    // Another folder is another shop.
    const ShopLock elsewhere = lockShopFolder(other.path());
    QVERIFY(elsewhere.lock);

    // Released, the folder can be taken again.
    first.lock.reset();
    QVERIFY(!QFile::exists(shop.filePath(kShopLockFile)));
    QVERIFY(lockShopFolder(shop.path()).lock);
}

void TestSingleCopy::secondStartRefusedDeadHolderTakenOver()
{
    QTemporaryDir shop;
    const std::unique_ptr<QProcess> first = startProgram(shop.path());
    QVERIFY2(first->waitForStarted(30000), qPrintable(first->errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(lockHolder(shop.path()), first->processId(), 30000);

    // The second start in the same folder ends at once, naming the folder.
    const std::unique_ptr<QProcess> second = startProgram(shop.path());
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 1);
    const QString told = QString::fromLocal8Bit(second->readAllStandardError());
    QVERIFY2(told.contains("already running in the folder \"" + QDir::toNativeSeparators(shop.path()) + "\""),
             qPrintable(told));
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(lockHolder(shop.path()), first->processId());

    // A copy that dies without releasing the lock does not keep the shop closed.
    stop(*first);
    QVERIFY(QFile::exists(shop.filePath(kShopLockFile)));
    const std::unique_ptr<QProcess> third = startProgram(shop.path());
    QVERIFY(third->waitForStarted(30000));
    QTRY_COMPARE_WITH_TIMEOUT(lockHolder(shop.path()), third->processId(), 30000);
    QCOMPARE(third->state(), QProcess::Running);

    // A copy in another folder runs beside it.
    QTemporaryDir otherShop;
    const std::unique_ptr<QProcess> fourth = startProgram(otherShop.path());
    QVERIFY(fourth->waitForStarted(30000));
    QTRY_COMPARE_WITH_TIMEOUT(lockHolder(otherShop.path()), fourth->processId(), 30000);
    QCOMPARE(third->state(), QProcess::Running);
    stop(*third);
    stop(*fourth);
}

QTEST_GUILESS_MAIN(TestSingleCopy)
#include "test_single_copy.moc"
