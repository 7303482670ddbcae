#pragma once

#include <QIcon>
#include <QString>

namespace pos {

// The shop's data lives in the program's working directory. Started from a terminal, that is
// the directory it was started in. Started from the desktop entry (with "--user-shop"), it is
// the user's own shop folder, made (empty) at the first start.

// The user's shop folder: "corvalane-pos/shop" under the user's data location
// (~/.local/share on Linux, %LOCALAPPDATA% on Windows: userDataLocation()).
QString userShopFolder();

// Why `folder` is no place for a shop's files, or nothing when it is one: the program's own
// folder (under Program Files a standard user cannot write, and an upgrade replaces it) and a
// system folder (systemFolders(): the Windows folder, where Windows starts a program whose
// start folder it cannot enter), each with everything in it, are refused with a message that
// names the folder and how to start the program.
QString shopFolderRefusal(const QString &folder, const QString &programFolder, const QStringList &systemFolders);

// Makes the user's shop folder the working directory when `userShop` asks for it (otherwise
// the working directory stays, unless shopFolderRefusal() refuses it). False, with the reason
// in `error`, when that folder cannot be made or entered, or is refused.
bool enterShopFolder(bool userShop, QString &error);

// The program's icon, in every size it comes in.
QIcon programIcon();

} // namespace pos
