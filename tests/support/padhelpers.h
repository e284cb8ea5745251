#pragma once
// Pads made in the real day view, for the widget tests of the main window.
#include <QString>

#include "dayview.h"

namespace plandor {

// A day set up as a test needs it, through the day's own operation: `edit`
// changes a copy of the table, which then replaces the day's.
template <class Edit>
void editTable(DayModel& day, Edit edit) {
  PadTable t = day.table();
  edit(t);
  day.restore(t);
}

// A left drag from one row to another (its handlers called directly), then
// 一時保存 with `keyword`; null when the drag made no pad.
inline TSchedPadFrame* storedPad(TDayView& view, int from, int to, const char* keyword) {
  view.pbxTimeMouseDown(Qt::LeftButton, from);
  view.pbxTimeMouseUp(Qt::LeftButton, to, 4);
  TSchedPadFrame* pad = nullptr;  // the one not yet stored
  for (int i = 0; i < kPadSlots; ++i)
    if (TSchedPadFrame* f = view.padFrame(i); f && f->btnSave->isEnabled()) pad = f;
  if (!pad) return nullptr;
  pad->cmbKeyword->setEditText(QString::fromUtf8(keyword));
  pad->btnSaveClick();
  return pad;
}

}  // namespace plandor
