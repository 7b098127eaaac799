#pragma once
#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn rather than loaded so that nothing extra ships with it.
namespace artwork {
QIcon windowIcon();  // a globe with a pin, 32 × 32 and 16 × 16
QPixmap windowIconAt(int size);  // the same at any size, for the desktop's icon theme
QIcon readIcon();    // a photo with a magnifier
QIcon saveIcon();    // a map sheet with points
QPixmap strip();     // the 86 × 351 strip down the window's left edge
}
