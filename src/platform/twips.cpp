#include "platform/twips.h"

#include <QWidget>

#include <cmath>

namespace pos {

int twipsToPixels(int twips, qreal dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

QRect twipsRect(int left, int top, int width, int height, qreal dpi)
{
    return {twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi), twipsToPixels(height, dpi)};
}

void placeInTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height, widget->logicalDpiX()));
}

} // namespace pos
