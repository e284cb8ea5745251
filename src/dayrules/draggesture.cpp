#include "draggesture.h"

#include <utility>

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

}  // namespace plandor
