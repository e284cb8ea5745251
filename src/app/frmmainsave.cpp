// Saving and asking: 保存, the question before unsaved work goes, the
// close, the title that shows what is unsaved, and what the recovery file
// takes of the work on screen.
#include <QCloseEvent>

#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "frmmain.h"
#include "routinekeeper.h"
#include "frmsetrwork.h"
#include "pathbytes.h"
#include "recoverykeeper.h"
#include "widgetsupport.h"

namespace plandor {

namespace {

// "2006年1月3日 (火)", or the file's own name for a file named otherwise.
std::string dayName(const DayModel& day) {
  if (const std::optional<LocalDate> date = day.date()) return dayTitleText(*date);
  const auto slash = day.path().find_last_of('/');
  return slash == std::string::npos ? day.path() : day.path().substr(slash + 1);
}

}  // namespace

void TfrmMain::showDayName() {
  const QString name = shownQString(dayName(state_.day));
  setWindowTitle(q(kAppTitle) + QStringLiteral(" - ") + name + QStringLiteral("[*]") +
                 (keeper_->isProtected() ? QString() : q(kNotProtected)));
  setAccessibleDescription(name);
}

bool TfrmMain::mayDiscardDay() {
  DayModel& day = state_.day;
  if (!day.modified()) return true;
  switch (platform_.ask(dayName(day) + " の変更を保存しますか？", {"保存(&S)", "保存しない(&N)", "キャンセル"}, 0, 2)) {
    case 0:
      // Typed edits first, through each pad's own store; a refusal stops.
      return ui_.ScrollBox1->storeTypedEdits() && FileSave1Execute();
    case 1:
      // The recovery file goes with the day (the keeper, closeEvent), not
      // before: the command may still stop and leave the work on screen.
      return true;
    default:
      return false;
  }
}

void TfrmMain::closeEvent(QCloseEvent* e) {
  if (keeper_->ending()) {
    keeper_->keep();
    routineKeeper_->keepAtEnd();
    e->accept();
    return;
  }
  // Routines entered or changed and not yet saved are asked about too.
  if (!mayDiscardDay() || !MayDiscardRoutines(state_.routines, platform_)) {
    showRoutineCount(state_.routines.RoutineCount());
    routineKeeper_->keep();
    e->ignore();
    return;
  }
  keeper_->removeOwn();  // saved, or answered 保存しない
  routineKeeper_->keep();
  e->accept();
}

void TfrmMain::sessionEnding() {
  routineKeeper_->keepAtEnd();
  keeper_->sessionEnding();
}

void TfrmMain::keepWorkNow() {
  routineKeeper_->keepAtEnd();
  keeper_->keepWorkNow();
}

void TfrmMain::addTyped(Recovery& r) const {
  // Typed edits as their pad's store would take them; what it would refuse,
  // exactly as typed.
  ui_.ScrollBox1->forEachEditedPad([&r](const TSchedPadFrame& pad) {
    if (const auto d = pad.draft()) {
      r.image.Bars[pad.slot()] = d->bar;
      r.image.Pads[pad.slot()] = d->pad;
    } else if (pad.slot() >= 0 && pad.slot() < kPadSlots) {
      r.typed.push_back(pad.typedState());
    }
  });
  if (auto* diary = qobject_cast<TdlgDiary*>(dlgDiary)) r.image.Diary = diary->entered();
  if (auto* memo = qobject_cast<TdlgPadMemo*>(dlgPadMemo); memo && memoSlot_ >= 0)
    r.image.Pads[memoSlot_].Memo = memo->entered();
}

void TfrmMain::showRestored(const Recovery& r) {
  for (const TypedPad& t : r.typed)
    if (TSchedPadFrame* pad = ui_.ScrollBox1->padFrame(t.slot)) pad->showTyped(t);
  ui_.ScrollBox1->pnlIniHint->hide();  // the day is planned now
  focusDay(state_.day.selectedPad());
}

bool TfrmMain::FileSave1Execute() {
  bool headerSet = false;
  DayModel& day = state_.day;
  // The day taken at start-up. A copy kept beside a changed file is not the
  // day saved: the work stays unsaved.
  const std::optional<IoResult> saved = saveMindingChanges(
      platform_, day.path(), [&](bool overwrite) { return day.save(state_.Today, &headerSet, overwrite); },
      [&](std::string& copy) { return day.saveCopy(copy, state_.Today); });
  if (!saved) return false;
  const IoResult& r = *saved;
  if (!r.written()) {
    // A file that could not be read or is read-only: the work can still go beside it.
    reportIo(r);
    if (mayGoBeside(r) && platform_.ask(dayName(day) + " の変更を別名で保存しますか?", {"別名で保存", "キャンセル"}, 0, 1) == 0)
      saveCopyBeside(platform_, day.path(), [&](std::string& copy) { return day.saveCopy(copy, state_.Today); });
    return false;
  }
  if (headerSet) showFileHeader();
  focusDay(-1);
  // Saved: what a crash would have kept is on disk now.
  keeper_->keep();
  // Saved, but not known to be durable: the box instead of the sound.
  if (!r.ok())
    reportIo(r);
  else
    PlaySaveSound();
  return true;
}

void TfrmMain::FileExit1Execute() { close(); }

}  // namespace plandor
