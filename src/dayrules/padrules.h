#pragma once
// What a pad's controls hold, and the rules by which a schedule pad's
// "一時保存" and "変更" turn that into its records. Widgets show the verdict.
#include <cstdint>
#include <optional>
#include <string>

#include "records.h"
#include "timeaxis.h"

namespace plandor {

// A time row as entered: the hour box takes any text.
struct TimeEntry {
  std::string hourText;
  int minute = 0;
  bool pm = false;
};

// The fields both pads share, read from their controls.
struct PadEntry {
  int left = 0;
  std::string keyword, content;
  std::int32_t color = 0;
  TimeEntry start, end;
};

// An integer as an hour box holds it: optional leading blanks, a sign, digits.
std::optional<int> parseHour(const std::string& text);

// The one reading of an hour on the 12-hour dial, for every pad, routine
// display and the calendar export: 0..11 as they are, 12 as the 0 of the
// same flag (12 PM is noon, as a clock shows it), anything else refused.
std::optional<int> dialHour(int hour);

// What an hour box holds, read by that rule.
enum class HourReading { Dial, NotInteger, OutsideDial };
struct HourEntry {
  HourReading reading = HourReading::Dial;
  int hour = 0;  // on the dial when reading is Dial
};
HourEntry readDialHour(const std::string& text);

// Writes the shared fields into a PadRecord or a RoutineRecord (same names).
template <class Record>
void storeCommonFields(Record& r, const PadEntry& e, int startHour, int endHour) {
  r.Left = e.left;
  r.Keyword.setText(e.keyword);
  r.Content.setText(e.content);
  r.Color = e.color;
  r.StartHour = startHour;
  r.StartMinute = e.start.minute;
  r.StartPM = e.start.pm ? 1 : 0;
  r.EndHour = endHour;
  r.EndMinute = e.end.minute;
  r.EndPM = e.end.pm ? 1 : 0;
}

enum class PadVerdict {
  NotInteger,        // an hour box holds no integer; nothing written
  HourOutsideDial,   // an hour other than 0..12; nothing written
  EndNotAfterStart,  // refused; see the records
  Stored,
};

struct PadStoreResult {
  PadVerdict verdict = PadVerdict::Stored;
  std::string refusedHour;  // the text of the refused hour box
  bool startCorrected = false;  // moved up to AM 6:00
  bool endCorrected = false;    // moved back to AM 5:59
  bool timesRestored = false;   // a refused change brought the last accepted times back
  BarRecord bar{};
  PadRecord pad{};
};

// The schedule pad's own part of an entry.
struct SchedEntry {
  PadEntry common;
  int padNo = 1;
  int top = 0;
  bool completed = false;
};

// "一時保存": a refused order clears the times and the bar; a stored pad's
// Top snaps level with its bar.
PadStoreResult temporarySave(const SchedEntry& e, const BarRecord& bar, const PadRecord& pad);
// "変更": a refused order restores the pad's last accepted times and bar,
// or, for a pad never accepted, leaves it without a bar.
PadStoreResult change(const SchedEntry& e, const BarRecord& bar, const PadRecord& pad);

}  // namespace plandor
