// Backups of a shop: every file copied byte for byte and listed in a checked manifest, a
// manifest cut short found; each bad backup folder, and a shop file another program holds
// locked, refused or failing with its message and the shop untouched; backup folders named as
// Windows names them; an appender holding the journal's lock loses nothing.

#include "core/backup/backup.h"
#include "core/formats/shop_files.h"
#include "core/journal/journal.h"
#include "core/storage/write_result.h"
#include "work_dir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace pos;
using pos::testing::WorkDir;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(5, 42, 21));

// The bytes of every file in a folder, by name.
QMap<QString, QByteArray> filesIn(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(entry.filePath());
        if (file.open(QIODevice::ReadOnly))
            files.insert(entry.fileName(), file.readAll());
    }
    return files;
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A shop with a file of every kind, and the two the program never backs up.
void fillShop(const WorkDir &shop)
{
    shop.write(kTaxFile, "\"6\",\"7\",\"8\"\r\n");
    shop.write(kHeaderFile, "\"Corner Shop\"\r\n\"1 Main St\"\r\n");
    shop.write(kReturnFile, "Returns within 30 days.\r\n");
    shop.write(kFontFile, "\"Courier New\",#FALSE#,#FALSE#,10\r\n");
    shop.write(kInventoryFile, "\"Widget\"\r\n\"Gadget \xe9\"\r\n");
    shop.write(kReceiptFile, "Reciept# 1\r\n");
    shop.write(
        kJournalFile,
        "\"Reciept# 03-14-200409:05:33      Sale   Salesperson: Ann\",\"$9.00\",\"$.54\",\"$9.54\",\"Cash\"\r\n");
    shop.write(kJournalFile + kAppendedSuffix, "appended\r\n");
    shop.write(kJournalFile + kRecoveredSuffix, "recovered\r\n");
    shop.write(kJournalFile + kTornSuffix, "\"Reciept# torn");
    shop.write(QStringLiteral("03-14-2004 09-05-33.lwy"), "\"9.54\"\r\n");
    shop.write(QStringLiteral("histórico 2025.txt"), "\"old\",\"$1.00\",\"$.00\",\"$1.00\",\"\"\r\n");
    shop.write(QStringLiteral("empty history.txt"), "");
    QVERIFY(keepBackupFolder(QDir::tempPath()).ok);
    shop.write(kShopLockFile, "");
    shop.write(kJournalFile + QStringLiteral(".corvalane-a1B2c3.tmp"), "half");
}

QStringList backupFolders(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

#ifdef Q_OS_UNIX
// Records appended by another program, each under the journal's lock, as a well-behaved
// appender does.
class LockedAppender
{
public:
    explicit LockedAppender(const QString &path)
        : m_thread([this, path] {
            const QByteArray name = QFile::encodeName(path);
            while (!m_stop) {
                const int handle = ::open(name.constData(), O_WRONLY | O_APPEND);
                if (handle < 0 || ::flock(handle, LOCK_EX) != 0)
                    return;
                const QByteArray record = "\"Reciept# appended " + QByteArray::number(m_count)
                                          + "\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n";
                // Two writes: a copy taken between them would show a torn record.
                const qsizetype half = record.size() / 2;
                const bool written =
                    ::write(handle, record.constData(), size_t(half)) == half
                    && ::write(handle, record.constData() + half, size_t(record.size() - half)) == record.size() - half;
                ::close(handle);
                if (!written)
                    return;
                ++m_count;
            }
        })
    {
    }
    ~LockedAppender() { stop(); }
    int stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_count;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_count{0};
    std::thread m_thread;
};
#endif

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    void everyFileByteForByte();
    void badDestinations_data();
    void badDestinations();
    void windowsPaths_data();
    void windowsPaths();
    void keepsTheNewest();
    void backsUpOnlyWhatChanged();
    void appenderUnderTheLockLosesNothing();
};

void TestBackup::everyFileByteForByte()
{
    WorkDir shop;
    fillShop(shop);
    QTemporaryDir backups;
    const QMap<QString, QByteArray> before = filesIn(shop.path());
    Journal journal;
    const BackupOutcome outcome = makeBackup(journal, backups.path(), kNow);
    QVERIFY2(outcome.result.ok, qPrintable(outcome.result.message));
    QCOMPARE(outcome.notice, QString());
    const QString name = QDir(shop.path()).dirName() + QStringLiteral(" 2026-12-09 054221");
    QCOMPARE(backupFolders(backups.path()), QStringList{name});
    QCOMPARE(outcome.made, QDir(backups.path()).filePath(name));

    // The shop is untouched; the backup holds its files, not the lock or a temporary file.
    QCOMPARE(filesIn(shop.path()), before);
    QMap<QString, QByteArray> expected = before;
    expected.remove(kShopLockFile);
    expected.remove(kJournalFile + QStringLiteral(".corvalane-a1B2c3.tmp"));
    QMap<QString, QByteArray> copied = filesIn(outcome.made);
    const QByteArray manifest = copied.take(kBackupManifestFile);
    QCOMPARE(copied, expected);

    // The manifest lists each file with its size and SHA-256, and ends with their count.
    QVERIFY(manifest.startsWith("Corvalane Point-Of-Sale backup\r\nshop \"" + QDir(shop.path()).dirName().toUtf8()
                                + "\"\r\nmade 2026-12-09T05:42:21\r\n"));
    QVERIFY(manifest.endsWith("end " + QByteArray::number(expected.size()) + "\r\n"));
    for (auto file = expected.cbegin(); file != expected.cend(); ++file) {
        const QByteArray line = "file " + QCryptographicHash::hash(file.value(), QCryptographicHash::Sha256).toHex()
                                + ' ' + QByteArray::number(file.value().size()) + ' ';
        const qsizetype at = manifest.indexOf(line);
        QVERIFY2(at > 0, qPrintable(file.key()));
        QVERIFY(manifest.indexOf("\"" + file.key().toUtf8() + "\"\r\n", at) > at);
    }
    const BackupCheck check = checkBackup(outcome.made);
    QVERIFY(check.whole);
    QCOMPARE(check.lines.size(), expected.size());
    QVERIFY(check.lines.filter(QStringLiteral("good ")).size() == expected.size());
    // The setting holds a path outside the code page.
    const QString away = QDir(backups.path()).filePath(QStringLiteral("Sicherung ß ✓"));
    QVERIFY(QDir().mkdir(away));
    QVERIFY(keepBackupFolder(away).ok);
    QCOMPARE(QDir::fromNativeSeparators(backupFolderSetting()), away);

    // (A changed, a missing and an extra file: --check-backup, in tests/app/test_command_line.)
    // A manifest cut short is no manifest: not a complete backup.
    QFile cut(QDir(outcome.made).filePath(kBackupManifestFile));
    QVERIFY(cut.open(QIODevice::ReadWrite) && cut.resize(cut.size() - 3));
    cut.close();
    QVERIFY(!readManifest(outcome.made));
    const BackupCheck damaged = checkBackup(outcome.made);
    QVERIFY(!damaged.whole);
    QCOMPARE(damaged.lines,
             QStringList{QStringLiteral("missing corvalane-backup.manifest (the list of the backup's files: not a "
                                        "complete backup)")});
}

void TestBackup::badDestinations_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("none set") << "none"
                              << "no backup folder is set";
    QTest::newRow("not there (a stick pulled out)") << "missing"
                                                    << "it cannot be found (is the stick or disk plugged in";
#ifdef Q_OS_UNIX
    // (QFile::link makes a shortcut file on Windows, not a link.)
    QTest::newRow("a link") << "link"
                            << "it is a link; choose the folder it leads to";
#endif
    QTest::newRow("a file") << "file"
                            << "it is a file, not a folder";
    QTest::newRow("the shop folder") << "shop"
                                     << "it is the shop folder or a folder inside it";
    QTest::newRow("inside the shop folder") << "inside"
                                            << "it is the shop folder or a folder inside it";
    QTest::newRow("a Windows device") << "device"
                                      << "NUL";
    QTest::newRow("a file where the backup goes") << "taken"
                                                  << "is there already; move it away and try again";
    QTest::newRow("gone halfway") << "vanishes"
                                  << "Could not";
#ifdef Q_OS_UNIX
    QTest::newRow("read-only") << "read-only"
                               << "Permission denied";
    QTest::newRow("full") << "full"
                          << "File too large";
#endif
#ifdef Q_OS_WIN
    // Another program has a shop file open without sharing it, as Windows lets it.
    QTest::newRow("a shop file held locked") << "held " + kTaxFile << "Could not read \"" + kTaxFile + "\"";
    QTest::newRow("the journal held locked") << "held " + kJournalFile << "Could not read \"" + kJournalFile + "\"";
#endif
}

void TestBackup::badDestinations()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    WorkDir shop;
    fillShop(shop);
    QTemporaryDir backups;
    QString folder = QDir(backups.path()).filePath(QStringLiteral("USB"));
    QVERIFY(QDir().mkdir(folder));
    BackupProgress progress;
    if (kind == QLatin1String("none")) {
        folder.clear();
    } else if (kind == QLatin1String("missing")) {
        folder += QStringLiteral("/gone");
    } else if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(folder, folder + QStringLiteral(" link")));
        folder += QStringLiteral(" link");
    } else if (kind == QLatin1String("file")) {
        folder += QStringLiteral("/a file");
        put(folder, "x");
    } else if (kind == QLatin1String("shop")) {
        folder = shop.path();
    } else if (kind == QLatin1String("inside")) {
        QVERIFY(QDir(shop.path()).mkdir(QStringLiteral("backups")));
        folder = shop.filePath(QStringLiteral("backups/../backups"));
    } else if (kind == QLatin1String("device")) {
        folder += QStringLiteral("/NUL");
#ifndef Q_OS_WIN
        QVERIFY(QDir().mkdir(folder)); // a folder here; on Windows the name is the device
#endif
    } else if (kind == QLatin1String("taken")) {
        put(QDir(folder).filePath(QDir(shop.path()).dirName() + QStringLiteral(" 2026-12-09 054221")), "x");
    } else if (kind == QLatin1String("vanishes")) {
        progress = [folder](const QString &) { QDir(folder).removeRecursively(); };
    }
    const QMap<QString, QByteArray> before = filesIn(shop.path());
    const QStringList there = kind == QLatin1String("missing") ? QStringList() : backupFolders(folder);
    Journal journal;
    BackupOutcome outcome;
#ifdef Q_OS_UNIX
    if (kind == QLatin1String("read-only")) {
        // Permission bits do not stop root: the backup is made as "nobody" then.
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        QFile::setPermissions(backups.path(), QFileDevice::Permissions(0x7755));
        QFile::setPermissions(shop.path(), QFileDevice::Permissions(0x7755));
        const bool root = ::geteuid() == 0;
        QVERIFY(!root || ::seteuid(65534) == 0);
        outcome = makeBackup(journal, folder, kNow, progress);
        QVERIFY(!root || ::seteuid(0) == 0);
    } else if (kind == QLatin1String("full")) {
        // Files may not grow past 64 bytes, as on a full disk; the journal is larger.
        const auto old = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit capped = saved;
        capped.rlim_cur = 64;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &capped), 0);
        outcome = makeBackup(journal, folder, kNow, progress);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, old);
    } else
#endif
#ifdef Q_OS_WIN
        if (kind.startsWith(QLatin1String("held "))) {
        const HANDLE held = ::CreateFileW(shop.filePath(kind.mid(5)).toStdWString().c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        outcome = makeBackup(journal, folder, kNow, progress);
        ::CloseHandle(held);
    } else
#endif
    {
        outcome = makeBackup(journal, folder, kNow, progress);
    }
    QVERIFY(!outcome.result.ok);
    QVERIFY2(outcome.result.message.contains(message), qPrintable(outcome.result.message));
    QVERIFY2(outcome.result.message.startsWith(QStringLiteral("The shop was not backed up into \"")),
             qPrintable(outcome.result.message));
    // One sentence for the reason, one full stop.
    QVERIFY2(QRegularExpression(QStringLiteral("[^.]\\. The shop's files are as they were\\.$"))
                 .match(outcome.result.message)
                 .hasMatch(),
             qPrintable(outcome.result.message));
    QCOMPARE(filesIn(shop.path()), before);
    // Nothing is left behind that looks like a backup, or is one at all.
    if (!folder.isEmpty() && QFileInfo(folder).isDir() && !QFileInfo(folder).isSymLink()) {
        QCOMPARE(backupFolders(folder), there);
        QVERIFY(completeBackups(folder).isEmpty());
    }
}

void TestBackup::windowsPaths_data()
{
    QTest::addColumn<QString>("folder");
    // Wine maps Z: to the root of the Linux file system; a Windows PC has no such drive.
    QTest::newRow("a drive letter") << "Z:\\tmp";
    QTest::newRow("an extended-length path") << "\\\\?\\Z:\\tmp";
    QTest::newRow("a share") << qEnvironmentVariable("CORVALANE_TEST_SHARE");
}

// A backup folder named as Windows names them: a good backup, and its setting kept as given.
void TestBackup::windowsPaths()
{
#ifndef Q_OS_WIN
    QSKIP("Windows' paths: run in the Windows build (under Wine)");
#endif
    QFETCH(QString, folder);
    if (folder.isEmpty())
        QSKIP("no share to back up into: CORVALANE_TEST_SHARE names one (\\\\server\\share\\folder)");
    if (folder.contains(QLatin1String("Z:")) && !QFileInfo(QStringLiteral("Z:/tmp")).isDir())
        QSKIP("no Z: drive leading to the Linux file system (this is not Wine)");
    WorkDir shop;
    fillShop(shop);
    folder += QStringLiteral("\\backups of test_backup %1").arg(QCoreApplication::applicationPid());
    QVERIFY(QDir().mkpath(QDir::fromNativeSeparators(folder)));
    const auto removed = qScopeGuard([&] { QDir(QDir::fromNativeSeparators(folder)).removeRecursively(); });
    QVERIFY(keepBackupFolder(folder).ok);
    QCOMPARE(backupFolderSetting(), folder);
    const QMap<QString, QByteArray> before = filesIn(shop.path());
    Journal journal;
    const BackupOutcome outcome = makeBackup(journal, backupFolderSetting(), kNow);
    QVERIFY2(outcome.result.ok, qPrintable(outcome.result.message));
    QCOMPARE(completeBackups(folder), QStringList{outcome.made});
    QVERIFY(checkBackup(outcome.made).whole);
    QCOMPARE(filesIn(shop.path()), before);
    QMap<QString, QByteArray> copied = filesIn(outcome.made);
    QVERIFY(copied.remove(kBackupManifestFile));
    QMap<QString, QByteArray> expected = before;
    expected.remove(kShopLockFile);
    expected.remove(kJournalFile + QStringLiteral(".corvalane-a1B2c3.tmp"));
    QCOMPARE(copied, expected);
}

void TestBackup::keepsTheNewest()
{
    WorkDir shop;
    fillShop(shop);
    QTemporaryDir backups;
    Journal journal;
    QStringList made;
    for (int day = 0; day < kBackupsKept + 2; ++day) {
        const BackupOutcome outcome = makeBackup(journal, backups.path(), kNow.addDays(day));
        QVERIFY2(outcome.result.ok, qPrintable(outcome.result.message));
        made << outcome.made;
        // A backup another shop made there, and one cut short, are not this shop's to remove.
        if (day == 0) {
            QVERIFY(QDir(backups.path()).mkdir(QStringLiteral("Other Shop 2020-01-01 000000")));
            QVERIFY(
                QDir(backups.path()).mkdir(QDir(shop.path()).dirName() + " 2020-01-01 000000" + kPartialBackupSuffix));
        }
    }
    QCOMPARE(completeBackups(backups.path()), made.mid(2));
    QVERIFY(QFileInfo::exists(QDir(backups.path()).filePath(QStringLiteral("Other Shop 2020-01-01 000000"))));
    // The partial folder is more than an hour older than the backups' clock: it went.
    QCOMPARE(backupFolders(backups.path()).size(), kBackupsKept + 1);
}

void TestBackup::backsUpOnlyWhatChanged()
{
    WorkDir shop;
    fillShop(shop);
    QTemporaryDir backups;
    Journal journal;
    // No backup folder kept yet: nothing to do at the end.
    QFile::remove(kBackupSettingsFile);
    QVERIFY(!backUpIfChanged(journal, kNow));
    QVERIFY(keepBackupFolder(backups.path()).ok);
    const std::optional<BackupOutcome> first = backUpIfChanged(journal, kNow);
    QVERIFY(first && first->result.ok);
    QVERIFY(!backUpIfChanged(journal, kNow.addSecs(60)));
    QCOMPARE(overdueBackupNotice(kNow.addDays(8)), QString()); // no sale since

    // Rewritten with the same bytes: not a change. Other bytes of the same size: a change.
    const QByteArray tax = shop.read(kTaxFile);
    QTest::qWait(20);
    shop.write(kTaxFile, tax);
    QVERIFY(!backUpIfChanged(journal, kNow.addSecs(120)));
    shop.write(kTaxFile, "\"6\",\"7\",\"9\"\r\n");
    const std::optional<BackupOutcome> second = backUpIfChanged(journal, kNow.addSecs(180));
    QVERIFY(second && second->result.ok);

    // A sale more than a week after the last backup is told at the start.
    QFile sales(kJournalFile);
    QVERIFY(sales.open(QIODevice::Append));
    sales.write("\"Reciept# 2\",\"$1.00\",\"$.06\",\"$1.06\",\"Cash\"\r\n");
    sales.close();
    QCOMPARE(overdueBackupNotice(kNow.addDays(7)), QString());
    QVERIFY(overdueBackupNotice(kNow.addDays(8))
                .startsWith(QStringLiteral("The last backup of the shop was made on 2026-12-09")));
    // A backup folder out of reach at the end is told: the backup could not be made.
    QVERIFY(QDir(backups.path()).removeRecursively());
    const std::optional<BackupOutcome> unreachable = backUpIfChanged(journal, kNow.addDays(8));
    QVERIFY(unreachable && !unreachable->result.ok);
    QVERIFY(unreachable->told().contains(QStringLiteral("it cannot be found")));
}

void TestBackup::appenderUnderTheLockLosesNothing()
{
#ifndef Q_OS_UNIX
    QSKIP("the appender takes the POSIX lock");
#else
    WorkDir shop;
    fillShop(shop);
    QTemporaryDir backups;
    Journal journal;
    LockedAppender appender(kJournalFile);
    QStringList made;
    for (int i = 0; i < 10; ++i) {
        const BackupOutcome outcome = makeBackup(journal, backups.path(), kNow.addSecs(i));
        QVERIFY2(outcome.result.ok, qPrintable(outcome.result.message));
        made << outcome.made;
    }
    const int appended = appender.stop();
    QVERIFY(appended > 0);
    const QByteArray final = shop.read(kJournalFile);
    QCOMPARE(final.count("\r\n"), appended + 1);
    for (const QString &backup : made) {
        const QByteArray copy = filesIn(backup).value(kJournalFile);
        QVERIFY(final.startsWith(copy));
        QVERIFY(copy.endsWith("\r\n"));
        QVERIFY(checkBackup(backup).whole);
    }
#endif
}

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
