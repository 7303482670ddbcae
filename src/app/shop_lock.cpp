#include "app/shop_lock.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace pos {

ShopLock lockShopFolder(const QString &folder)
{
    // The working directory is named by a relative name, so that a folder whose name the
    // locale cannot decode is locked as well as any.
    const QString path = folder == QLatin1String(".") ? kShopLockFile : QDir(folder).filePath(kShopLockFile);
    const QString shownFolder = QDir::toNativeSeparators(QDir(folder).absolutePath());
    auto lock = std::make_unique<native::FileLock>();
    QString reason;
    switch (lock->lock(path, &reason)) {
    case native::FileLock::Locked:
        return {std::move(lock), {}};
    case native::FileLock::NoLockFile:
        return {};
    case native::FileLock::Failed:
        // Without the lock another copy could work on the same files: no start.
        return {nullptr,
                QStringLiteral("The lock file \"%1\" in the folder \"%2\" cannot be opened or locked (%3).\n\n"
                               "The program keeps a lock in that file, so that only one copy works on a shop's "
                               "files at a time, and does not start without it: let the program open the file "
                               "(or remove it), then start the program again.")
                    .arg(kShopLockFile, shownFolder, reason)};
    case native::FileLock::HeldElsewhere:
        return {nullptr, QStringLiteral("Corvalane Point-Of-Sale is already running in the folder \"%1\".\n\n"
                                        "Only one copy may work on a shop's files at a time: use the copy "
                                        "that is running, or end it before starting another.")
                             .arg(shownFolder)};
    case native::FileLock::NotAFile:
        break;
    }
    return {nullptr, QStringLiteral("\"%1\" in the folder \"%2\" is not a regular file (%3).\n\n"
                                    "The program keeps a lock in a file of that name, so that only one copy "
                                    "works on a shop's files at a time: remove what has the name, then start "
                                    "the program again.")
                         .arg(kShopLockFile, shownFolder, reason)};
}

QString unwritableShopFolder(const QString &folder)
{
    // Named as the program's temporary files are, so that one a kill left behind is removed
    // at the next start (removeStaleTemporaries); by a relative name in the working directory,
    // as the lock is, so that a folder whose name the locale cannot decode is looked at too.
    QString name = QLatin1String("corvalane-pos") + QLatin1String(native::kTemporaryInfix);
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(char('a' + QRandomGenerator::global()->bounded(26)));
    name += QLatin1String(native::kTemporarySuffix);
    QFile probe(folder == QLatin1String(".") ? name : QDir(folder).filePath(name));
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        probe.close();
        probe.remove();
        return {};
    }
    return QStringLiteral("Nothing can be written in the shop folder \"%1\" (%2).\n\n"
                          "No sale could be recorded there. Give this user the right to change the folder "
                          "(or start the program in a shop folder it may change), then start it again.")
        .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()), probe.errorString());
}

} // namespace pos
