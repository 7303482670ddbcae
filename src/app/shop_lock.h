#pragma once

// One copy of the program per shop folder: two copies working on the same data files would
// interleave their receipts (one clerk's preview printing the other's) and their orders.

#include "core/formats/shop_files.h"
#include "core/storage/native_file.h"

#include <QString>

#include <memory>

namespace pos {

struct ShopLock
{
    // Held while it lives; nullptr when refused, or when the folder takes no lock file (no
    // lock file is there and none can be made: a folder where no copy can write a receipt
    // either).
    std::unique_ptr<native::FileLock> lock;
    // For the user when the program must not start in the folder (another copy runs there,
    // something that is not a file of its own has the lock's name, or the lock file is there and
    // cannot be opened or locked): names the folder. Empty otherwise.
    QString refusal;
};

// Takes the lock of the folder ("." for the working directory): the system's own lock on the
// regular file "corvalane-pos.lock", which the system releases when the holder ends, however
// it ends. So a lock is never left stale, and no process id is involved.
ShopLock lockShopFolder(const QString &folder);

// For the user when no file can be made in the folder ("." for the working directory): a
// read-only folder or medium, or one this user may not change. No sale could be recorded
// there, so the program says so before it starts, naming the folder and the system's reason.
// Empty when a file can be made (the file made to find out is removed at once).
QString unwritableShopFolder(const QString &folder);

} // namespace pos
