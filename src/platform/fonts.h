#pragma once

#include <QString>

namespace pos {

// The windows and the receipt font are designed with the faces of a Windows desktop ("MS Sans
// Serif", "Arial", "Courier New"...). Elsewhere the nearest installed faces stand in for them:
// this registers those stand-ins with Qt. It runs once; later calls do nothing.
void installDesignFontSubstitutes();

// True when text in the family can be shown with that face or a registered stand-in for it.
bool fontAvailable(const QString &family);

} // namespace pos
