#include "routineday.h"

#include <cstring>

#include "dayrecords.h"
#include "padrules.h"
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
         dialHour(r.StartHour) && dialHour(r.EndHour);
}

int RoutinePads(const RoutineSet& routines, int weekday, BarRecord (&bars)[kPadSlots], PadRecord (&pads)[kPadSlots]) {
  // Whatever the arrays held, reserved bytes included, goes: they are written
  // to the staging file and from there into the day.
  std::memset(bars, 0, sizeof bars);
  std::memset(pads, 0, sizeof pads);
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
    // An hour stored as 12 (routine pads once kept it) reads as the dial reads it.
    p.StartHour = *dialHour(r.StartHour), p.StartMinute = r.StartMinute, p.StartPM = r.StartPM;
    p.EndHour = *dialHour(r.EndHour), p.EndMinute = r.EndMinute, p.EndPM = r.EndPM;
    p.Memo = r.Memo;
    p.Completed = 0;
    BarRecord& b = bars[j];
    b.TopY = TimeToY(p.StartHour, p.StartMinute, p.StartPM);
    b.BottomY = TimeToY(p.EndHour, p.EndMinute, p.EndPM);
    b.Side.setRaw(onRightPane(r.Left) ? "R" : "L");
    b.Color = r.Color;
    ++j;
  }
  return j;
}

}  // namespace plandor
