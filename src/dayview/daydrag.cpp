// The pointer's and the keyboard's gestures on the drag areas: a drag makes
// a new pad; a press on a stored pad's bar moves it or stretches its end.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>

#include "dayview.h"
#include "widgetsupport.h"

namespace plandor {

void TDayView::pbxTimeMouseDown(Qt::MouseButton button, int y) {
  drag.press(button == Qt::LeftButton, y);
}

int TDayView::viewTopRow() const { return -pnlBase->mapTo(this, QPoint(0, 0)).y() + frameWidth(); }

void TDayView::pbxTimeMouseMove(int y) {
  const DragGesture::Scroll scroll = drag.move(y, viewTopRow(), height());
  QScrollBar* bar = verticalScrollBar();
  if (scroll.down) {
    bar->setValue(bar->value() + 10);
    dragPause(drag);
  }
  if (scroll.up) {
    bar->setValue(bar->value() - 10);
    dragPause(drag);
  }
}

// Lets the scroll be painted and other events through; moves meanwhile are
// ignored. A release during the pause ends the drag for good.
void TDayView::dragPause(DragGesture& gesture) {
  gesture.beginPause();
  QElapsedTimer tick;
  tick.start();
  do QCoreApplication::processEvents();
  while (tick.nsecsElapsed() < 2'000'000);
  gesture.endPause();
}

void TDayView::pbxTimeMouseUp(Qt::MouseButton button, int y, int left) {
  std::array<bool, kPadSlots> used{};
  for (int i = 0; i < kPadSlots; ++i) used[i] = ctx_.day.framed(i);
  const DragGesture::Release r = drag.release(button == Qt::LeftButton, y, ctx_.day.DataCount(), used);
  if (r.pad) {
    FreshPad f;
    f.startHour = r.pad->start.hour;
    f.startMinute = r.pad->start.minute;
    f.startPM = r.pad->start.pm;
    f.endHour = r.pad->end.hour;
    f.endMinute = r.pad->end.minute;
    f.endPM = r.pad->end.pm;
    f.left = left;
    f.top = r.pad->startY + 1;
    makeWaitingFrames();  // stacked under the new pad
    ctx_.day.makePad(r.pad->slot, f);  // the frame comes with the day's news
  }
  if (r.sound) ctx_.pads.playSaveSound();
}

bool TDayView::refuseEdited(int slot) {
  if (!ctx_.day.pending(slot)) return false;
  status(q("パッド No. %1 に一時保存していない変更があるため, 時刻を動かせません. "
           "先に[一時保存]か[変更]を押してください.").arg(slot + 1));
  return true;
}

bool TDayView::grabBar(DragArea* area, Qt::MouseButton button, int y) {
  if (button != Qt::LeftButton) return false;
  const BarHit hit = hitBar(ctx_.day.table().Bars, area->sideLetter(), y);
  if (hit.grip == BarGrip::None || ctx_.day.pad(hit.slot).StartHour == -1) return false;
  press_ = Press::Refused;
  if (refuseEdited(hit.slot)) return true;
  const std::optional<BarRows> rows = padRows(ctx_.day.pad(hit.slot));
  if (!rows) {
    status(q("パッド No. %1 の時刻が正しくないため, 動かせません. パッドの上で時刻を直してください.").arg(hit.slot + 1));
    return true;
  }
  press_ = Press::Bar;
  barDrag_ = BarDrag{area, hit.slot, hit.grip, *rows, *rows, y};
  barScroll_.press(true, y);
  showDragTip(area, y, *rows);
  return true;
}

void TDayView::showDragTip(DragArea* area, int y, BarRows rows) {
  lblDragTip->setText(QString::fromStdString(periodText(rows)));
  lblDragTip->adjustSize();
  // Beside the time column over the pane of the bar's side, level with the pointer.
  const QRect column = pnlTime->geometry();
  const int x = area == pbxTimeL ? column.left() - lblDragTip->width() - 4 : column.right() + 5;
  const int top = std::clamp(y + 2 - lblDragTip->height() / 2, 0, pnlFrame->height() - lblDragTip->height());
  lblDragTip->move(x, top);
  lblDragTip->show();
  lblDragTip->raise();
}

void TDayView::followBar(int y) {
  if (!barDrag_) return;
  BarDrag& d = *barDrag_;
  const BarRows to = stepBar(d.grip, d.from, d.pressY, y);
  if (to != d.to) {
    d.to = to;
    d.area->showPreview(d.slot, to.top, to.bottom);
  }
  showDragTip(d.area, y, to);
  const DragGesture::Scroll scroll = barScroll_.move(y, viewTopRow(), height());
  QScrollBar* bar = verticalScrollBar();
  if (scroll.down && barDrag_) {
    bar->setValue(bar->value() + 10);
    dragPause(barScroll_);
  }
  if (scroll.up && barDrag_) {
    bar->setValue(bar->value() - 10);
    dragPause(barScroll_);
  }
}

void TDayView::dropBar(int y) {
  if (!barDrag_) return;
  followBar(y);
  if (!barDrag_) return;  // let go during the pause, or cancelled
  const BarDrag d = *barDrag_;
  cancelBarDrag();
  if (d.to != d.from) movePadTo(d.slot, d.to);
}

void TDayView::cancelBarDrag() {
  if (!barDrag_) return;
  DragArea* area = barDrag_->area;
  barDrag_.reset();
  barScroll_.DragActive = barScroll_.DragArmed = false;
  area->endPreview();
  lblDragTip->hide();
}

bool TDayView::movePadTo(int slot, BarRows rows) {
  BarRecord bar = ctx_.day.bar(slot);
  PadRecord pad = ctx_.day.pad(slot);
  retimePad(rows, bar, pad);
  return ctx_.day.movePad(slot, bar, pad);
}

bool TDayView::stepPadTimes(int slot, BarGrip grip, int steps) {
  if (slot < 0 || slot >= kPadSlots || ctx_.day.pad(slot).StartHour == -1 || ctx_.day.bar(slot).TopY == -1)
    return false;
  if (refuseEdited(slot)) return false;
  const std::optional<BarRows> rows = padRows(ctx_.day.pad(slot));
  if (!rows) return false;
  const BarRows to = stepBar(grip, *rows, 0, steps * kStepRows);
  return to != *rows && movePadTo(slot, to);
}

void TDayView::newPadFromKeyboard(bool right) {
  const int viewTop = -pnlBase->mapTo(viewport(), QPoint(0, 0)).y() - 12;  // TimelineY at the view's top
  const int start = std::clamp((viewTop + kRowsPerHour - 1) / kRowsPerHour * kRowsPerHour, 0, kDayRows - kRowsPerHour);
  pbxTimeMouseDown(Qt::LeftButton, start);
  pbxTimeMouseUp(Qt::LeftButton, start + kRowsPerHour, right ? 351 : 4);
}

}  // namespace plandor
