#include "draggesture.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "daysteps.h"
#include "padrules.h"

namespace plandor {

void DragGesture::press(bool leftButton, int y) {
  if (!leftButton) return;
  releasedInPause_ = false;
  DragStartY = y;
  DragArmed = true;
  DragActive = true;
}

DragGesture::Scroll DragGesture::move(int y, int viewTop, int viewHeight) {
  if (!DragActive) return {};
  DragEndY = y;
  return {viewTop + viewHeight - DragEndY < 30, DragEndY - viewTop < 30};
}

DragGesture::Release DragGesture::release(bool leftButton, int y, int padCount,
                                          const std::array<bool, kPadSlots>& frameUsed) {
  DragActive = false;
  if (pausing_) releasedInPause_ = true;
  if (padCount >= kPadSlots || !leftButton || !DragArmed) return {};
  DragEndY = y;
  if (DragEndY < DragStartY) std::swap(DragStartY, DragEndY);
  if (DragStartY < 0) DragStartY = 0;
  if (DragEndY >= kDayRows) DragEndY = kDayRows - 1;
  // A drag wholly below or above the strip still makes a pad inside it.
  if (DragStartY >= kDayRows) DragStartY = kDayRows - 1;
  if (DragEndY < 0) DragEndY = 0;
  DragArmed = false;
  int slot = 0;
  while (slot < kPadSlots && frameUsed[slot]) ++slot;
  if (slot == kPadSlots) return {true, std::nullopt};
  return {true, NewPad{slot, DragStartY, DragEndY, YToTime(DragStartY), YToTime(DragEndY)}};
}

void DragGesture::beginPause() {
  DragActive = false;
  pausing_ = true;
}

void DragGesture::endPause() {
  pausing_ = false;
  DragActive = !releasedInPause_;
}

BarHit hitBar(const BarRecord (&bars)[kPadSlots], char side, int y) {
  for (int slot = kPadSlots - 1; slot >= 0; --slot) {
    const BarRecord& b = bars[slot];
    if (b.TopY == -1 || b.Side.raw() != std::string_view(&side, 1)) continue;
    // Rows as painted: TopY to BottomY - 1 within the strip.
    const int top = std::clamp(b.TopY, 0, kDayRows), bottom = std::clamp(b.BottomY, 0, kDayRows);
    if (y < top || y >= bottom) continue;
    const int grip = std::min(kGripRows, (bottom - top) / 3);
    if (y >= bottom - grip) return {slot, BarGrip::End};
    if (y < top + grip) return {slot, BarGrip::Start};
    return {slot, BarGrip::Move};
  }
  return {};
}

BarRows stepBar(BarGrip grip, BarRows from, int pressY, int y) {
  const int d = static_cast<int>(std::lround((y - pressY) / double(kStepRows))) * kStepRows;
  BarRows to = from;
  switch (grip) {
    case BarGrip::None:
      break;
    case BarGrip::Move: {
      // The whole pad stops at the day's first and last rows.
      const int shift = std::clamp(d, std::min(0, -from.top), std::max(0, kLastEndRow - from.bottom));
      to = {from.top + shift, from.bottom + shift};
      break;
    }
    case BarGrip::Start:
      to.top = from.top + d;
      if (d > 0) to.top = std::min(to.top, std::max(from.top, from.bottom - kStepRows));
      to.top = std::max(to.top, std::min(0, from.top));
      break;
    case BarGrip::End:
      to.bottom = from.bottom + d;
      if (d < 0) to.bottom = std::max(to.bottom, std::min(from.bottom, from.top + kStepRows));
      to.bottom = std::min(to.bottom, std::max(kLastEndRow, from.bottom));
      break;
  }
  return to;
}

std::optional<BarRows> padRows(const PadRecord& pad) {
  // Hours as every pad reads them (a stored 12 is the 0 of its flag).
  const std::optional<int> start = dialHour(pad.StartHour), end = dialHour(pad.EndHour);
  auto minute = [](std::int32_t m) { return m >= 0 && m <= 59; };
  if (!start || !end || !minute(pad.StartMinute) || !minute(pad.EndMinute)) return std::nullopt;
  const BarRows rows{TimeToY(*start, pad.StartMinute, pad.StartPM), TimeToY(*end, pad.EndMinute, pad.EndPM)};
  if (rows.bottom <= rows.top) return std::nullopt;
  return rows;
}

void retimePad(BarRows rows, BarRecord& bar, PadRecord& pad) {
  const PadTime start = YToTime(rows.top), end = YToTime(rows.bottom);
  pad.StartHour = start.hour, pad.StartMinute = start.minute, pad.StartPM = start.pm ? 1 : 0;
  pad.EndHour = end.hour, pad.EndMinute = end.minute, pad.EndPM = end.pm ? 1 : 0;
  bar.TopY = rows.top;
  bar.BottomY = rows.bottom;
  pad.Top = rows.top + 1;
}

std::string periodText(BarRows rows) {
  auto clock = [](int y) {
    const PadTime t = YToTime(y);
    const int hour = (HourIndex(t.pm, t.hour) + 6) % 24;
    const char tens = char('0' + t.minute / 10), ones = char('0' + t.minute % 10);
    return std::to_string(hour) + ':' + tens + ones;
  };
  return clock(rows.top) + " – " + clock(rows.bottom);
}

PlanMoment planMoment(const LocalDateTime& now) {
  const int minutes = ((now.hour - 6 + 24) % 24) * 60 + now.minute;
  return {planDateAt(now), minutes * kRowsPerMinute};
}

}  // namespace plandor
