#pragma once

#include "common/data_files.h"
#include "common/fileio.h"

#include <QString>
#include <QStringList>

namespace pos {

// Every field of "inventory.dat" in file order, empty fields included; a missing or unreadable
// file gives no entries.
QStringList readInventory(const QString &path = kInventoryFile);

// The writers store a double quote in a description as an apostrophe (see quotableText), so no
// stored entry is cut short when read back.

// Appends one quoted entry and CR LF; creates the file when absent.
WriteResult appendInventoryEntry(const QString &description, const QString &path = kInventoryFile);

// Rewrites the file with one quoted entry per line, in the given order.
WriteResult rewriteInventory(const QStringList &descriptions, const QString &path = kInventoryFile);

} // namespace pos
