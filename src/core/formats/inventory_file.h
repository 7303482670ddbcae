#pragma once

#include "core/formats/file_limits.h"
#include "core/formats/shop_files.h"
#include "core/storage/file_io.h"

#include <QString>
#include <QStringList>

namespace pos {

// "inventory.dat" read within kListFileLimits: its fields in file order, empty fields
// included. A missing, unreadable or refused file (larger than 64 MB, or holding a field
// longer than 64 KB) gives no entries; limitedReadMessage tells why.
LimitedRead readInventoryFile(const QString &path = kInventoryFile);

// The writers store a double quote in a description as an apostrophe (see quotableText), so no
// stored entry is cut short when read back. Neither writes what the reader would refuse.

// Appends one quoted entry and CR LF; creates the file when absent.
WriteResult appendInventoryEntry(const QString &description, const QString &path = kInventoryFile);

// Rewrites the file with one quoted entry per line, in the given order.
WriteResult rewriteInventory(const QStringList &descriptions, const QString &path = kInventoryFile);

} // namespace pos
