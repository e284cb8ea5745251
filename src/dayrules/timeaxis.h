#pragma once
// The day's vertical axis: row 0 is 06:00, two rows a minute, 2880 rows to
// 06:00 next morning. Pads show 12-hour times with a PM flag.
#include <cstdint>

namespace plandor {

constexpr int kRowsPerMinute = 2;
constexpr int kRowsPerHour = 120;
constexpr int kDayRows = 2880;

// Across: a pad's stored Left puts it on the left pane at 4 or the right one
// at 351; any Left beyond 300 counts as the right pane.
constexpr int kLeftPaneLeft = 4;
constexpr int kRightPaneLeft = 351;
constexpr int kRightPaneAfter = 300;
inline bool onRightPane(int left) { return left > kRightPaneAfter; }

struct PadTime {
  int hour = 0;  // 0..11
  int minute = 0;
  bool pm = false;
  bool operator==(const PadTime&) const = default;
};

// Hours since 06:00 (0..23). Only a flag byte of exactly 1 means PM; an
// hour outside 0..11 counts as hour index 0.
int HourIndex(std::uint8_t pmFlag, int hour);
inline int HourIndex(bool pm, int hour) { return HourIndex(std::uint8_t(pm ? 1 : 0), hour); }

// The even row of a time; the minute is not checked.
int TimeToY(int hour, int minute, std::uint8_t pmFlag);
inline int TimeToY(int hour, int minute, bool pm) { return TimeToY(hour, minute, std::uint8_t(pm ? 1 : 0)); }

// The time of a row 0..2879; an odd row belongs to the minute above it.
PadTime YToTime(int y);

// Colours (0x00BBGGRR) of the four six-hour bands.
constexpr std::uint32_t kBandTextColor[4] = {0xFF901E, 0x008CFF, 0xA57004, 0x8B0000};
constexpr std::uint32_t kBandPaneColor[4] = {0xFACE87, 0x8CE6F0, 0xA57004, 0x8B0000};

}  // namespace plandor
