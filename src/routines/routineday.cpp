#include "routineday.h"

#include "daystore.h"
#include "timeaxis.h"

namespace plandor {

bool EnterRoutine(RoutineSet& table, const PadRecord& p) {
  const int n = CountRoutines(table);
  if (n >= kRoutineSlots) return false;
  RoutineRecord& r = table[n];
  r.RoutineNo = n + 1;
  r.Left = 4;
  r.Top = p.Top;
  r.Keyword = p.Keyword;
  r.Content = p.Content;
  r.Color = p.Color;
  r.StartHour = p.StartHour, r.StartMinute = p.StartMinute, r.StartPM = p.StartPM;
  r.EndHour = p.EndHour, r.EndMinute = p.EndMinute, r.EndPM = p.EndPM;
  r.Memo = p.Memo;
  r.Show = 1;
  for (auto& d : r.DOW) d = 1;
  return true;
}

bool DisplaysOn(const RoutineRecord& r, int weekday) {
  return r.RoutineNo != 0 && r.Show == 1 && weekday >= 0 && weekday < 7 && r.DOW[weekday] == 1 &&
         r.StartHour != -1 && r.EndHour != -1;
}

int RoutinePads(const RoutineSet& routines, int weekday, BarRecord (&bars)[kPadSlots], PadRecord (&pads)[kPadSlots]) {
  for (auto& b : bars) clearBar(b);
  for (auto& p : pads) clearPad(p);
  int j = 0;
  for (const RoutineRecord& r : routines) {
    if (!DisplaysOn(r, weekday)) continue;
    PadRecord& p = pads[j];
    p.PadNo = j + 1;
    p.Left = r.Left, p.Top = r.Top;
    p.Keyword = r.Keyword, p.Content = r.Content;
    p.Color = r.Color;
    p.StartHour = r.StartHour, p.StartMinute = r.StartMinute, p.StartPM = r.StartPM;
    p.EndHour = r.EndHour, p.EndMinute = r.EndMinute, p.EndPM = r.EndPM;
    p.Memo = r.Memo;
    p.Completed = 0;
    BarRecord& b = bars[j];
    b.TopY = TimeToY(r.StartHour, r.StartMinute, r.StartPM);
    b.BottomY = TimeToY(r.EndHour, r.EndMinute, r.EndPM);
    b.Side.setRaw(r.Left > 300 ? "R" : "L");
    b.Color = r.Color;
    ++j;
  }
  return j;
}

}  // namespace plandor
