#include "common/data_files.h"

#include "common/fileio.h"
#include "common/journal_guard.h"

#include <QStringList>

namespace pos {

QString programFileNamed(const QString &path)
{
    const QStringList own{kTaxFile,     kHeaderFile,  kReturnFile,
                          kFontFile,    kInventoryFile, kReceiptFile,
                          kJournalFile, kShopLockFile, pendingFileOf(kJournalFile),
                          recoveredFileOf(kJournalFile), kJournalFile + QStringLiteral(".torn"),
                          kInventoryFile + QStringLiteral(".torn")};
    for (const QString &name : own) {
        if (sameFile(path, name))
            return name;
    }
    return {};
}

} // namespace pos
