#pragma once
// Where routines meet the day: a schedule pad entered as a routine, and the
// saved routines laid out as the pads of a day.
#include "records.h"
#include "routinefile.h"

namespace plandor {

// Copies a pad's record into the first free slot (provisional entry): on
// the left pane, shown on every weekday, without the completed mark.
// False when all 8 slots are in use.
bool EnterRoutine(RoutineSet& table, const PadRecord& pad);

// A routine displays when it is shown, today's weekday (0 Sunday) is ticked
// and both its hours are on the dial (dialHour); one entered from a pad that
// was never stored has none, and would make a bar without a pad.
bool DisplaysOn(const RoutineRecord& r, int weekday);

// The routines that display on `weekday`, in routine order, as pads and
// bars numbered from 1; times are taken as stored, an hour of 12 as the
// dial reads it. Every slot is built from zeroed memory. Returns how many
// there are.
int RoutinePads(const RoutineSet& routines, int weekday, BarRecord (&bars)[kPadSlots], PadRecord (&pads)[kPadSlots]);

}  // namespace plandor
