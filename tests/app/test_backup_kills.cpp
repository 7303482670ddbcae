// The real program killed at each point of the file layer that File, Back Up... passes, one
// point after another (CORVALANE_KILL_AT_POINT), as a power cut would kill it: after each kill
// the shop's files are byte for byte as before, every folder named as a complete backup is
// whole, and the next start backs the shop up soundly beside whatever the kill left.

#include "automation_run.h"
#include "core/backup/backup.h"
#include "core/formats/shop_files.h"
#include "work_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace pos;
using pos::testing::AutomationRun;
using pos::testing::runAutomation;
using pos::testing::WorkDir;

namespace {

// The program by its full path, taken before the test moves into its temporary folder.
const QString kProgram = QFileInfo(QStringLiteral(POS_PROGRAM)).absoluteFilePath();

// The shop's files by name, the program's lock left out (a kill leaves it, as it should).
QMap<QString, QByteArray> shopFiles(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(entry.filePath());
        if (entry.fileName() != kShopLockFile && file.open(QIODevice::ReadOnly))
            files.insert(entry.fileName(), file.readAll());
    }
    return files;
}

struct Run
{
    bool ended = false; // ended by itself, status 0
    QString output;
};

// Starts the program in the shop, has it back up into the folder and quit.
Run backUp(const QString &shop, const QString &folder, const QString &variable = {}, const QString &value = {})
{
    const AutomationRun ran = runAutomation(
        kProgram, shop,
        "folder " + QDir::toNativeSeparators(folder).toUtf8().replace("\\", "\\\\") + "\ntrigger Form1.backup\nquit\n",
        variable.isEmpty() ? QList<std::pair<QString, QString>>{} : QList{std::pair{variable, value}});
    return {ran.status == 0, ran.output};
}

} // namespace

class TestBackupKills : public QObject
{
    Q_OBJECT

private slots:
    void killAtEveryPoint();
};

void TestBackupKills::killAtEveryPoint()
{
    WorkDir shop;
    shop.write(kTaxFile, "\"6\",\"1\",\"5\"\r\n");
    shop.write(kHeaderFile, "\"Corner Shop\"\r\n");
    shop.write(kInventoryFile, "\"Widget\"\r\n");
    shop.write(
        kJournalFile,
        "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n");
    shop.write(QStringLiteral("03-14-2004 09-05-33.lwy"), "\"9.54\"\r\n");
    shop.write(QStringLiteral("history 2025.txt"), QByteArray(300000, 'h'));
    QTemporaryDir stick;
    QTemporaryDir logs;
    // Kept beforehand: choosing it again at File, Back Up... writes nothing into the shop.
    QVERIFY(keepBackupFolder(stick.path()).ok);
    const QMap<QString, QByteArray> before = shopFiles(shop.path());

    const QString log = logs.filePath(QStringLiteral("points"));
    const Run counted = backUp(shop.path(), stick.path(), QStringLiteral("CORVALANE_POINT_LOG"), log);
    QVERIFY2(counted.ended && counted.output.contains(QStringLiteral("message The shop was backed up into")),
             qPrintable(counted.output));
    QFile points(log);
    QVERIFY(points.open(QIODevice::ReadOnly));
    const int count = int(points.readAll().count('\n'));
    QVERIFY(count > 10);
    qInfo("a start, File, Back Up... and an end pass %d points", count);
    QCOMPARE(completeBackups(stick.path()).size(), 1);
    QVERIFY(QDir(completeBackups(stick.path()).constFirst()).removeRecursively());

    const QDir backups(stick.path());
    for (int at = 1; at <= count; ++at) {
        const QString where = QStringLiteral("killed at point %1").arg(at);
        QVERIFY2(
            !backUp(shop.path(), stick.path(), QStringLiteral("CORVALANE_KILL_AT_POINT"), QString::number(at)).ended,
            qPrintable(where));
        QVERIFY2(shopFiles(shop.path()) == before, qPrintable(where));
        const QStringList complete = completeBackups(stick.path());
        for (const QString &name : backups.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            const QString path = backups.filePath(name);
            // A folder named as a backup is whole; any other is a partial one.
            QVERIFY2(complete.contains(path) ? checkBackup(path).whole : name.endsWith(kPartialBackupSuffix),
                     qPrintable(where + QLatin1String(": ") + name));
        }
        for (const QString &path : complete)
            QVERIFY(QDir(path).removeRecursively());

        // The next start backs up beside what the kill left; the shop is still as it was.
        const Run next = backUp(shop.path(), stick.path());
        QVERIFY2(next.ended && next.output.contains(QStringLiteral("message The shop was backed up into")),
                 qPrintable(where + QLatin1String(": ") + next.output));
        QVERIFY2(shopFiles(shop.path()) == before, qPrintable(where));
        const QStringList made = completeBackups(stick.path());
        QCOMPARE(made.size(), 1);
        QVERIFY2(checkBackup(made.constFirst()).whole, qPrintable(where));
        QVERIFY(QDir(made.constFirst()).removeRecursively());
    }
}

QTEST_GUILESS_MAIN(TestBackupKills)
#include "test_backup_kills.moc"
