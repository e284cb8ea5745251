#pragma once
// Text boxes take only what their record field can hold: a character that
// Shift-JIS (CP932) has no code for (an emoji, "é", "♥") would be stored as
// "?", so it never enters a box; the hint line says why.
#include <QString>

class QWidget;

namespace plandor {

// Removes from `text` every character CP932 cannot hold, moving `pos` (a
// cursor in `text`) with the text; returns the characters removed.
QString dropUnheld(QString& text, int& pos);

// Shows in the hint line why `refused` did not go into `box`.
void tellUnheld(QWidget* box, const QString& refused);

}  // namespace plandor
