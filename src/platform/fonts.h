#pragma once

#include <QFont>
#include <QString>

namespace pos {

// The windows and the receipt font are designed with the faces of a Windows desktop ("MS Sans
// Serif", "Arial", "Courier New"...). Elsewhere the nearest installed faces stand in for them:
// this registers those stand-ins with Qt. It runs once; later calls do nothing.
void installDesignFontSubstitutes();

// The face the windows are designed in: "MS Sans Serif", 8 points.
QFont windowFont();

// Makes windowFont() the application's font (the stand-ins installed first), so that what no
// window sets a face for itself (menus, message boxes, dialogs) shows it too, rather than the
// face of the style or of the platform's theme (a serif fallback under Wine).
void useWindowFontEverywhere();

// True when text in the family can be shown with that face or a registered stand-in for it.
bool fontAvailable(const QString &family);

} // namespace pos
