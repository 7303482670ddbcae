#include "core/backup/backup.h"

#include "core/formats/shop_files.h"
#include "core/journal/journal.h"
#include "core/storage/fault_points.h"
#include "core/storage/file_io.h"
#include "core/storage/native_file.h"
#include "core/storage/sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace pos {

namespace {

const QByteArray kManifestTitle = QByteArrayLiteral("Corvalane Point-Of-Sale backup");
const QString kStampFormat = QStringLiteral("yyyy-MM-dd HHmmss");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool caseMatters()
{
#ifdef Q_OS_WIN
    return false;
#else
    return true;
#endif
}

QString canonical(const QString &path)
{
    const QString found = QFileInfo(path).canonicalFilePath();
    return caseMatters() ? found : found.toLower();
}

std::optional<QByteArray> sha256Of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Sha256 digest;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return digest.result();
        digest.addData(QByteArrayView(chunk.constData(), got));
    }
}

bool isLink(const QFileInfo &info)
{
    return info.isSymbolicLink() || info.isJunction();
}

// A name the manifest can hold on one line.
bool listable(const QString &name)
{
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20 || c == QLatin1Char('"'); });
}

} // namespace

QString BackupOutcome::told() const
{
    QString text = result ? QString() : result.message;
    tell(text, notice);
    return text;
}

QString backupFolderSetting()
{
    const std::optional<QByteArray> bytes = readRawFile(kBackupSettingsFile);
    if (!bytes)
        return {};
    QByteArray line = bytes->left(bytes->indexOf('\n') < 0 ? bytes->size() : bytes->indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() >= 2 && line.startsWith('"') && line.endsWith('"'))
        line = line.mid(1, line.size() - 2);
    return QString::fromUtf8(line);
}

WriteResult keepBackupFolder(const QString &folder)
{
    if (const QString problem = backupFolderProblem(folder); !problem.isEmpty()) {
        return WriteResult::failureTold(
            QStringLiteral("\"%1\" cannot take the shop's backups: %2.").arg(shown(folder), problem));
    }
    return writeFileWhole(kBackupSettingsFile, '"' + QDir::toNativeSeparators(folder).toUtf8() + "\"\r\n");
}

QString backupFolderProblem(const QString &folder)
{
    if (folder.trimmed().isEmpty())
        return QStringLiteral("no backup folder is set");
    if (!listable(folder))
        return QStringLiteral("its name holds a double quote or a control character");
    // Only its own name is looked at: a drive ("E:/") or a share has none to refuse.
    if (const QString own = QFileInfo(QDir::cleanPath(folder)).fileName(); !own.isEmpty()) {
        if (const QString problem = fileNameProblem(own); !problem.isEmpty())
            return problem;
    }
    const QFileInfo info(folder);
    if (isLink(info))
        return QStringLiteral("it is a link; choose the folder it leads to");
    if (!info.exists())
        return QStringLiteral("it cannot be found (is the stick or disk plugged in, the share reachable?)");
    if (!info.isDir())
        return QStringLiteral("it is a file, not a folder");
    const QString shop = canonical(QStringLiteral("."));
    const QString chosen = canonical(folder);
    if (chosen == shop || chosen.startsWith(shop.endsWith(QLatin1Char('/')) ? shop : shop + QLatin1Char('/')))
        return QStringLiteral("it is the shop folder or a folder inside it; choose one on another disk");
    return {};
}

QByteArray manifestBytes(const Manifest &manifest)
{
    QByteArray bytes = kManifestTitle + "\r\n";
    bytes += "shop \"" + manifest.shop.toUtf8() + "\"\r\n";
    bytes += "made " + manifest.made.toString(Qt::ISODate).toLatin1() + "\r\n";
    for (const ManifestEntry &file : manifest.files) {
        bytes += "file " + file.sha256.toHex() + ' ' + QByteArray::number(file.size) + ' '
                 + QByteArray::number(file.changed) + " \"" + file.name.toUtf8() + "\"\r\n";
    }
    bytes += "end " + QByteArray::number(manifest.files.size()) + "\r\n";
    return bytes;
}

std::optional<Manifest> readManifest(const QString &backupPath)
{
    const std::optional<QByteArray> bytes = readRawFile(QDir(backupPath).filePath(kBackupManifestFile));
    if (!bytes || !bytes->endsWith("\r\n"))
        return std::nullopt;
    QList<QByteArray> lines = bytes->chopped(1).split('\n');
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            return std::nullopt;
        line.chop(1);
    }
    if (lines.size() < 4 || lines.at(0) != kManifestTitle || !lines.at(1).startsWith("shop \"")
        || !lines.at(1).endsWith('"') || !lines.at(2).startsWith("made "))
        return std::nullopt;
    Manifest manifest;
    manifest.shop = QString::fromUtf8(lines.at(1).mid(6).chopped(1));
    manifest.made = QDateTime::fromString(QString::fromLatin1(lines.at(2).mid(5)), Qt::ISODate);
    static const QRegularExpression fileLine(QStringLiteral("^file ([0-9a-f]{64}) (\\d+) (-?\\d+) \"([^\"]*)\"$"));
    for (qsizetype i = 3; i + 1 < lines.size(); ++i) {
        const QRegularExpressionMatch match = fileLine.match(QString::fromUtf8(lines.at(i)));
        if (!match.hasMatch())
            return std::nullopt;
        manifest.files << ManifestEntry{match.captured(4), match.captured(2).toLongLong(),
                                        QByteArray::fromHex(match.captured(1).toLatin1()),
                                        match.captured(3).toLongLong()};
    }
    if (lines.constLast() != "end " + QByteArray::number(manifest.files.size()) || !manifest.made.isValid())
        return std::nullopt;
    return manifest;
}

QStringList shopFileNames()
{
    QStringList names;
    const QFileInfoList entries =
        QDir(QStringLiteral(".")).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    static const QRegularExpression temporary(
        QStringLiteral("%1[A-Za-z0-9]{6}%2$")
            .arg(QRegularExpression::escape(QLatin1String(native::kTemporaryInfix)),
                 QRegularExpression::escape(QLatin1String(native::kTemporarySuffix))));
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (isLink(entry) || !entry.isFile() || name == kShopLockFile || name == kBackupManifestFile
            || temporary.match(name).hasMatch())
            continue;
        names << name;
    }
    return names;
}

QString shopBackupName()
{
    QString name = QDir::current().dirName();
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c))
            c = QLatin1Char('_');
    }
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    if (name.isEmpty() || !fileNameProblem(name).isEmpty())
        name = QStringLiteral("shop");
    return name;
}

QStringList completeBackups(const QString &backupFolder)
{
    const QRegularExpression backupName(
        QStringLiteral("^%1 \\d{4}-\\d{2}-\\d{2} \\d{6}$").arg(QRegularExpression::escape(shopBackupName())));
    QStringList found;
    const QDir folder(backupFolder);
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        if (!isLink(entry) && backupName.match(entry.fileName()).hasMatch()
            && QFileInfo(folder.filePath(entry.fileName() + QLatin1Char('/') + kBackupManifestFile)).isFile())
            found << entry.filePath();
    }
    return found;
}

namespace {

// Removes what failed or cut-short backups of this shop left: partial folders an hour old
// (a younger one may be another PC's of a shop of the same name, still being made).
void removeLeftovers(const QString &backupFolder, const QDateTime &now)
{
    const QDir folder(backupFolder);
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!isLink(entry) && entry.fileName().startsWith(shopBackupName() + QLatin1Char(' '))
            && entry.fileName().endsWith(kPartialBackupSuffix) && entry.lastModified().secsTo(now) > 3600)
            QDir(entry.filePath()).removeRecursively();
    }
}

} // namespace

BackupOutcome makeBackup(Journal &journal, const QString &backupFolder, const QDateTime &now,
                         const BackupProgress &progress)
{
    BackupOutcome outcome;
    const auto failed = [&](const QString &why) {
        // The reasons of the file layer end without a full stop.
        const QString sentence = why.endsWith(QLatin1Char('.')) ? why : why + QLatin1Char('.');
        outcome.result = WriteResult::failureTold(
            QStringLiteral("The shop was not backed up into \"%1\": %2 The shop's files are as they were.")
                .arg(shown(backupFolder), sentence));
        return outcome;
    };
    if (const QString problem = backupFolderProblem(backupFolder); !problem.isEmpty())
        return failed(problem + QLatin1Char('.'));

    const QString name = shopBackupName() + QLatin1Char(' ') + now.toString(kStampFormat);
    const QString final = QDir(backupFolder).filePath(name);
    // Its own partial name: what a backup killed in this same second left stays out of its way.
    const QString partial = final + QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate() % 1000000)
                            + kPartialBackupSuffix;
    if (QFileInfo(final).exists() || QFileInfo(final).isSymLink())
        return failed(QStringLiteral("\"%1\" is there already; move it away and try again.").arg(shown(final)));
    removeLeftovers(backupFolder, now);
    if (const native::Failure failure = native::makeFolder(partial); !failure.isEmpty())
        return failed(QStringLiteral("Could not make the folder \"%1\": %2.").arg(shown(partial), failure));
    faultPoint("backup: folder made");

    // Whatever fails from here leaves no partial folder where it can be removed.
    const auto abandon = [&](const QString &why) {
        QDir(partial).removeRecursively();
        return failed(why);
    };
    Manifest manifest;
    manifest.shop = shopBackupName();
    manifest.made = now;
    QStringList leftOut;
    for (const QString &file : shopFileNames()) {
        if (!listable(file) || !fileNameProblem(file).isEmpty()) {
            leftOut << file;
            continue;
        }
        const QString to = QDir(partial).filePath(file);
        ManifestEntry entry;
        entry.name = file;
        entry.changed = native::stamp(file).changed;
        CopiedFile copied;
        WriteResult result;
        if (file == kJournalFile) {
            result = journal.copyTo(to, copied);
        } else {
            FileCopySource source(file);
            if (const QString why = source.open(); !why.isEmpty())
                return abandon(QStringLiteral("Could not read \"%1\": %2.").arg(file, why));
            result = copyVerified(source, file, to, copied);
        }
        if (!result)
            return abandon(result.message);
        entry.size = copied.size;
        entry.sha256 = copied.sha256;
        manifest.files << entry;
        if (progress)
            progress(file);
    }
    // The copies' names last, before the manifest says the backup is whole.
    native::syncFolder(partial);
    faultPoint("backup: files copied");
    const QString manifestPath = QDir(partial).filePath(kBackupManifestFile);
    if (WriteResult written = createFileNew(manifestPath, manifestBytes(manifest)); !written)
        return abandon(written.message);
    if (const std::optional<Manifest> back = readManifest(partial); !back || back->files != manifest.files)
        return abandon(QStringLiteral("The list of the backup's files does not read back as it was written."));
    if (const native::Failure failure = native::renameFolder(partial, final); !failure.isEmpty())
        return abandon(QStringLiteral("Could not name the backup \"%1\": %2.").arg(shown(final), failure));
    faultPoint("backup: complete");
    outcome.made = final;
    if (!leftOut.isEmpty()) {
        tell(outcome.notice, QStringLiteral("These files were left out of the backup, as no Windows file can have "
                                            "their names: %1.")
                                 .arg(leftOut.join(QStringLiteral(", "))));
    }

    // Only now, with a new backup checked, the oldest go.
    QStringList backups = completeBackups(backupFolder);
    QStringList notRemoved;
    while (backups.size() > kBackupsKept) {
        const QString oldest = backups.takeFirst();
        if (!QDir(oldest).removeRecursively())
            notRemoved << shown(oldest);
    }
    if (!notRemoved.isEmpty())
        tell(outcome.notice,
             QStringLiteral("These old backups could not be removed: %1.").arg(notRemoved.join(QStringLiteral(", "))));
    return outcome;
}

bool shopChangedSince(const Manifest &manifest, const std::function<bool(const QString &)> &filter)
{
    const auto taken = [&](const QString &name) { return !filter || filter(name); };
    QSet<QString> listed;
    for (const ManifestEntry &entry : manifest.files) {
        if (!taken(entry.name))
            continue;
        listed.insert(entry.name);
        const native::Stamp now = native::stamp(entry.name);
        if (now.size != entry.size)
            return true;
        // Same size and time: the same file. Another time: its bytes tell.
        if (now.changed != entry.changed && sha256Of(entry.name) != entry.sha256)
            return true;
    }
    for (const QString &name : shopFileNames()) {
        if (taken(name) && listable(name) && fileNameProblem(name).isEmpty() && !listed.contains(name))
            return true;
    }
    return false;
}

std::optional<BackupOutcome> backUpIfChanged(Journal &journal, const QDateTime &now)
{
    const QString folder = backupFolderSetting();
    if (folder.isEmpty())
        return std::nullopt;
    // A folder that cannot be reached is told, as its backup could not be made.
    if (backupFolderProblem(folder).isEmpty()) {
        const QStringList backups = completeBackups(folder);
        if (!backups.isEmpty()) {
            const std::optional<Manifest> last = readManifest(backups.constLast());
            if (last && !shopChangedSince(*last))
                return std::nullopt;
        }
    }
    return makeBackup(journal, folder, now);
}

QString overdueBackupNotice(const QDateTime &now)
{
    const QString folder = backupFolderSetting();
    if (folder.isEmpty() || !backupFolderProblem(folder).isEmpty())
        return {};
    const QStringList backups = completeBackups(folder);
    if (backups.isEmpty())
        return {};
    const std::optional<Manifest> last = readManifest(backups.constLast());
    if (!last || last->made.daysTo(now) <= kBackupOverdueDays)
        return {};
    const bool sales = shopChangedSince(*last, [](const QString &name) { return name.startsWith(kJournalFile); });
    if (!sales)
        return {};
    return QStringLiteral("The last backup of the shop was made on %1, more than %2 days ago, and sales were "
                          "made since. Choose File, Back Up... to make one now.")
        .arg(last->made.toString(QStringLiteral("yyyy-MM-dd")))
        .arg(kBackupOverdueDays);
}

BackupCheck checkBackup(const QString &backupPath)
{
    BackupCheck check;
    const std::optional<Manifest> manifest = readManifest(backupPath);
    if (!manifest) {
        check.lines << QStringLiteral("missing %1 (the list of the backup's files: not a complete backup)")
                           .arg(kBackupManifestFile);
        return check;
    }
    check.whole = true;
    QSet<QString> listed{kBackupManifestFile};
    const QDir folder(backupPath);
    for (const ManifestEntry &entry : manifest->files) {
        listed.insert(entry.name);
        const QString path = folder.filePath(entry.name);
        QString state;
        if (!QFileInfo::exists(path)) {
            state = QStringLiteral("missing");
        } else {
            const std::optional<QByteArray> digest = sha256Of(path);
            if (!digest)
                state = QStringLiteral("unreadable");
            else if (QFileInfo(path).size() != entry.size || *digest != entry.sha256)
                state = QStringLiteral("changed");
            else
                state = QStringLiteral("good");
        }
        check.whole = check.whole && state == QLatin1String("good");
        check.lines << state + QLatin1Char(' ') + entry.name;
    }
    for (const QFileInfo &entry :
         folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        if (!listed.contains(entry.fileName())) {
            check.whole = false;
            check.lines << QStringLiteral("extra ") + entry.fileName();
        }
    }
    return check;
}

} // namespace pos
