#pragma once

// Backups of the shop: a copy of every file of the shop folder (the working directory) in a
// folder of its own inside the backup folder the owner chose (a stick, a second disk, a share),
// checked and listed in a manifest, so that the shop's sales outlive its PC.
//
// A backup is the folder "<shop folder's name> yyyy-MM-dd HHmmss". It is made under the name
// "<that name>.<number>.corvalane-partial", every file copied into it (the journal through its
// Journal object, under its lock), synced, read back and compared; then the manifest
// "corvalane-backup.manifest" is written, synced, and only then the folder takes its name. A
// folder of that name with a manifest is a complete backup; anything a kill or a failure cut
// short keeps the partial name and is removed by the next backup. The newest kBackupsKept
// complete backups of the shop are kept, older ones removed once a new one is made and checked.
//
// Nothing here changes a file of the shop folder, except keepBackupFolder() its own setting.

#include "core/storage/write_result.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace pos {

class Journal;

inline constexpr int kBackupsKept = 30;
inline constexpr int kBackupOverdueDays = 7;
inline const QString kPartialBackupSuffix = QStringLiteral(".corvalane-partial");

// The backup folder set in "backup-folder.txt" (one quoted field, UTF-8, CR LF, so that a
// path outside the code page survives); empty when none is set or the file is unreadable.
QString backupFolderSetting();
// Keeps the folder in "backup-folder.txt". Refused (nothing written) when the folder cannot
// take backups: see backupFolderProblem().
WriteResult keepBackupFolder(const QString &folder);

// Why backups cannot go into the folder; empty when they can. Refused: no folder, a name that
// is a Windows device's, a folder that cannot be found, a link, a file, the shop folder or a
// folder inside it.
QString backupFolderProblem(const QString &folder);

// One file of a backup as its manifest lists it.
struct ManifestEntry
{
    QString name;
    qint64 size = 0;
    QByteArray sha256;  // raw bytes
    qint64 changed = 0; // the shop file's change time when copied (native::Stamp)
    bool operator==(const ManifestEntry &) const = default;
};

struct Manifest
{
    QString shop;
    QDateTime made;
    QList<ManifestEntry> files;
};

QByteArray manifestBytes(const Manifest &manifest);
// The manifest of a backup folder; nullopt when it is missing or not whole.
std::optional<Manifest> readManifest(const QString &backupPath);

// The files of the shop folder a backup holds: every regular file there except the lock file,
// the program's temporary files, a backup manifest and links; sorted.
QStringList shopFileNames();

// The name the backups of this shop begin with: its folder's name, made safe on Windows.
QString shopBackupName();

// This shop's complete backups in the backup folder, oldest first (full paths).
QStringList completeBackups(const QString &backupFolder);

struct BackupOutcome
{
    WriteResult result;
    QString made;   // the new backup's folder
    QString notice; // what the owner hears besides (files left out, old backups not removed)
    // The failure and the notice as one text for a message box; empty when none.
    QString told() const;
};

// Called after each file is copied, with its name (for a progress display).
using BackupProgress = std::function<void(const QString &name)>;

// Makes a backup of the shop into the folder, named after `now`.
BackupOutcome makeBackup(Journal &journal, const QString &backupFolder, const QDateTime &now,
                         const BackupProgress &progress = {});

// Whether a shop file changed since the backup listed in the manifest (a file added, removed,
// or with other bytes), for the files whose names the filter takes (all when none).
bool shopChangedSince(const Manifest &manifest, const std::function<bool(const QString &)> &filter = {});

// At the end of the program: a backup when a backup folder is set and the shop changed since
// its newest backup. nullopt when nothing was to be done.
std::optional<BackupOutcome> backUpIfChanged(Journal &journal, const QDateTime &now);

// At the start: the text telling the owner that the newest backup is more than
// kBackupOverdueDays old while sales were made since; empty otherwise.
QString overdueBackupNotice(const QDateTime &now);

// A backup checked against its manifest: one line per file ("good", "changed", "missing",
// "extra", "unreadable", then the name), and whether it is whole.
struct BackupCheck
{
    QStringList lines;
    bool whole = false;
};
BackupCheck checkBackup(const QString &backupPath);

} // namespace pos
