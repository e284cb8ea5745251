#pragma once
// The open day on screen: the scroll box with the timeline strip, its pad
// panes and drag areas, and the line at the time now (dayview.cpp); the pool
// of schedule pad frames, the focus among them and the commands on its pads,
// removal, undo and redo (dayviewframes.cpp); dragging new pads into being and
// moving stored ones in time (daydrag.cpp).
#include <QScrollArea>
#include <array>
#include <bitset>
#include <functional>
#include <optional>
#include <vector>

#include "draggesture.h"
#include "schedpadframe.h"
#include "timelinepaint.h"

class QFrame;
class QTimer;
class QLabel;

namespace plandor {

class TDayView final : public QScrollArea {
  Q_OBJECT
 public:
  TDayView(SchedPadContext& context, QWidget* parent);
  ~TDayView() override;

  // The slow parts of a removal run under these (the processing cover).
  std::function<void()> showCover = [] {}, hideCover = [] {};
  // A line for the status bar: why a command did nothing.
  std::function<void(const QString&)> status = [](const QString&) {};

  // The frame of a slot, made now if it was waiting; null for an unused slot.
  TSchedPadFrame* padFrame(int slot);

  // A frame for every framed slot of the day, afresh (a day opened), higher
  // numbers on top. Making frames is the dear part of opening a day, so
  // frames out of view wait until the view has been painted, or until input
  // or a command needs them.
  void buildPadFrames();
  // Frames made again only where the day now differs from what they show
  // (removal, routine display, undo): the others keep their typed edits.
  void syncPadFrames();
  // False when there is no such pad.
  bool focusLastPad();
  bool focusPad(int slot);
  // Every pad's typed edits through its own store; false at the first pad
  // that refuses them, which then has the focus.
  bool storeTypedEdits();
  // Pads that hold typed edits the day does not have yet.
  template <class F>
  void forEachEditedPad(F f) const {
    for (TSchedPadFrame* frame : PadFrameTable)
      if (frame && frame->hasEdits()) f(*frame);
  }
  void repaintDragAreas();
  // The day's commands on its pads, one step of the history each: the
  // selected pad's removal after a confirmation, and the undo and redo that
  // take such a step back or do it again. Each leaves the focus on the
  // selected pad, else on the last; false when there is no pad to take it.
  bool ScheduleRemovePad1Execute();
  bool ScheduleUndo1Execute();
  bool ScheduleRedo1Execute();

  // The twin drag areas share these; `left` is where a new pad goes.
  void pbxTimeMouseDown(Qt::MouseButton button, int y);
  void pbxTimeMouseMove(int y);
  void pbxTimeMouseUp(Qt::MouseButton button, int y, int left);
  // A press on a stored pad's bar moves it or one of its ends in time
  // (see stepBar); a press elsewhere starts a new pad. False when the press
  // was not on a bar.
  bool grabBar(DragArea* area, Qt::MouseButton button, int y);
  void followBar(int y);
  void dropBar(int y);
  // Escape: the bar back where it was, nothing changed.
  void cancelBarDrag();
  bool draggingBar() const { return barDrag_.has_value(); }
  // The keyboard's move: the pad in `slot` moved (Move) or its end
  // stretched (End) by `steps` five-minute steps. False when nothing moved.
  bool stepPadTimes(int slot, BarGrip grip, int steps);
  // The pad holding the focus, or -1.
  int focusedPad() const;

  // The line at the time now, on the plan that holds it; moved each minute.
  void showNow();
  // Scrolls the line into view; false when it is not shown.
  bool scrollToNow();

  // One wheel step scrolls the timeline 20 rows.
  void ScrollBox1MouseWheel(int steps);

  // The keyboard's ways to what the pointer does: the focus to the next
  // (previous) pad, and a new one-hour pad from the first full hour in view,
  // as a drag from there would make it.
  void focusNextPad(bool forward);
  void newPadFromKeyboard(bool right);

  // The first-use hint over the right pane.
  void showIniHint(const QString& text);
  void pnlIniHintClick();

  DragGesture drag;

  QWidget* pnlBase = nullptr;
  QFrame* pnlFrame = nullptr;
  PadPane* pbxFrameL = nullptr;
  PadPane* pbxFrameR = nullptr;
  QFrame* pnlTime = nullptr;
  QWidget* pnlTimeL = nullptr;
  DragArea* pbxTimeL = nullptr;
  TimeColumn* pbxTime = nullptr;
  QWidget* pnlTimeR = nullptr;
  DragArea* pbxTimeR = nullptr;
  QFrame* pnlIniHint = nullptr;
  QLabel* lblIniHint = nullptr;
  QLabel* lblNow = nullptr;      // the time-now line
  QLabel* lblDragTip = nullptr;  // the times of a bar being dragged

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void buildStrip();
  void releasePadFrames();
  TSchedPadFrame* takePadFrame();
  bool inView(int slot) const;
  void makePadFrame(int slot);
  void makeFramesInView();
  void makeWaitingFrames();
  void dragPause(DragGesture& gesture);
  int viewTopRow() const;
  // Through the day's one operation: the pad's times, bar and frame.
  bool movePadTo(int slot, BarRows rows);
  // A pad with typed edits is not moved: the status bar says why.
  bool refuseEdited(int slot);
  void showDragTip(DragArea* area, int y, BarRows rows);
  void dayChanged(DayModel::Change change, int slot);
  void releaseFrame(int slot);
  bool focusSelectedPad();

  SchedPadContext& ctx_;
  int listener_ = 0;
  int typedEdits_ = 0;
  // What each frame was made from: a frame whose slot still holds this stays.
  struct Shown {
    PadRecord pad;
    FreshPad fresh;
    BarRecord bar;
  };
  std::array<Shown, kPadSlots> shown_{};
  std::array<TSchedPadFrame*, kPadSlots> PadFrameTable{};
  std::bitset<kPadSlots> waiting_;  // used slots whose frame is still to be made
  QTimer* makeAfterPaint_ = nullptr;
  std::vector<TSchedPadFrame*> spareFrames_;
  int wheelRemainder_ = 0;
  // What a press in a drag area started, for its moves and its release.
  enum class Press { Create, Bar, Refused };
  Press press_ = Press::Create;
  struct BarDrag {
    DragArea* area;
    int slot;
    BarGrip grip;
    BarRows from, to;
    int pressY;
  };
  std::optional<BarDrag> barDrag_;
  DragGesture barScroll_;  // the auto-scroll of a bar drag
  QTimer* minuteTimer_ = nullptr;
};

}  // namespace plandor
