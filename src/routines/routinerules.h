#pragma once
// The routine pad's 一時保存 as a rule: what its controls hold, and the
// routine record that makes of it.
#include <array>
#include <string>

#include "padrules.h"
#include "routinefile.h"

namespace plandor {

struct RoutineEntry {
  PadEntry common;
  int number = 1;
  std::string side;  // "左" or "右", as the pane box shows it
  bool show = true;
  std::array<bool, 7> days{};  // Sunday first
};

struct RoutineStoreResult {
  HourReading reading = HourReading::Dial;  // anything else: nothing written
  std::string refusedHour;                  // the text of the refused hour box
  RoutineRecord routine;
};

// A routine keeps its times as entered, but its hours as the schedule pad
// reads them: 12 is the 0 of its flag, other hours off the dial are refused
// before anything is written. "右" puts it in the right pane, anything else
// in the left. The rest of `before` (its memo) stays.
RoutineStoreResult storeRoutineEntry(const RoutineEntry& e, const RoutineRecord& before);

}  // namespace plandor
