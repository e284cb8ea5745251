#include "frmmain.h"

#include <QApplication>
#include <QDateEdit>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

#include "aboutbox.h"
#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "dlgsetlist.h"
#include "hintdisplay.h"
#include "pathbytes.h"

namespace plandor {

const char* const kNotCreated = "未作成";
const char* const kNotLoaded = "読込失敗";
const char* const kIniHintText =
    "\u3000\r\n\u3000左の白いドラッグ・エリア上で, \r\n\u3000\r\n"
    "\u3000およその開始時刻から終了時刻までドラッグしてください. \r\n\u3000\r\n"
    "\u3000(本メッセージは,左クリックで消えます.) \r\n\u3000";
const char* const kCommentText = "本ウィンドウは\r\n高さ方向にのみ\r\n伸縮可能です.";
const char* const kMonthFolderError = "今月のデータフォルダの作成に失敗しました.\r\n\r\n[プランドール]の起動を中止します.";

namespace {

const QColor kButtonFace(240, 240, 240);

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
// Multi-line texts are kept with Windows line breaks; Qt wants "\n".
QString lines(const char* utf8) { return q(utf8).replace(QLatin1String("\r\n"), QLatin1String("\n")); }
QDate qdate(const LocalDate& d) { return QDate(d.year, d.month, d.day); }

// A day's path is opened unless nothing or a folder is there: a path whose
// state cannot be learned may hold the day, and is read rather than
// started afresh (a folder only ever fails the save).
bool mayHoldDay(const std::string& path) { return !fileMissing(path) && !folderExists(path); }

}  // namespace

TfrmMain::TfrmMain(PlannerState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      platform_(platform),
      padContext_{state.lists, platform, state.programFolder(), [this](PadFrameBase& pad) { openPadMemo(pad); }},
      schedContext_{padContext_, state.day, state.SelectedPad, [this] { ScrollBox1->repaintDragAreas(); }},
      routineContext_{padContext_, state.routines, state.SelectedRoutine} {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("プランドール"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  fillBackground(this, kButtonFace);
  // Only the height may change; width 800, height at least 600.
  setMinimumSize(800, 600);
  setMaximumWidth(800);
  resize(800, 600);
  buildLayout();
  buildActions();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  if (hints_) qApp->removeEventFilter(hints_);
}

void TfrmMain::FormCreate() {
  hints_ = new HintDisplay([this](const QString& h) { statusPanels[0]->setText(h); }, this);
  qApp->installEventFilter(hints_);
  schedContext_.routineEntry = RoutineEntry1;

  const std::string& folder = state_.DataFolder;
  // Saves cut short by a crash or power loss leave hidden temporaries; this
  // copy alone runs on the folder, so no save of its own is under way.
  removeStaleTemporaries(folder, {"Routines.rdf", "LEntries.lef", "Temporary.sdf"});
  IoResult r = state_.routines.LoadRoutineFile(folder);
  if (!r.ok()) reportIo(r);
  showRoutineCount(state_.routines.RoutineCount);
  r = state_.lists.LoadListEntries(folder);
  if (!r.ok()) reportIo(r);

  state_.Today = platform_.now().date;
  state_.MonthFolder = monthFolderName(state_.Today);
  DayStore& day = state_.day;
  day.TodayDayPath = folder + "/" + state_.MonthFolder + "/" + dayFileName(state_.Today);
  const std::string monthPath = folder + "/" + state_.MonthFolder;
  if (!folderExists(monthPath) && !createFolder(monthPath).ok()) {
    platform_.message(kMonthFolderError);
    return;
  }

  removeStaleDayTemporaries(day.TodayDayPath);
  day.CurrentDayPath = day.TodayDayPath;
  if (mayHoldDay(day.CurrentDayPath)) {
    if (LoadDayFile(day.CurrentDayPath))
      startSound_ = true;  // once the window has been painted
    else
      showLoadFailed();
  } else {
    day.clear();
    showNotCreated();
  }
  dtpToday->setDate(qdate(state_.Today));
  btnUpdateClick();
  started_ = true;
}

void TfrmMain::FormShow() {
  // Work-area height, at the top left; the frame (if any) counts too.
  const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
  const int decoration = frameGeometry().height() - geometry().height();
  move(work.topLeft());
  // Scrolled before the resize: the pad frames that wait for the view are
  // made for the rows at 08:00, not for those at 06:00.
  ScrollBox1->verticalScrollBar()->setValue(240);
  resize(800, std::max(600, work.height() - decoration));
  lblComment->setText(lines(kCommentText));
  lblComment->adjustSize();
  if (!state_.day.hasFile() && !state_.day.unread())
    ScrollBox1->showIniHint(lines(kIniHintText));
  else
    ScrollBox1->pnlIniHint->hide();
  if (state_.day.DataCount() > 0)
    ScrollBox1->focusLastPad();
  else
    btnSave->setFocus();
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
  if (watched == client && e->type() == QEvent::Resize) layoutClient();
  return QMainWindow::eventFilter(watched, e);
}

void TfrmMain::showDataCount() {
  statusPanels[1]->setText(q("データ総数: ") + QString::number(state_.day.DataCount()));
}

void TfrmMain::showFileHeader() {
  edtThisFile->setText(q(headerFileName(state_.day.image.FilePath)));
  dtpPrepDate->setDate(qdate(fromSerialDate(state_.day.image.CreatedDate)));
}

void TfrmMain::showNotCreated() {
  edtThisFile->setText(q(kNotCreated));
  dtpPrepDate->setDate(qdate(state_.Today));
}

// After a failed load the day stays empty and open under its path, shown
// as not loaded: the save refuses to write over it.
void TfrmMain::showLoadFailed() {
  edtThisFile->setText(q(kNotLoaded));
  dtpPrepDate->setDate(qdate(state_.Today));
  showDataCount();
}

void TfrmMain::reportIo(const IoResult& r) { platform_.errorBox(r.message()); }

bool TfrmMain::LoadDayFile(const std::string& path, IoResult* failure) {
  IoResult r = state_.day.load(path);
  if (!r.ok()) {
    if (failure)
      *failure = r;
    else
      reportIo(r);
    return false;
  }
  if (!state_.day.isTemporary(path)) showFileHeader();
  ScrollBox1->buildPadFrames();
  showDataCount();
  return true;
}

void TfrmMain::PlaySaveSound() { padContext_.playSaveSound(); }

void TfrmMain::FileSave1Execute() {
  bool headerSet = false;
  DayStore& day = state_.day;
  IoResult r = day.save(state_.Today, &headerSet);  // the day taken at start-up
  if (r.op == IoResult::Op::Changed) {
    switch (askChangedFile(platform_)) {
      case ChangedFileAnswer::Overwrite:
        r = day.save(state_.Today, &headerSet, true);
        break;
      case ChangedFileAnswer::SaveCopy:
        saveChangedCopy(platform_, day.CurrentDayPath,
                        [&](const std::string& copy) { return day.saveCopy(copy, state_.Today); });
        return;
      case ChangedFileAnswer::Cancel:
        return;
    }
  }
  if (!r.written()) {
    reportIo(r);
    return;
  }
  if (headerSet) showFileHeader();
  showDataCount();
  ScrollBox1->focusLastPad();
  // Saved, but not known to be durable: the box instead of the sound.
  if (!r.ok())
    reportIo(r);
  else
    PlaySaveSound();
}

void TfrmMain::FileExit1Execute() { close(); }

void TfrmMain::showCover() {
  const QRect s = ScrollBox1->geometry();
  pnlCover->setGeometry(s.adjusted(-1, -1, 1, 1));
  pnlCover->show();
  pnlCover->raise();
  repaint();
}

void TfrmMain::hideCover() { pnlCover->hide(); }

// Today's or a past day, under the cover while its pads are built.
void TfrmMain::openDay(const std::string& path) {
  // No save runs while a day opens: what one left behind there is stale.
  removeStaleDayTemporaries(path);
  showCover();
  state_.day.CurrentDayPath = path;
  ScrollBox1->ClearPadTable();
  IoResult failure;
  const bool loaded = LoadDayFile(path, &failure);
  if (loaded) {
    ScrollBox1->repaintDragAreas();
    ScrollBox1->focusLastPad();
  } else {
    showLoadFailed();
  }
  hideCover();  // before any box: the box must not sit over a blank cover
  if (loaded)
    PlaySaveSound();
  else
    reportIo(failure);
}

void TfrmMain::ScheduleToday1Execute() {
  DayStore& day = state_.day;
  // Today, when it could not be read, is read again.
  if (day.CurrentDayPath == day.TodayDayPath && !day.unread()) return;
  if (mayHoldDay(day.TodayDayPath)) {
    openDay(day.TodayDayPath);
    return;
  }
  day.CurrentDayPath = day.TodayDayPath;
  ScrollBox1->ClearPadTable();
  showNotCreated();
  showDataCount();
}

void TfrmMain::SchedulePast1Execute() {
  const std::string folder = state_.DataFolder + "/" + state_.MonthFolder;
  std::optional<std::string> chosen = platform_.openFile("プランドールファイル(*.sdf)", "*.SDF", folder);
  if (!chosen || chosen->empty()) return;
  if (*chosen == state_.day.TodayDayPath || !mayHoldDay(*chosen)) return;
  // Another computer's version of a day, left by a sync tool: opening and
  // saving it would make it a day of its own.
  const auto slash = chosen->find_last_of('/');
  if (isSyncConflictName(slash == std::string::npos ? *chosen : chosen->substr(slash + 1))) {
    platform_.errorBox("ファイル \"" + *chosen + "\" は同期ツールが残した競合コピーのため, スケジュールとしては開きません.");
    return;
  }
  openDay(*chosen);
}

void TfrmMain::ScheduleRemovePad1Execute() { ScrollBox1->ScheduleRemovePad1Execute(); }

void TfrmMain::ScheduleDiary1Execute() {
  // A day without a file has no diary yet, nor one that could not be read;
  // one diary pad at a time.
  if (!state_.day.hasFile() || state_.day.unread() || dlgDiary) return;
  TdlgDiary dialog(state_.day.table.Diary, state_.lists, this);
  dlgDiary = &dialog;
  dialog.exec();
  dlgDiary = nullptr;
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
  state_.MemoTarget = routine ? "Routine" : "Schedule";
  ShortText<255>& memo = routine ? state_.routines.RoutineTable[n - 1].Memo : state_.day.table.Pads[n - 1].Memo;
  TdlgPadMemo dialog(memo, routine ? q("ルーチン・パッドのメモ") : q("スケジュール・パッドのメモ"), n,
                     routine ? pad.window() : this);
  dlgPadMemo = &dialog;
  dialog.exec();
  dlgPadMemo = nullptr;
}

void TfrmMain::HelpContents1Execute() { platform_.showHelp(state_.programFolder() + "/PLANDOR.HLP"); }

void TfrmMain::HelpAbout1Execute() {
  TAboutBox box(shownQString(state_.DataFolder), this);
  box.exec();
}

void TfrmMain::btnUpdateClick() {
  const LocalDateTime t = platform_.now();
  edtNow->setText(q(clockText(t.hour, t.minute, t.second)));
  edtNow->setCursorPosition(0);  // a text wider than the box shows its start
}

void TfrmMain::comeForward() {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

}  // namespace plandor
