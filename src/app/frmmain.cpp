#include "frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

#include "aboutbox.h"
#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "dlgsetlist.h"
#include "frmsetrwork.h"
#include "hintdisplay.h"
#include "pathbytes.h"
#include "widgetsupport.h"
#include "padrules.h"
#include "plannerreminders.h"
#include "recoverykeeper.h"
#include "routinekeeper.h"

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>

namespace plandor {

const char* const kNotCreated = "未作成";
const char* const kNotLoaded = "読込失敗";
const char* const kIniHintText =
    "\u3000\r\n\u3000左の白いドラッグ・エリア上で, \r\n\u3000\r\n"
    "\u3000およその開始時刻から終了時刻までドラッグしてください. \r\n\u3000\r\n"
    "\u3000(本メッセージは,クリックかキーを押すと消えます.) \r\n\u3000";
const char* const kCommentText = "本ウィンドウは\r\n高さ方向にのみ\r\n伸縮可能です.";
const char* const kMonthFolderError = "今月のデータフォルダの作成に失敗しました.\r\n\r\n[プランドール]の起動を中止します.";
const char* const kAppTitle = "プランドール";
const char* const kNotProtected = " - 変更を復元ファイルに記録できません";

namespace {

// Multi-line texts are kept with Windows line breaks; Qt wants "\n".
QString lines(const char* utf8) { return q(utf8).replace(QLatin1String("\r\n"), QLatin1String("\n")); }
QDate qdate(const LocalDate& d) { return QDate(d.year, d.month, d.day); }

}  // namespace

TfrmMain::TfrmMain(PlannerState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      platform_(platform),
      padContext_{state.lists, platform, state.programFolder(), [this](PadFrameBase& pad) { openPadMemo(pad); }},
      schedContext_{padContext_, state.day},
      routineContext_{padContext_, state.routines, state.SelectedRoutine} {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(q(kAppTitle));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  fillBackground(this, kButtonFace);
  // Only the height may change; width 800, height at least 600.
  setMinimumSize(800, 600);
  setMaximumWidth(800);
  resize(800, 600);
  auto* client = new QWidget(this);
  setCentralWidget(client);
  client->installEventFilter(this);
  ui_ = buildMainControls(client, schedContext_);
  ui_.Panel1->installEventFilter(this);
  ui_.ScrollBox1->showCover = [this] { showCover(); };
  ui_.ScrollBox1->hideCover = [this] { hideCover(); };
  ui_.ScrollBox1->status = [this](const QString& text) { showStatusText(ui_, text); };
  connect(ui_.btnUpdate, &QPushButton::clicked, this, &TfrmMain::btnUpdateClick);
  act_ = buildMainMenu(*this, ui_, state_.day);
  FormCreate();
}

TfrmMain::~TfrmMain() {
  state_.day.unlisten(dayListener_);
  state_.day.removeTypedEdits(dialogEdits_);
  if (hints_) qApp->removeEventFilter(hints_);
}

void TfrmMain::FormCreate() {
  hints_ = new HintDisplay([this](const QString& h) { showStatusText(ui_, h); }, this);
  qApp->installEventFilter(hints_);
  schedContext_.routineEntry = act_.RoutineEntry1;
  // The diary's and a schedule pad memo's typed text, until the dialog closes.
  dialogEdits_ = state_.day.addTypedEdits([this](int slot) {
    const auto* diary = qobject_cast<TdlgDiary*>(dlgDiary);
    const auto* memo = qobject_cast<TdlgPadMemo*>(dlgPadMemo);
    return slot < 0 && ((diary && diary->typedInto()) || (memo && memoSlot_ >= 0 && memo->typedInto()));
  });
  const std::string& folder = state_.DataFolder;
  keeper_ = new RecoveryKeeper(state_.day, platform_, folder,
                               {[this](Recovery& r) { addTyped(r); },
                                [this](const std::string& path) { showDate(path); },
                                [this](const Recovery& r) { showRestored(r); },
                                [this] { showDayName(); },
                                [this](const IoResult& r) { reportIo(r); }},
                               this);
  schedContext_.typed = [this] { keeper_->typed(); };
  routineKeeper_ = new RoutineKeeper(
      state_.routines, platform_, folder,
      [this](RoutineSet& set) {
        if (auto* window = qobject_cast<TfrmSetRWork*>(frmSetRWork))
          for (const TRoutineWorkFrame* pad : window->RoutineFrameTable)
            if (pad && pad->slot() >= 0 && pad->slot() < kRoutineSlots)
              if (const std::optional<RoutineRecord> d = pad->draft()) set[pad->slot()] = *d;
      },
      this);
  dayListener_ = state_.day.listen([this](DayModel::Change c, int) { dayChanged(c); });

  // Saves cut short by a crash or power loss leave hidden temporaries; this
  // copy alone runs on the folder, so no save of its own is under way.
  removeStaleTemporaries(folder, {"Routines.rdf", "LEntries.lef", "Temporary.sdf", "RoutineRecovery.pdr"});
  removeStaleTemporaries(folder, isRecoveryFileName);
  IoResult r = state_.routines.LoadRoutineFile(folder);
  if (!r.ok()) reportIo(r);
  showRoutineCount(state_.routines.RoutineCount());
  r = state_.lists.LoadListEntries(folder);
  if (!r.ok()) reportIo(r);
  if (!openToday()) return;
  btnUpdateClick();
  reminders_ = new PlannerReminders(state_.day, platform_, folder,
                                    {[this](const std::string& path) { return bringDay(path); },
                                     [view = ui_.ScrollBox1](int slot) {
                                       if (QWidget* pad = view->padFrame(slot)) view->ensureWidgetVisible(pad);
                                       view->focusPad(slot);
                                     },
                                     [this] { comeForward(); },
                                     [this](const QString& text) { showStatusText(ui_, text); }},
                                    this);
  updateCommands();
  started_ = true;
}

void TfrmMain::FormShow() {
  // Scrolled before the resize: the pad frames that wait for the view are
  // made for the rows at 08:00, not for those at 06:00.
  ui_.ScrollBox1->verticalScrollBar()->setValue(240);
  fitToWorkArea();
  ui_.lblComment->setText(lines(kCommentText));
  ui_.lblComment->adjustSize();
  if (!state_.day.hasFile() && !state_.day.unread())
    ui_.ScrollBox1->showIniHint(lines(kIniHintText));
  else
    ui_.ScrollBox1->pnlIniHint->hide();
  if (state_.day.DataCount() > 0)
    ui_.ScrollBox1->focusLastPad();
  else
    ui_.btnSave->setFocus();
  // Once the window is up, so the question has the day behind it.
  QTimer::singleShot(0, this, [this] {
    keeper_->offer(true);
    if (routineKeeper_->offer()) {
      showRoutineCount(state_.routines.RoutineCount());
      updateCommands();
    }
  });
}

// The work area's height at its top left, the frame included. A window
// manager frames the window only after it is mapped, so this runs again
// once the frame is known; a screen lower or narrower than the design
// shrinks it.
void TfrmMain::fitToWorkArea() {
  const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
  fittedFrame_ = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  // At 1.5 times the size the frame's sides are rounded to whole pixels
  // here, a pixel short at worst.
  const qreal ratio = devicePixelRatioF();
  const int rounding = ratio == std::floor(ratio) ? 0 : 1;
  const int height = work.height() - fittedFrame_.top() - fittedFrame_.bottom() - rounding;
  const int width = std::clamp(work.width() - fittedFrame_.left() - fittedFrame_.right() - rounding, 200, 800);
  setMinimumSize(width, std::clamp(height, 200, 600));
  move(work.topLeft());
  resize(width, std::max(minimumHeight(), height));
}

bool TfrmMain::event(QEvent* e) {
  const bool done = QMainWindow::event(e);
  const QEvent::Type t = e->type();
  if (shownOnce_ && (t == QEvent::Move || t == QEvent::Resize || t == QEvent::WindowActivate) && windowHandle() &&
      windowHandle()->frameMargins() != fittedFrame_)
    fitToWorkArea();
  return done;
}

void TfrmMain::paintEvent(QPaintEvent* e) {
  QMainWindow::paintEvent(e);
  if (!startSound_) return;
  startSound_ = false;
  // After this paint reaches the screen: the sound module loads meanwhile.
  QTimer::singleShot(0, this, &TfrmMain::PlaySaveSound);
}

void TfrmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!shownOnce_ && !e->spontaneous()) {
    shownOnce_ = true;
    FormShow();
  }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e) {
  // The panel below the menu scrolls on a screen smaller than the design.
  if ((watched == ui_.client || watched == ui_.Panel1) && e->type() == QEvent::Resize) layoutMainControls(ui_);
  return QMainWindow::eventFilter(watched, e);
}

void TfrmMain::dayChanged(DayModel::Change change) {
  const DayModel& day = state_.day;
  act_.ScheduleUndo1->setEnabled(day.canUndo());
  act_.ScheduleRedo1->setEnabled(day.canRedo());
  keeper_->dayChanged(change);
  // The model's own count after every operation, whichever command ran it.
  ui_.statusPanels[1]->setText(q("データ総数: ") + QString::number(day.DataCount()));
  if (change == DayModel::Change::Opened) {
    showDayName();
    enableNeighbourDays();
  }
  setWindowModified(day.modified());
  updateCommands();
}

// A command that could do nothing is disabled, and its button's hint says
// why and what to do instead of what it would do.
static void enableWithReason(QAction* command, QPushButton* button, const char* why) {
  command->setEnabled(!why);
  if (!button->property("ownHint").isValid()) button->setProperty("ownHint", button->property(kHintProperty));
  setHint(button, why ? q(why) : button->property("ownHint").toString());
}

void TfrmMain::updateCommands() {
  const DayModel& day = state_.day;
  enableWithReason(act_.ScheduleDiary1, ui_.btnDiary,
                   day.hasFile() && !day.unread()
                       ? nullptr
                       : "|この日のファイルはまだないため, ダイアリーは書けません. 先に[保存]を押してください.");
  const RoutineStore& routines = state_.routines;
  enableWithReason(act_.RoutineRead1, ui_.btnShowRoutine,
                   CountRoutines(routines.RoutineImage) > 0
                       ? nullptr
                       : "|保存されたルーチンがありません. [ルーチン設定...]でルーチンを保存すると使えます.");
  bool anyPad = false;
  for (int i = 0; i < kPadSlots && !anyPad; ++i) anyPad = day.framed(i);
  const char* noEntry = nullptr;
  if (!anyPad)
    noEntry = "|スケジュール・パッドがありません. パッドを作って選ぶと, その内容をルーチンとして仮登録できます.";
  else if (routines.RoutineCount() >= kRoutineSlots)
    noEntry = "|ルーチンは8件まで登録できます. [ルーチン設定...]で不要なルーチンを削除してください.";
  enableWithReason(act_.RoutineEntry1, ui_.btnEnterRoutine, noEntry);
}

void TfrmMain::ScheduleUndo1Execute() {
  if (!ui_.ScrollBox1->ScheduleUndo1Execute()) ui_.btnSave->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::ScheduleRedo1Execute() {
  if (!ui_.ScrollBox1->ScheduleRedo1Execute()) ui_.btnSave->setFocus(Qt::OtherFocusReason);
}

// After a command the focus is on a pad, else on 保存: never on the empty
// strip, which a keyboard or screen reader cannot use.
void TfrmMain::focusDay(int slot) {
  if (!ui_.ScrollBox1->focusPad(slot) && !ui_.ScrollBox1->focusLastPad()) ui_.btnSave->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::showFileHeader() {
  ui_.edtThisFile->setText(q(headerFileName(state_.day.image().FilePath)));
  ui_.dtpPrepDate->setDate(qdate(fromSerialDate(state_.day.image().CreatedDate)));
}

// Today's file would be made today; another day's date would read as if
// its file existed: that day shows 未作成.
void TfrmMain::showNotCreated() {
  ui_.edtThisFile->setText(q(kNotCreated));
  const bool today = state_.day.path() == state_.day.todayPath();
  ui_.dtpPrepDate->setDate(today ? qdate(state_.Today) : ui_.dtpPrepDate->minimumDate());
}

// After a failed load the day stays empty and open under its path, shown
// as not loaded: the save refuses to write over it.
void TfrmMain::showLoadFailed() {
  ui_.edtThisFile->setText(q(kNotLoaded));
  ui_.dtpPrepDate->setDate(ui_.dtpPrepDate->minimumDate());
}

void TfrmMain::reportIo(const IoResult& r) { platform_.errorBox(r.message()); }

bool TfrmMain::LoadDayFile(const std::string& path, IoResult* failure) {
  IoResult r = state_.day.open(path);
  if (!r.ok()) {
    if (failure)
      *failure = r;
    else
      reportIo(r);
    return false;
  }
  showFileHeader();
  return true;
}

void TfrmMain::PlaySaveSound() { padContext_.playSaveSound(); }

void TfrmMain::showCover() {
  const QRect s = ui_.ScrollBox1->geometry();
  ui_.pnlCover->setGeometry(s.adjusted(-1, -1, 1, 1));
  ui_.pnlCover->show();
  ui_.pnlCover->raise();
  ui_.pnlCover->repaint();  // the cover alone: nothing under it has changed yet
}

void TfrmMain::hideCover() { ui_.pnlCover->hide(); }

void TfrmMain::ScheduleRemovePad1Execute() {
  if (!ui_.ScrollBox1->ScheduleRemovePad1Execute()) ui_.btnSave->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::ScheduleDiary1Execute() {
  DayModel& day = state_.day;
  // A day without a file has no diary yet, nor one that could not be read;
  // one diary pad at a time.
  if (!day.hasFile() || day.unread() || dlgDiary) return;
  TdlgDiary dialog(day.diary(), state_.lists, this);
  dialog.typed = [this] {
    state_.day.typedEditsChanged();
    keeper_->typed();
  };
  dlgDiary = &dialog;
  const bool taken = dialog.exec() == QDialog::Accepted;
  dlgDiary = nullptr;  // what was typed is the day's now, or gone
  if (taken)
    day.setDiary(dialog.diary());
  else
    day.typedEditsChanged();
}

void TfrmMain::OptionReminder1Execute() {
  if (reminders_) reminders_->OptionReminder1Execute(this);
}

void TfrmMain::OptionSetList1Execute() {
  TdlgSetList dialog(state_.lists, platform_, this);
  dialog.exec();
}

// One memo command for both pads; the pad's kind picks the table.
void TfrmMain::openPadMemo(PadFrameBase& pad) {
  const int n = pad.number();
  const bool routine = pad.kind() == PadKind::Routine;
  if (dlgPadMemo || n < 1 || n > (routine ? kRoutineSlots : kPadSlots)) return;
  const ShortText<255>& memo = routine ? state_.routines.RoutineTable[n - 1].Memo : state_.day.pad(n - 1).Memo;
  TdlgPadMemo dialog(memo, routine ? q("ルーチン・パッドのメモ") : q("スケジュール・パッドのメモ"), n,
                     routine ? pad.window() : this);
  dlgPadMemo = &dialog;
  memoSlot_ = routine ? -1 : n - 1;
  if (!routine)
    dialog.typed = [this] {
      state_.day.typedEditsChanged();
      keeper_->typed();
    };
  const bool taken = dialog.exec() == QDialog::Accepted;
  dlgPadMemo = nullptr;  // what was typed is the day's now, or gone
  memoSlot_ = -1;
  if (!taken) {
    if (!routine) state_.day.typedEditsChanged();
    return;
  }
  if (routine)
    state_.routines.RoutineTable[n - 1].Memo = dialog.memo();
  else
    state_.day.setMemo(n - 1, dialog.memo());
}

void TfrmMain::HelpContents1Execute() { platform_.showHelp(state_.programFolder() + "/PLANDOR.HLP"); }

void TfrmMain::HelpAbout1Execute() {
  TAboutBox box(shownQString(state_.DataFolder), this);
  box.exec();
}

void TfrmMain::btnUpdateClick() {
  const LocalDateTime t = platform_.now();
  ui_.edtNow->setText(q(clockText(t.hour, t.minute, t.second)));
  ui_.edtNow->setCursorPosition(0);  // a text wider than the box shows its start
}

}  // namespace plandor
