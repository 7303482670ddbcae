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

} // namespace pos
