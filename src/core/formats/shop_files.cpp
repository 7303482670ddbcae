#include "core/formats/shop_files.h"

#include "core/storage/file_io.h"

#include <QStringList>

namespace pos {

QString programFileNamed(const QString &path)
{
    QStringList own{kTaxFile,     kHeaderFile,  kReturnFile,
                          kFontFile,    kInventoryFile, kReceiptFile,
                          kJournalFile, kShopLockFile};
    // The journal's companion files (sales_journal.h), and the inventory's records set aside.
    for (const char *suffix : {".pending", ".appended", ".recovered", ".torn"})
        own << kJournalFile + QLatin1String(suffix);
    own << kJournalFile + QStringLiteral(".recovered.torn") << kInventoryFile + QStringLiteral(".torn");
    for (const QString &name : own) {
        if (sameFile(path, name))
            return name;
    }
    return {};
}

} // namespace pos
