// The real program and its backups: at its end it backs the shop up when a sale (or anything)
// changed it since the last backup, and not otherwise; a backup folder out of reach is told in
// one message and the program still ends, the shop unchanged; a start whose last backup is
// more than a week old while sales were made says so.

#include "automation_run.h"
#include "core/backup/backup.h"
#include "core/formats/shop_files.h"
#include "core/journal/journal.h"
#include "core/storage/file_io.h"
#include "work_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace pos;
using pos::testing::AutomationRun;
using pos::testing::runAutomation;
using pos::testing::WorkDir;

namespace {

// The program by its full path, taken at start: a test that moves into a temporary folder on
// another drive (Windows) would otherwise read the build's path as one on that drive.
const QString kProgram = QFileInfo(QStringLiteral(POS_PROGRAM)).absoluteFilePath();

// Runs the program in the shop folder with the commands; its standard output.
QString run(const QString &folder, const QByteArray &commands, int &status)
{
    const AutomationRun ran = runAutomation(kProgram, folder, commands);
    status = ran.status;
    return ran.output;
}

const QByteArray kSale = "set Form1.Price1 5\nclick Form1.Command1\nset Form1.Text6 10\nclick Form1.Command2\nquit\n";

} // namespace

class TestBackupAtEnd : public QObject
{
    Q_OBJECT

private slots:
    void backsUpWhatChanged();
    void unreachableFolderIsTold();
};

void TestBackupAtEnd::backsUpWhatChanged()
{
    WorkDir shop;
    shop.write(kTaxFile, "\"6\",\"1\",\"5\"\r\n");
    QTemporaryDir stick;
    QVERIFY(keepBackupFolder(stick.path()).ok);
    int status = -1;
    run(shop.path(), kSale, status);
    QCOMPARE(status, 0);
    QStringList backups = completeBackups(stick.path());
    QCOMPARE(backups.size(), 1);
    QVERIFY(checkBackup(backups.constFirst()).whole);
    {
        // Closed again before the backup is removed below: Windows removes no open file.
        QFile copy(QDir(backups.constFirst()).filePath(kJournalFile));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), shop.read(kJournalFile));
    }
    QVERIFY(shop.read(kJournalFile).contains("$5.00"));

    // Nothing changed: no new backup.
    QTest::qWait(1100); // a new backup would have a new name
    run(shop.path(), "quit\n", status);
    QCOMPARE(status, 0);
    QCOMPARE(completeBackups(stick.path()), backups);

    // The last backup ten days old, a sale made since: the start says so, once.
    QVERIFY(QDir(backups.constFirst()).removeRecursively());
    Journal journal;
    QVERIFY(makeBackup(journal, stick.path(), QDateTime::currentDateTime().addDays(-10)).result.ok);
    QVERIFY(appendDurably(kJournalFile, "\"Reciept# x\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n").ok);
    const QString told = run(shop.path(), "quit\n", status);
    QCOMPARE(status, 0);
    QCOMPARE(told.count(QStringLiteral("message The last backup of the shop was made on")), 1);
    QCOMPARE(completeBackups(stick.path()).size(), 2); // and the end made a new one
}

void TestBackupAtEnd::unreachableFolderIsTold()
{
    WorkDir shop;
    shop.write(kTaxFile, "\"6\",\"1\",\"5\"\r\n");
    QString stick;
    {
        QTemporaryDir pulledOut;
        stick = pulledOut.path();
        QVERIFY(keepBackupFolder(stick).ok);
    }
    int status = -1;
    const QString told = run(shop.path(), kSale, status);
    QCOMPARE(status, 0);
    QVERIFY(shop.read(kJournalFile).contains("$5.00"));
    QVERIFY(!QFileInfo::exists(stick));
    QCOMPARE(told.count(QStringLiteral("message ")), 1);
    QVERIFY2(told.contains(QStringLiteral("message The shop was not backed up into")), qPrintable(told));
    QVERIFY(told.contains(QStringLiteral("it cannot be found")));
    // The shop holds no trace of the backup that could not be made.
    QDir folder(shop.path());
    for (const QString &name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        QVERIFY2(!name.contains(QLatin1String("partial")) && !name.endsWith(QLatin1String(".tmp")), qPrintable(name));
}

QTEST_GUILESS_MAIN(TestBackupAtEnd)
#include "test_backup_at_end.moc"
