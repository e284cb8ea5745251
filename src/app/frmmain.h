#pragma once
// The main window: the day view, the file and clock boxes, the command
// buttons, menu, actions and status bar; it wires the commands.
#include <QMainWindow>
#include <QMargins>
#include <array>
#include <optional>
#include <set>
#include <string>

#include "plannerstate.h"
#include "recovery.h"
#include "recoverypolicy.h"
#include "platform.h"
#include "dayview.h"
#include "routinepadframe.h"

class QAction;
class QDialog;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace plandor {

class HintDisplay;
class PlannerReminders;

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
  // Any day by its date: its file when there is one, else an empty day that
  // the first 保存 creates; after the question for unsaved work.
  void openDate(const LocalDate& date);
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

  // Store operations that also update what the window shows.
  // A failure is shown, or handed to `failure` to be shown later.
  bool LoadDayFile(const std::string& path, IoResult* failure = nullptr);
  void PlaySaveSound();

  void showCover();
  void hideCover();

  // Brings the window forward at a second start.
  void comeForward();
  // Forward with the day at `path` open, as a reminder's default action
  // wants it; true when that day is open.
  bool bringDay(const std::string& path);
  PlannerReminders* reminders() const { return reminders_; }

  // Before the open day is replaced or the program ends with unsaved
  // changes: 保存, 保存しない or キャンセル. False when the command must stop.
  bool mayDiscardDay();
  // Offers the recovery file's work when it belongs to the day just opened,
  // or, at start-up, to any day (which then opens).
  void offerRecovery(bool atStartUp);
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
  void buildLayout();
  void buildActions();
  void FormCreate();
  void FormShow();
  void layoutClient();
  void layoutPanel1();
  void fitToWorkArea();
  void showDataCount();
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
  void dayChanged(DayModel::Change change, int slot);
  void showDayName();
  // The open day's work, typed edits included, into its recovery file; the
  // file goes when there is nothing unsaved.
  void keepRecovery();
  void removeOwnRecovery();
  Recovery recoveryRecord() const;
  // The open day's date when it is a day of the data folder.
  std::optional<LocalDate> folderDay() const;
  void restoreRecovery(const std::string& file, const Recovery& rec, const LocalDate& date, DayFileNow now);
  // A day's file or an empty day when it has none.
  void showDate(const std::string& path);
  // The title says so while the open day's work reaches no recovery file.
  void setProtected(bool on);

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
  QDialog* frmSetRWork = nullptr;  // open, or null
  QDialog* dlgDiary = nullptr;     // open, or null
  QDialog* dlgPadMemo = nullptr;  // open, or null
  int dayListener_ = 0;
  int dialogEdits_ = 0;
  QTimer* recoveryTimer_ = nullptr;  // a change was made: keep it soon
  QTimer* typingTimer_ = nullptr;    // typing stopped for a second
  std::string ownRecovery_;              // the open day's recovery file, when written
  std::set<std::string> keptRecovery_;   // damaged or foreign: told, kept, never used
  bool recoveryOffered_ = false;         // start-up's offer is over: writes may begin
  bool protected_ = true;
  bool sessionEnding_ = false;
  bool recoveryFailureTold_ = false;
  int memoSlot_ = -1;  // the schedule pad whose memo dialog is open
  PlannerReminders* reminders_ = nullptr;

 public:
  // Controls, by their names in the program's vocabulary.
  QWidget* client = nullptr;
  QFrame* Panel1 = nullptr;
  TDayView* ScrollBox1 = nullptr;  // the timeline with its pads
  QFrame* Panel2 = nullptr;
  QFrame* Panel3 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* lblComment = nullptr;
  QLineEdit* edtThisFile = nullptr;
  QDateEdit* dtpPrepDate = nullptr;
  QDateEdit* dtpToday = nullptr;
  QLineEdit* edtNow = nullptr;
  QPushButton* btnUpdate = nullptr;
  QPushButton* btnRemovePad = nullptr;
  QPushButton* btnEnterRoutine = nullptr;
  QPushButton* btnSetRoutine = nullptr;
  QPushButton* btnShowRoutine = nullptr;
  QPushButton* btnDiary = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnExit = nullptr;
  QLabel* pnlCover = nullptr;
  QWidget* StatusBar1 = nullptr;
  std::array<QLabel*, 3> statusPanels{};

  QAction* FileSave1 = nullptr;
  QAction* FileExit1 = nullptr;
  QAction* SchedulePast1 = nullptr;
  QAction* ScheduleToday1 = nullptr;
  QAction* SchedulePrevDay1 = nullptr;
  QAction* ScheduleNextDay1 = nullptr;
  QAction* ScheduleGoTo1 = nullptr;
  QAction* ScheduleDiary1 = nullptr;
  QAction* ScheduleRemovePad1 = nullptr;
  QAction* ScheduleUndo1 = nullptr;
  QAction* ScheduleRedo1 = nullptr;
  QAction* RoutineEntry1 = nullptr;
  QAction* RoutineSet1 = nullptr;
  QAction* RoutineRead1 = nullptr;
  QAction* OptionSetList1 = nullptr;
  QAction* OptionReminder1 = nullptr;
  QAction* HelpContents1 = nullptr;
  QAction* HelpAbout1 = nullptr;
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
