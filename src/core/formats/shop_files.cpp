#include "core/formats/shop_files.h"

#include "core/storage/file_io.h"

#include <QStringList>

namespace pos {

QString programFileNamed(const QString &path)
{
    QStringList own{kTaxFile,     kHeaderFile,  kReturnFile,   kFontFile,           kInventoryFile,
                    kReceiptFile, kJournalFile, kShopLockFile, kBackupSettingsFile, kBackupManifestFile};
    // The journal's companion files, and the inventory's records set aside.
    for (const QString &suffix : {kPendingSuffix, kAppendedSuffix, kRecoveredSuffix, kTornSuffix, kClosedSuffix})
        own << kJournalFile + suffix;
    own << kJournalFile + kRecoveredSuffix + kTornSuffix << kInventoryFile + kTornSuffix;
    for (const QString &name : own) {
        if (sameFile(path, name))
            return name;
    }
    return {};
}

} // namespace pos
