#pragma once

#include <QString>

namespace pos {

// The fixed names of the shop's data files, relative to the working directory.
inline const QString kTaxFile = QStringLiteral("tax.txt");
inline const QString kHeaderFile = QStringLiteral("Header.txt");
inline const QString kReturnFile = QStringLiteral("return.txt");
inline const QString kFontFile = QStringLiteral("font.txt");
inline const QString kInventoryFile = QStringLiteral("inventory.dat");
inline const QString kReceiptFile = QStringLiteral("reciept.txt");
inline const QString kJournalFile = QStringLiteral("sales.txt");
// The files the journal keeps beside itself, named "sales.txt" + suffix (core/journal/journal.h):
// work announced, the sales recorded since the last cutoff, sales found removed, and records a
// crash cut short (of the journal, and of the removed sales' file), and the sales the cutoffs
// closed into histories.
inline const QString kClosedSuffix = QStringLiteral(".closed");
inline const QString kPendingSuffix = QStringLiteral(".pending");
inline const QString kAppendedSuffix = QStringLiteral(".appended");
inline const QString kRecoveredSuffix = QStringLiteral(".recovered");
inline const QString kTornSuffix = QStringLiteral(".torn");
// The folder the shop is backed up into (core/backup/backup.h), and the list of a backup's
// files that a backup holds beside them.
inline const QString kBackupSettingsFile = QStringLiteral("backup-folder.txt");
inline const QString kBackupManifestFile = QStringLiteral("corvalane-backup.manifest");
// Held locked while the program runs, so that one copy at a time works in the folder.
inline const QString kShopLockFile = QStringLiteral("corvalane-pos.lock");

// The file of the working directory that the name leads to (under any name: a link, "..",
// another case on Windows) if it is one of the program's own (the files above, and those it
// keeps beside the journal); empty otherwise. A layaway or a history must never take the place
// of one of them.
QString programFileNamed(const QString &path);

} // namespace pos
