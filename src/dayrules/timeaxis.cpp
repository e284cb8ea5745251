#include "timeaxis.h"

#include <algorithm>
#include <climits>

namespace plandor {

int HourIndex(std::uint8_t pmFlag, int hour) {
  if (hour < 0 || hour > 11) return 0;
  if (pmFlag == 1) return hour + 6;
  return hour < 6 ? hour + 18 : hour - 6;
}

int TimeToY(int hour, int minute, std::uint8_t pmFlag) {
  // A minute read from a file can be any 32-bit value: widen, and keep the
  // row inside int.
  const long long y = static_cast<long long>(minute) * kRowsPerMinute + HourIndex(pmFlag, hour) * kRowsPerHour;
  return static_cast<int>(std::clamp<long long>(y, INT_MIN, INT_MAX));
}

PadTime YToTime(int y) {
  const int h = y / kRowsPerHour;
  const int minute = (y - h * kRowsPerHour) / kRowsPerMinute;
  if (h <= 5) return {h + 6, minute, false};
  if (h <= 17) return {h - 6, minute, true};
  return {h - 18, minute, false};
}

}  // namespace plandor
