// The commands that move between days: today, the day before and after, a
// date or a file picked, and the day a reminder names.
#include <QDateEdit>

#include "daysteps.h"
#include "dayview.h"
#include "draggesture.h"
#include "frmmain.h"
#include "recoverykeeper.h"
#include "widgetsupport.h"

namespace plandor {

namespace {

QDate qdate(const LocalDate& d) { return QDate(d.year, d.month, d.day); }

}  // namespace

// Today's day at start-up, in this month's folder, which is made when
// missing; false when it cannot be.
bool TfrmMain::openToday() {
  const std::string& folder = state_.DataFolder;
  state_.Today = platform_.now().date;
  state_.MonthFolder = monthFolderName(state_.Today);
  DayModel& day = state_.day;
  if (!day.setFolder(folder, state_.Today)) {
    platform_.message(kMonthFolderError);
    return false;
  }

  removeStaleDayTemporaries(day.todayPath());
  if (mayHoldDay(day.todayPath())) {
    if (LoadDayFile(day.todayPath()))
      startSound_ = true;  // once the window has been painted
    else
      showLoadFailed();
  } else {
    day.openEmpty(day.todayPath());
    showNotCreated();
  }
  ui_.dtpToday->setDate(qdate(state_.Today));
  return true;
}

void TfrmMain::enableNeighbourDays() {
  act_.SchedulePrevDay1->setEnabled(neighbourDay(openDayDate(), -1).has_value());
  act_.ScheduleNextDay1->setEnabled(neighbourDay(openDayDate(), +1).has_value());
}

// Today's or a past day, under the cover while its pads are built.
void TfrmMain::openDay(const std::string& path) {
  // No save runs while a day opens: what one left behind there is stale.
  removeStaleDayTemporaries(path);
  showCover();
  IoResult failure;
  const bool loaded = LoadDayFile(path, &failure);
  if (!loaded) showLoadFailed();
  focusDay(-1);
  hideCover();  // before any box: the box must not sit over a blank cover
  if (loaded)
    PlaySaveSound();
  else
    reportIo(failure);
}

std::string TfrmMain::dayPathOf(const LocalDate& date) const {
  return dayPath(state_.DataFolder, date);
}

LocalDate TfrmMain::openDayDate() const { return state_.day.date().value_or(state_.Today); }

void TfrmMain::openDate(const LocalDate& date) {
  DayModel& day = state_.day;
  const std::string path = dayPathOf(date);
  // The open day, unless it could not be read: then it is read again.
  if (path == day.path() && !day.unread()) return;
  if (!mayDiscardDay()) return;
  showDate(path);
  keeper_->offer(false);
}

void TfrmMain::showDate(const std::string& path) {
  if (mayHoldDay(path)) {
    openDay(path);
  } else {
    state_.day.openEmpty(path);
    showNotCreated();
    focusDay(-1);
  }
}

void TfrmMain::ScheduleToday1Execute() { openDate(state_.Today); }

void TfrmMain::SchedulePrevDay1Execute() {
  if (const auto d = neighbourDay(openDayDate(), -1)) openDate(*d);
}

void TfrmMain::ScheduleNextDay1Execute() {
  if (const auto d = neighbourDay(openDayDate(), +1)) openDate(*d);
}

void TfrmMain::ScheduleGoTo1Execute() {
  const std::optional<LocalDate> d =
      platform_.pickDate(openDayDate(), state_.Today, [this](const LocalDate& d) { return fileExists(dayPathOf(d)); });
  if (d && dateOfDayFile(dayFileName(*d))) openDate(*d);
}

// The plan that holds the time now (asking about unsaved work), scrolled to the line.
void TfrmMain::ScheduleNow1Execute() {
  const PlanMoment m = planMoment(platform_.now());
  if (state_.day.date() != m.plan) openDate(m.plan);
  ui_.ScrollBox1->scrollToNow();
}

void TfrmMain::SchedulePast1Execute() {
  const std::string folder = state_.DataFolder + "/" + state_.MonthFolder;
  std::optional<std::string> chosen = platform_.openFile("プランドールファイル(*.sdf)", "*.SDF", folder);
  if (!chosen || chosen->empty()) return;
  if (*chosen == state_.day.todayPath() || !mayHoldDay(*chosen)) return;
  // Another computer's version of a day, left by a sync tool: opening and
  // saving it would make it a day of its own.
  const auto slash = chosen->find_last_of('/');
  if (isSyncConflictName(slash == std::string::npos ? *chosen : chosen->substr(slash + 1))) {
    platform_.errorBox("ファイル \"" + *chosen + "\" は同期ツールが残した競合コピーのため, スケジュールとしては開きません.");
    return;
  }
  if (!mayDiscardDay()) return;
  openDay(*chosen);
  keeper_->offer(false);
}

void TfrmMain::comeForward() {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

bool TfrmMain::bringDay(const std::string& path) {
  comeForward();
  DayModel& day = state_.day;
  if (path == day.todayPath()) {
    ScheduleToday1Execute();
  } else if (path != day.path() || day.unread()) {
    // Another day's plan (past 06:00, or the hours after midnight): opened
    // as a past day is, after the same question.
    if (!mayHoldDay(path) || !mayDiscardDay()) return false;
    openDay(path);
    keeper_->offer(false);
  }
  return day.path() == path && !day.unread();
}

}  // namespace plandor
