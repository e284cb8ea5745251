#pragma once
// The main window: it shows the open day, asks and routes the commands.
// Its controls (mainlayout), actions and menu (mainmenu) and the recovery
// file's keeping (recoverykeeper) live in rooms of their own; the commands
// that move between days are in frmmaindays.cpp, 保存 and the questions
// before work goes in frmmainsave.cpp, the routine commands in
// frmmainroutines.cpp. Tests find controls and actions by object name.
#include <QMainWindow>
#include <QMargins>
#include <string>

#include "dayview.h"
#include "mainlayout.h"
#include "mainmenu.h"
#include "plannerstate.h"
#include "platform.h"
#include "recovery.h"
#include "routinepadframe.h"

class QDialog;

namespace plandor {

class HintDisplay;
class PlannerReminders;
class RecoveryKeeper;
class RoutineKeeper;

class TfrmMain final : public QMainWindow {
  Q_OBJECT
 public:
  TfrmMain(PlannerState& state, Platform& platform, QWidget* parent = nullptr);
  ~TfrmMain() override;
  Q_DISABLE_COPY(TfrmMain)

  // False when start-up had to stop (the month folder could not be made);
  // the window must then not be shown.
  bool started() const { return started_; }

  // Commands.
  // False when nothing was written (the reason shown).
  bool FileSave1Execute();
  void FileExit1Execute();
  void ScheduleToday1Execute();
  void SchedulePast1Execute();
  void SchedulePrevDay1Execute();
  void ScheduleNextDay1Execute();
  void ScheduleGoTo1Execute();
  void ScheduleNow1Execute();
  void ScheduleRemovePad1Execute();
  void ScheduleUndo1Execute();
  void ScheduleRedo1Execute();
  void ScheduleDiary1Execute();
  void RoutineEntry1Execute();
  void RoutineSet1Execute();
  void RoutineRead1Execute();
  void OptionSetList1Execute();
  void OptionReminder1Execute();
  // The memo of a schedule or routine pad ("メモ(&M)..." in its menu).
  void openPadMemo(PadFrameBase& pad);
  void HelpContents1Execute();
  void HelpAbout1Execute();
  void btnUpdateClick();

  // Opens a day's file and shows it. A failure is shown, or handed to
  // `failure` to be shown later.
  bool LoadDayFile(const std::string& path, IoResult* failure = nullptr);

  // Over the day view while its pads are built.
  void showCover();
  void hideCover();

  // Brings the window forward at a second start.
  void comeForward();
  // Forward with the day at `path` open, as a reminder's default action
  // wants it; true when that day is open.
  bool bringDay(const std::string& path);
  PlannerReminders* reminders() const { return reminders_; }

  // The desktop session ends: nothing may block it, so the work goes to the
  // recovery file and the window closes without a question.
  void sessionEnding();
  // The program is ending at once (a signal, a lost display): the work as
  // it is on screen goes to the recovery file.
  void keepWorkNow();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // Any day by its date: its file when there is one, else an empty day that
  // the first 保存 creates; after the question for unsaved work.
  void openDate(const LocalDate& date);
  // Before the open day is replaced or the program ends with unsaved
  // changes: 保存, 保存しない or キャンセル. False when the command must stop.
  bool mayDiscardDay();
  void PlaySaveSound();
  void FormCreate();
  bool openToday();
  void enableNeighbourDays();
  void FormShow();
  void fitToWorkArea();
  void focusDay(int slot);
  void updateCommands();
  void showRoutineCount(int n);
  void showFileHeader();
  void showNotCreated();
  void showLoadFailed();
  void openDay(const std::string& path);
  std::string dayPathOf(const LocalDate& date) const;
  // The open day's date; a day file named otherwise counts as today.
  LocalDate openDayDate() const;
  void reportIo(const IoResult& r);
  void dayChanged(DayModel::Change change);
  // The title: the open day, and whether its work reaches a recovery file.
  void showDayName();
  // Typed edits and open dialogs' texts, for the recovery file.
  void addTyped(Recovery& r) const;
  void showRestored(const Recovery& r);
  // A day's file or an empty day when it has none.
  void showDate(const std::string& path);

  PlannerState& state_;
  Platform& platform_;
  bool started_ = false;
  bool shownOnce_ = false;
  QMargins fittedFrame_;  // the frame the window was last fitted with
  bool startSound_ = false;  // today's file loaded: its sound follows the first paint
  HintDisplay* hints_ = nullptr;
  PadContext padContext_;
  SchedPadContext schedContext_;
  RoutinePadContext routineContext_;
  MainControls ui_;
  MainActions act_;
  QDialog* frmSetRWork = nullptr;  // open, or null
  QDialog* dlgDiary = nullptr;     // open, or null
  QDialog* dlgPadMemo = nullptr;  // open, or null
  int dayListener_ = 0;
  RecoveryKeeper* keeper_ = nullptr;
  RoutineKeeper* routineKeeper_ = nullptr;
  int dialogEdits_ = 0;
  int memoSlot_ = -1;  // the schedule pad whose memo dialog is open
  PlannerReminders* reminders_ = nullptr;

};

// Texts the window shows.
extern const char* const kNotCreated;       // "未作成"
extern const char* const kNotLoaded;        // "読込失敗": the day's file could not be read
extern const char* const kIniHintText;      // the first-use hint
extern const char* const kCommentText;      // lblComment
extern const char* const kMonthFolderError; // start-up stops
extern const char* const kAppTitle;         // "プランドール"
extern const char* const kNotProtected;     // after the title while no recovery file takes the work

}  // namespace plandor
