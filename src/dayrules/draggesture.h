#pragma once
// The drag along a drag area as rows in and a new pad's period out, apart
// from any window: pointer capture gives rows above and below the strip.
#include <array>
#include <optional>

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

}  // namespace plandor
