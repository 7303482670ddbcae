#include "app/shop_lock.h"

#include <QDir>

namespace pos {

ShopLock lockShopFolder(const QString &folder)
{
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kShopLockFile));
    // The program holds the lock for as long as it runs: the lock's age says nothing. A lock
    // whose holder no longer runs on this machine is stale and taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return {std::move(lock), {}};
    if (lock->error() != QLockFile::LockFailedError)
        return {};

    qint64 pid = 0;
    QString host;
    QString program;
    const bool known = lock->getLockInfo(&pid, &host, &program);
    QString holder;
    if (known && pid > 0)
        holder = QStringLiteral(" (process %1%2)")
                     .arg(pid)
                     .arg(host.isEmpty() ? QString() : QStringLiteral(" on %1").arg(host));
    return {nullptr,
            QStringLiteral("Corvalane Point-Of-Sale is already running in the folder \"%1\"%2.\n\n"
                           "Only one copy may work on a shop's files at a time: use the copy "
                           "that is running, or end it before starting another.")
                .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()), holder)};
}

} // namespace pos
