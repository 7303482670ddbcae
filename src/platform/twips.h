#pragma once

#include <QRect>

class QWidget;

namespace pos {

// Window layouts are designed in twips (1/1440 inch): 15 twips make one pixel at 96 dots per
// inch. These convert by the logical DPI of the widget's screen.
int twipsToPixels(int twips, qreal dpi);
QRect twipsRect(int left, int top, int width, int height, qreal dpi);

// Places the widget at its design position and size, given in twips.
void placeInTwips(QWidget *widget, int left, int top, int width, int height);

} // namespace pos
