// Figures of a backup, printed as "name: value unit", for a shop whose journal holds 100 MB of
// sales beside its settings, item list, layaways and histories. Each figure is the best of
// three runs, the page cache warm:
//
//   backup_s          makeBackup(): every file copied, synced, read back and
//                     compared, the manifest written, the folder renamed
//   cp_r_s            `cp -r` of the same shop folder
//   cp_r_sync_s       `cp -r`, then `sync` of the copied files (what a durable copy costs)
//   backup_vs_cp_r    the first over the second
//   backup_vs_cp_r_sync
//   check_backup_s    checkBackup() of the backup: every file's SHA-256 against the manifest

#include "core/backup/backup.h"
#include "core/formats/shop_files.h"
#include "core/journal/journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The best of three runs of the work, in seconds; `between` runs before each, untimed.
double best(const std::function<bool()> &work, const std::function<void()> &between)
{
    double fastest = 1e9;
    for (int run = 0; run < 3; ++run) {
        between();
        QElapsedTimer timer;
        timer.start();
        if (!work()) {
            std::fprintf(stderr, "the work failed\n");
            std::exit(1);
        }
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e9);
    }
    return fastest;
}

bool runs(const QString &program, const QStringList &arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const QString shop = QDir(root.path()).filePath(QStringLiteral("Corner Shop"));
    const QString into = QDir(root.path()).filePath(QStringLiteral("backups"));
    QDir().mkdir(shop);
    QDir().mkdir(into);
    QDir::setCurrent(shop);

    QByteArray journal;
    const QByteArray record =
        "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n";
    journal.reserve(100 * 1024 * 1024 + record.size());
    while (journal.size() < 100 * 1024 * 1024)
        journal += record;
    bool made = put(pos::kJournalFile, journal) && put(pos::kTaxFile, "\"6\",\"1\",\"5\"\r\n")
                && put(pos::kHeaderFile, "\"Corner Shop\"\r\n") && put(pos::kReturnFile, "No refunds.\r\n")
                && put(pos::kFontFile, "\"Courier New\",#FALSE#,#FALSE#,10\r\n")
                && put(pos::kInventoryFile, QByteArray("\"Widget\"\r\n").repeated(10000))
                && put(pos::kReceiptFile, "Reciept# 1\r\n") && put(pos::kJournalFile + pos::kAppendedSuffix, record);
    for (int i = 0; i < 20; ++i)
        made = made
               && put(QStringLiteral("03-%1-2004 09-05-33.lwy").arg(i + 1, 2, 10, QLatin1Char('0')),
                      "\"9.54\"\r\n" + record);
    for (int i = 0; i < 4; ++i)
        made = made && put(QStringLiteral("history %1.txt").arg(2020 + i), journal.left(1024 * 1024));
    journal.clear();
    if (!made) {
        std::fprintf(stderr, "could not make the shop\n");
        return 1;
    }
    const auto emptied = [&] {
        QDir(into).removeRecursively();
        QDir().mkdir(into);
    };
    const QString copy = QDir(into).filePath(QStringLiteral("copy"));

    pos::Journal shopJournal;
    QString last;
    int second = 0;
    const double backup = best(
        [&] {
            const pos::BackupOutcome outcome =
                pos::makeBackup(shopJournal, into, QDateTime(QDate(2026, 12, 9), QTime(7, 0, second++)));
            last = outcome.made;
            return outcome.result.ok;
        },
        emptied);
    const double check = best([&] { return pos::checkBackup(last).whole; }, [] {});
    const double cp = best([&] { return runs(QStringLiteral("cp"), {QStringLiteral("-r"), shop, copy}); }, emptied);
    const double cpSync = best(
        [&] {
            if (!runs(QStringLiteral("cp"), {QStringLiteral("-r"), shop, copy}))
                return false;
            QStringList files;
            for (const QString &name : QDir(copy).entryList(QDir::Files))
                files << QDir(copy).filePath(name);
            return runs(QStringLiteral("sync"), files);
        },
        emptied);
    print("backup_s", backup, "s");
    print("cp_r_s", cp, "s");
    print("cp_r_sync_s", cpSync, "s");
    print("backup_vs_cp_r", backup / cp, "x");
    print("backup_vs_cp_r_sync", backup / cpSync, "x");
    print("check_backup_s", check, "s");
    return 0;
}
