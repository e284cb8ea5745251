#pragma once
#include <QIcon>
#include <QPixmap>

namespace plandor {
// The program's icon: a day page with a timeline and a coloured bar, drawn
// here so no image file has to travel with the program.
QPixmap appIconPixmap(int size);
QIcon appIcon();
}  // namespace plandor
