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

// Makes the user's shop folder the working directory when `userShop` asks for it (otherwise
// the working directory stays). False, with the reason in `error`, when that folder cannot be
// made or entered.
bool enterShopFolder(bool userShop, QString &error);

// The program's icon, in every size it comes in.
QIcon programIcon();

} // namespace pos
