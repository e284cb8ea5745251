#include "routinerules.h"

namespace plandor {

RoutineStoreResult storeRoutineEntry(const RoutineEntry& e, const RoutineRecord& before) {
  RoutineStoreResult r;
  r.routine = before;
  int hours[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    const std::string& text = (i == 0 ? e.common.start : e.common.end).hourText;
    const HourEntry h = readDialHour(text);
    if (h.reading != HourReading::Dial) {
      r.reading = h.reading;
      r.refusedHour = text;
      return r;
    }
    hours[i] = h.hour;
  }
  RoutineRecord& out = r.routine;
  out.RoutineNo = e.number;
  storeCommonFields(out, e.common, hours[0], hours[1]);
  out.Left = e.side == "右" ? kRightPaneLeft : kLeftPaneLeft;
  out.Show = e.show ? 1 : 0;
  for (int d = 0; d < 7; ++d) out.DOW[d] = e.days[d] ? 1 : 0;
  return r;
}

}  // namespace plandor
