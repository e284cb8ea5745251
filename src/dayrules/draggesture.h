#pragma once
// The drag along a drag area as rows in and a new pad's period out, apart
// from any window: pointer capture gives rows above and below the strip.
#include <array>
#include <optional>
#include <string>

#include "calendar.h"
#include "records.h"
#include "timeaxis.h"

namespace plandor {

struct DragGesture {
  bool DragActive = false;  // moves are followed
  bool DragArmed = false;   // a left press not yet turned into a pad
  int DragStartY = 0;
  int DragEndY = 0;

  // A left press starts afresh whatever came before.
  void press(bool leftButton, int y);

  // Auto-scroll steps a move asks for: within 30 rows of the visible
  // strip's bottom (`viewTop` + `viewHeight`) down, of its top up; both
  // may fire on one move.
  struct Scroll {
    bool down = false;
    bool up = false;
  };
  Scroll move(int y, int viewTop, int viewHeight);

  struct NewPad {
    int slot;  // the first free one
    int startY, endY;
    PadTime start, end;
  };
  struct Release {
    bool sound = false;  // even when no pad is made (every frame in use)
    std::optional<NewPad> pad;
  };
  // `padCount` is the highest pad number with a bar; `frameUsed` tells
  // which slots already show a pad.
  Release release(bool leftButton, int y, int padCount, const std::array<bool, kPadSlots>& frameUsed);

  // The auto-scroll's pause, while other events are let through: moves are
  // not followed, and a release meanwhile ends the drag for good.
  void beginPause();
  void endPause();

 private:
  bool pausing_ = false;
  bool releasedInPause_ = false;
};

// A stored pad's bar taken with the pointer: its body moves the pad in
// time, a few rows at its upper or lower edge move only the start or the end.
enum class BarGrip { None, Move, Start, End };
constexpr int kGripRows = 3;
// The pointer moves a pad in five-minute steps, as the pad's arrows do.
constexpr int kStepRows = 10;
// The last row a pad may end on: AM 5:59.
constexpr int kLastEndRow = kDayRows - 2;

struct BarRows {
  int top = 0, bottom = 0;  // the rows of the start and the end
  bool operator==(const BarRows&) const = default;
};

struct BarHit {
  int slot = -1;
  BarGrip grip = BarGrip::None;
};
// The bar of `side` ('L' or 'R') painted under row `y`, the highest pad
// number on top; a bar too short for both edges has none.
BarHit hitBar(const BarRecord (&bars)[kPadSlots], char side, int y);

// The rows a pad takes once its bar, at `from` when grabbed at row
// `pressY`, is dragged to row `y`: whole steps, nearest to the pointer,
// within AM 6:00 to AM 5:59, never shorter than one step (a pad shorter
// than that keeps its length).
BarRows stepBar(BarGrip grip, BarRows from, int pressY, int y);

// The rows of a pad's stored times, when they lie on the day's axis in the
// right order: a pad from a damaged file is not moved.
std::optional<BarRows> padRows(const PadRecord& pad);

// A pad moved to `rows`: its times, its bar, and its frame level with the
// start, as 一時保存 puts it.
void retimePad(BarRows rows, BarRecord& bar, PadRecord& pad);

// "9:05 – 10:20": the times of a period on the 24-hour clock.
std::string periodText(BarRows rows);

// The time now as a row of the plan it belongs to: a day's plan runs from
// its 06:00 to 05:59 the next morning.
struct PlanMoment {
  LocalDate plan;
  int row = 0;
};
PlanMoment planMoment(const LocalDateTime& now);

}  // namespace plandor
