// The pool of schedule pad frames: made as they come into view, kept in
// step with the day, refilled rather than made again; the focus among them
// and the commands on the selected pad.
#include <QApplication>
#include <cstring>

#include "dayview.h"

namespace plandor {

// Frames that leave the table wait hidden for the next pad: rebuilding a
// day then refills frames instead of making hundreds of widgets again.
void TDayView::releaseFrame(int slot) {
  waiting_[slot] = false;
  TSchedPadFrame*& frame = PadFrameTable[slot];
  if (!frame) return;
  frame->hide();
  spareFrames_.push_back(frame);
  frame = nullptr;
}

void TDayView::releasePadFrames() {
  for (int i = 0; i < kPadSlots; ++i) releaseFrame(i);
}

TSchedPadFrame* TDayView::takePadFrame() {
  if (spareFrames_.empty()) return new TSchedPadFrame(ctx_, pnlFrame);
  TSchedPadFrame* frame = spareFrames_.back();
  spareFrames_.pop_back();
  frame->reset();
  return frame;
}

void TDayView::buildPadFrames() {
  releasePadFrames();
  for (int i = 0; i < kPadSlots; ++i) waiting_[i] = ctx_.day.framed(i);
  makeFramesInView();
}

void TDayView::syncPadFrames() {
  for (int i = 0; i < kPadSlots; ++i) {
    const bool same = (PadFrameTable[i] || waiting_[i]) &&
                      std::memcmp(&shown_[i].pad, &ctx_.day.pad(i), sizeof(PadRecord)) == 0 &&
                      shown_[i].fresh == ctx_.day.fresh(i);
    if (same && ctx_.day.framed(i)) continue;
    releaseFrame(i);
    waiting_[i] = ctx_.day.framed(i);
  }
  makeFramesInView();
}

bool TDayView::storeTypedEdits() {
  makeWaitingFrames();
  for (int i = 0; i < kPadSlots; ++i) {
    TSchedPadFrame* frame = PadFrameTable[i];
    if (!frame || !frame->hasEdits()) continue;
    if (!frame->storeEdits()) {
      ensureWidgetVisible(frame, 0, 20);
      frame->setFocus(Qt::OtherFocusReason);
      return false;
    }
  }
  return true;
}

// Out of view means out of the viewport: nothing of it can be painted.
bool TDayView::inView(int slot) const {
  if (!isVisible()) return false;
  const QPoint origin = pnlFrame->mapTo(viewport(), QPoint(0, 0));
  const FreshPad& f = ctx_.day.fresh(slot);
  const PadRecord& pad = ctx_.day.pad(slot);
  const qint64 left = qint64(f.open ? f.left : pad.Left) + origin.x(), top = qint64(f.open ? f.top : pad.Top) + origin.y();
  return left < viewport()->width() && left + TSchedPadFrame::kWidth > 0 && top < viewport()->height() &&
         top + TSchedPadFrame::kHeight > 0;
}

void TDayView::makePadFrame(int slot) {
  waiting_[slot] = false;
  TSchedPadFrame* frame = takePadFrame();
  PadFrameTable[slot] = frame;
  const FreshPad& f = ctx_.day.fresh(slot);
  shown_[slot] = {ctx_.day.pad(slot), f, ctx_.day.bar(slot)};
  if (f.open) {
    frame->showNew(slot + 1, {f.startHour, f.startMinute, f.startPM}, {f.endHour, f.endMinute, f.endPM}, f.left, f.top);
    frame->show();
  } else {
    frame->showRecord(slot, ctx_.day.pad(slot));
  }
  // Under the next higher number, whatever order frames are made in.
  for (int i = slot + 1; i < kPadSlots; ++i)
    if (PadFrameTable[i]) {
      frame->stackUnder(PadFrameTable[i]);
      return;
    }
  frame->raise();
  if (pnlIniHint->isVisible()) pnlIniHint->raise();
}

void TDayView::makeFramesInView() {
  for (int i = 0; i < kPadSlots; ++i)
    if (waiting_[i] && inView(i)) makePadFrame(i);
}

void TDayView::makeWaitingFrames() {
  for (int i = 0; i < kPadSlots; ++i)
    if (waiting_[i]) makePadFrame(i);
}

TSchedPadFrame* TDayView::padFrame(int slot) {
  if (slot < 0 || slot >= kPadSlots) return nullptr;
  if (waiting_[slot]) makePadFrame(slot);
  return PadFrameTable[slot];
}

bool TDayView::focusLastPad() { return focusPad(ctx_.day.DataCount() - 1); }

bool TDayView::focusPad(int slot) {
  TSchedPadFrame* pad = padFrame(slot);
  if (!pad) return false;
  pad->setFocus();
  return true;
}

bool TDayView::focusSelectedPad() { return focusPad(ctx_.day.selectedPad()) || focusLastPad(); }

bool TDayView::ScheduleRemovePad1Execute() {
  const int s = ctx_.day.selectedPad();
  TSchedPadFrame* pad = padFrame(s);
  if (pad && pad->confirmOnPad(s + 1, "を削除します.", 180, 250)) {
    showCover();
    ctx_.day.removePad(s);
    ctx_.pads.playSaveSound();
    focusLastPad();
    hideCover();
  }
  return focusSelectedPad();
}

bool TDayView::ScheduleUndo1Execute() {
  ctx_.day.undo();
  return focusSelectedPad();
}

bool TDayView::ScheduleRedo1Execute() {
  ctx_.day.redo();
  return focusSelectedPad();
}

int TDayView::focusedPad() const {
  const QWidget* focus = QApplication::focusWidget();
  for (int i = 0; i < kPadSlots; ++i)
    if (PadFrameTable[i] && focus && (PadFrameTable[i] == focus || PadFrameTable[i]->isAncestorOf(focus))) return i;
  return -1;
}

void TDayView::focusNextPad(bool forward) {
  makeWaitingFrames();
  int at = -1;
  for (int i = 0; i < kPadSlots; ++i)
    if (PadFrameTable[i] && (PadFrameTable[i]->hasFocus() || PadFrameTable[i]->isAncestorOf(QApplication::focusWidget())))
      at = i;
  // From outside the pads the selected pad comes first.
  const int from = at >= 0 ? at : ctx_.day.selectedPad() - (forward ? 1 : -1);
  for (int step = 1; step <= kPadSlots; ++step) {
    const int i = ((from + (forward ? step : -step)) % kPadSlots + kPadSlots) % kPadSlots;
    if (!PadFrameTable[i]) continue;
    ensureWidgetVisible(PadFrameTable[i], 0, 20);
    PadFrameTable[i]->setFocus(Qt::ShortcutFocusReason);
    return;
  }
}

}  // namespace plandor
