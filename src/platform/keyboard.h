#pragma once

// The keys the shops know from Windows, on every desktop:
// - a letter pressed with Alt is an access key or nothing: it never types itself into a box
//   (the Linux desktops would type it), so Alt+F pressed out of habit in the Tendered box
//   leaves the amount as it was;
// - the menu bar's captions have access keys on their first letters (Alt+F opens "File"),
//   underlined only while Alt is held or the bar is in use, as Windows and KDE show them;
// - Alt alone, and F10, reach the menu bar.

class QMenuBar;

namespace pos {

// Keeps Alt letters out of every box of the application. Ctrl+Alt (AltGr on Windows) types as
// it does, and the boxes' Ctrl shortcuts stay. Installed once; later calls do nothing.
void installAltKeyGuard();

// The bar's access keys: each menu's caption has its access key on its first letter (see
// makeMenu), shown underlined only while Alt is held or the bar is in use; Alt alone and F10
// reach the bar. A control that takes F10 for itself claims it (a ShortcutOverride accepted).
void useAccessKeys(QMenuBar *bar);

} // namespace pos
