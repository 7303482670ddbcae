#include "app/shop_lock.h"

#include <QDir>
#include <QTemporaryFile>

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
    case native::FileLock::Failed:
        return {};
    case native::FileLock::HeldElsewhere:
        return {nullptr,
                QStringLiteral("Corvalane Point-Of-Sale is already running in the folder \"%1\".\n\n"
                               "Only one copy may work on a shop's files at a time: use the copy "
                               "that is running, or end it before starting another.")
                    .arg(shownFolder)};
    case native::FileLock::NotAFile:
        break;
    }
    return {nullptr,
            QStringLiteral("\"%1\" in the folder \"%2\" is not a regular file (%3).\n\n"
                           "The program keeps a lock in a file of that name, so that only one copy "
                           "works on a shop's files at a time: remove what has the name, then start "
                           "the program again.")
                .arg(kShopLockFile, shownFolder, reason)};
}

QString unwritableShopFolder(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("corvalane-pos-XXXXXX.probe")));
    if (probe.open())
        return {};
    return QStringLiteral("Nothing can be written in the shop folder \"%1\" (%2).\n\n"
                          "No sale could be recorded there. Give this user the right to change the folder "
                          "(or start the program in a shop folder it may change), then start it again.")
        .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()), probe.errorString());
}

} // namespace pos
