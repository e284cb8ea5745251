#pragma once
#include <QIcon>
#include <QPixmap>

namespace plandor {
// The program's icon: a day page with a timeline and a coloured bar, drawn
// here so no image file has to travel with the program. A picture of `size`
// logical pixels is drawn at the device pixel ratio, on whole device pixels.
QPixmap appIconPixmap(int size, qreal devicePixelRatio = 1.0);
// Drawn at whatever size and ratio it is asked for.
QIcon appIcon();
}  // namespace plandor
