#pragma once

// One copy of the program per shop folder: two copies working on the same data files would
// interleave their receipts (one clerk's preview printing the other's) and their orders.

#include <QLockFile>
#include <QString>

#include <memory>

namespace pos {

// The lock file, in the shop folder beside the data files.
inline const QString kShopLockFile = QStringLiteral("corvalane-pos.lock");

struct ShopLock
{
    // Held while it lives; nullptr when refused, or when the folder takes no lock file (a
    // folder where no file can be made, where no copy can write a receipt either).
    std::unique_ptr<QLockFile> lock;
    // For the user when another copy runs in the folder: names the folder. Empty otherwise.
    QString refusal;
};

// Takes the folder's lock. A lock left by a copy that has died (it ended without releasing
// it, or the machine went down) is taken over; one held by a running copy refuses the start.
ShopLock lockShopFolder(const QString &folder);

} // namespace pos
