// The routine commands of the main window: provisional entry, the settings
// window and routine display.
#include "frmmain.h"
#include "frmsetrwork.h"
#include "routineday.h"
#include "routinekeeper.h"

namespace plandor {

void TfrmMain::showRoutineCount(int n) {
  ui_.statusPanels[2]->setText(QStringLiteral("ルーチン総数: ") + QString::number(n));
}

void TfrmMain::RoutineEntry1Execute() {
  RoutineStore& routines = state_.routines;
  const int s = state_.day.selectedPad();
  if (routines.RoutineCount() >= kRoutineSlots || s < 0 || s >= kPadSlots) return;
  TSchedPadFrame* pad = ui_.ScrollBox1->padFrame(s);
  if (!pad) return;
  if (!pad->confirmOnPad(s + 1, "をルーチンとして仮登録します.", 180, 250)) return;
  // From the pad's record, as last stored, not from its controls.
  EnterRoutine(routines.RoutineTable, state_.day.pad(s));
  routineKeeper_->keep();
  updateCommands();
  pad->setFocus();  // the mark stays only on the pad that has the focus
}

void TfrmMain::RoutineSet1Execute() {
  if (frmSetRWork) return;
  TfrmSetRWork window(routineContext_, [this](int n) { showRoutineCount(n); }, this);
  frmSetRWork = &window;
  routineKeeper_->watch(true);
  window.exec();
  routineKeeper_->watch(false);
  frmSetRWork = nullptr;
  updateCommands();
}

void TfrmMain::RoutineRead1Execute() {
  RoutineStore& routines = state_.routines;
  if (CountRoutines(routines.RoutineImage) == 0) return;  // only saved routines display
  DayModel& day = state_.day;
  if (!mayDiscardDay()) return;
  if (day.DataCount() != 0 &&
      !platform_.confirm("表示されているパッドを削除した後,ルーチンを表示します.\r\n\r\n処理を続行しますか？", 150, 250))
    return;
  showCover();
  BarRecord bars[kPadSlots]{};
  PadRecord pads[kPadSlots]{};
  // The open day's weekday: a plan for tomorrow shows tomorrow's routines.
  RoutinePads(routines.RoutineImage, weekday(openDayDate()), bars, pads);
  // Built beside the open day and swapped in whole: after a failed write
  // or read the day stays on screen as it was.
  const IoResult r = day.showRoutinePads(bars, pads);
  if (r.ok()) {
    focusDay(-1);
  }
  hideCover();
  if (!r.ok()) {
    reportIo(r);
    return;
  }
  PlaySaveSound();
}

}  // namespace plandor
