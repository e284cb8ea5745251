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
#include <QScopedValueRollback>
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
#include "recovery.h"
#include "recoverypolicy.h"
#include "plannerreminders.h"

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


QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
// Multi-line texts are kept with Windows line breaks; Qt wants "\n".
QString lines(const char* utf8) { return q(utf8).replace(QLatin1String("\r\n"), QLatin1String("\n")); }
QDate qdate(const LocalDate& d) { return QDate(d.year, d.month, d.day); }

// A day's path is opened unless nothing or a folder is there: a path whose
// state cannot be learned may hold the day, and is read rather than
// started afresh (a folder only ever fails the save).
bool mayHoldDay(const std::string& path) { return !fileMissing(path) && !folderExists(path); }

// The day before or after, while a day file's four-digit year can name it.
std::optional<LocalDate> neighbourDay(const LocalDate& d, int step) {
  const double serial = toSerialDate(d) + step;
  const LocalDate n = fromSerialDate(serial);
  if (toSerialDate(n) != serial || n.year < 1000 || n.year > 9999) return std::nullopt;
  return n;
}

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
  buildLayout();
  buildActions();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  state_.day.unlisten(dayListener_);
  state_.day.removeTypedEdits(dialogEdits_);
  if (hints_) qApp->removeEventFilter(hints_);
}

void TfrmMain::FormCreate() {
  hints_ = new HintDisplay([this](const QString& h) { statusPanels[0]->setText(h); }, this);
  qApp->installEventFilter(hints_);
  schedContext_.routineEntry = RoutineEntry1;
  recoveryTimer_ = new QTimer(this);
  recoveryTimer_->setSingleShot(true);
  recoveryTimer_->setInterval(0);
  connect(recoveryTimer_, &QTimer::timeout, this, &TfrmMain::keepRecovery);
  typingTimer_ = new QTimer(this);
  typingTimer_->setSingleShot(true);
  typingTimer_->setInterval(1000);
  connect(typingTimer_, &QTimer::timeout, this, &TfrmMain::keepRecovery);
  schedContext_.typed = [this] { typingTimer_->start(); };
  dayListener_ = state_.day.listen([this](DayModel::Change c, int slot) { dayChanged(c, slot); });
  // The diary's and a schedule pad memo's typed text, until the dialog closes.
  dialogEdits_ = state_.day.addTypedEdits([this](int slot) {
    const auto* diary = qobject_cast<TdlgDiary*>(dlgDiary);
    const auto* memo = qobject_cast<TdlgPadMemo*>(dlgPadMemo);
    return slot < 0 && ((diary && diary->typedInto()) || (memo && memoSlot_ >= 0 && memo->typedInto()));
  });

  const std::string& folder = state_.DataFolder;
  // Saves cut short by a crash or power loss leave hidden temporaries; this
  // copy alone runs on the folder, so no save of its own is under way.
  removeStaleTemporaries(folder, {"Routines.rdf", "LEntries.lef", "Temporary.sdf"});
  removeStaleTemporaries(folder, isRecoveryFileName);
  IoResult r = state_.routines.LoadRoutineFile(folder);
  if (!r.ok()) reportIo(r);
  showRoutineCount(state_.routines.RoutineCount());
  r = state_.lists.LoadListEntries(folder);
  if (!r.ok()) reportIo(r);

  state_.Today = platform_.now().date;
  state_.MonthFolder = monthFolderName(state_.Today);
  DayModel& day = state_.day;
  day.setPaths(dayPath(folder, state_.Today), folder + "/Temporary.sdf");
  const std::string monthPath = folder + "/" + state_.MonthFolder;
  if (!folderExists(monthPath) && !createFolder(monthPath).ok()) {
    platform_.message(kMonthFolderError);
    return;
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
  dtpToday->setDate(qdate(state_.Today));
  btnUpdateClick();
  reminders_ = new PlannerReminders(day, platform_, folder,
                                    {[this](const std::string& path) { return bringDay(path); },
                                     [this](int slot) {
                                       if (QWidget* pad = ScrollBox1->padFrame(slot)) ScrollBox1->ensureWidgetVisible(pad);
                                       ScrollBox1->focusPad(slot);
                                     },
                                     [this] { comeForward(); },
                                     [this](const QString& text) { statusPanels[0]->setText(text); }},
                                    this);
  updateCommands();
  started_ = true;
}

void TfrmMain::FormShow() {
  // Scrolled before the resize: the pad frames that wait for the view are
  // made for the rows at 08:00, not for those at 06:00.
  ScrollBox1->verticalScrollBar()->setValue(240);
  fitToWorkArea();
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
  // Once the window is up, so the question has the day behind it.
  QTimer::singleShot(0, this, [this] { offerRecovery(true); });
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
  if (watched == client && e->type() == QEvent::Resize) layoutClient();
  if (watched == Panel1 && e->type() == QEvent::Resize) layoutPanel1();
  return QMainWindow::eventFilter(watched, e);
}

void TfrmMain::dayChanged(DayModel::Change change, int) {
  const DayModel& day = state_.day;
  ScheduleUndo1->setEnabled(day.canUndo());
  ScheduleRedo1->setEnabled(day.canRedo());
  if (change == DayModel::Change::Opened) {
    // The day before is gone, saved or answered 保存しない: so is its file.
    removeOwnRecovery();
    protected_ = true;
    showDayName();
    SchedulePrevDay1->setEnabled(neighbourDay(openDayDate(), -1).has_value());
    ScheduleNextDay1->setEnabled(neighbourDay(openDayDate(), +1).has_value());
  }
  setWindowModified(day.modified());
  updateCommands();
  if (change == DayModel::Change::Opened) return;  // nothing to keep yet
  if (change == DayModel::Change::Pending)
    typingTimer_->start();
  else
    recoveryTimer_->start();
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
  enableWithReason(ScheduleDiary1, btnDiary,
                   day.hasFile() && !day.unread()
                       ? nullptr
                       : "|この日のファイルはまだないため, ダイアリーは書けません. 先に[保存]を押してください.");
  const RoutineStore& routines = state_.routines;
  enableWithReason(RoutineRead1, btnShowRoutine,
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
  enableWithReason(RoutineEntry1, btnEnterRoutine, noEntry);
}

// "2006年1月3日 (火)", or the file's own name for a file named otherwise.
static std::string dayName(const DayModel& day) {
  if (const std::optional<LocalDate> date = day.date()) return dayTitleText(*date);
  const auto slash = day.path().find_last_of('/');
  return slash == std::string::npos ? day.path() : day.path().substr(slash + 1);
}

void TfrmMain::showDayName() {
  const QString name = shownQString(dayName(state_.day));
  setWindowTitle(q(kAppTitle) + QStringLiteral(" - ") + name + QStringLiteral("[*]") +
                 (protected_ ? QString() : q(kNotProtected)));
  setAccessibleDescription(name);
}

std::optional<LocalDate> TfrmMain::folderDay() const {
  const std::optional<LocalDate> d = state_.day.date();
  if (!d || state_.day.path() != dayPathOf(*d)) return std::nullopt;
  return d;
}

Recovery TfrmMain::recoveryRecord() const {
  const DayModel& day = state_.day;
  Recovery r;
  if (const std::optional<LocalDate> d = folderDay()) r.dayName = recoveryDayName(*d);
  r.written = platform_.now();
  r.began = day.stamp();
  r.image = day.image();
  const PadTable& t = day.table();
  std::memcpy(r.image.Bars, t.Bars, sizeof t.Bars);
  std::memcpy(r.image.Pads, t.Pads, sizeof t.Pads);
  r.image.Diary = t.Diary;
  // Typed edits as their pad's store would take them; what it would refuse,
  // exactly as typed.
  ScrollBox1->forEachEditedPad([&r](const TSchedPadFrame& pad) {
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
  return r;
}

void TfrmMain::keepRecovery() {
  recoveryTimer_->stop();
  typingTimer_->stop();
  if (!recoveryOffered_) return;
  DayModel& day = state_.day;
  if (mayRemoveRecovery(day.modified(), true)) {
    removeOwnRecovery();
    setProtected(true);
    return;
  }
  const std::string target = recoveryFileFor(state_.DataFolder, folderDay(), keptRecovery_);
  if (target.empty()) {
    setProtected(false);
    return;
  }
  const IoResult w = writeRecovery(target, recoveryRecord());
  if (!w.written()) {
    setProtected(false);
    // Told once; the title says it for as long as it lasts.
    if (!recoveryFailureTold_) {
      recoveryFailureTold_ = true;
      reportIo(w);
    }
    return;
  }
  if (!ownRecovery_.empty() && ownRecovery_ != target) removeRecovery(ownRecovery_);
  ownRecovery_ = target;
  setProtected(true);
}

void TfrmMain::sessionEnding() {
  sessionEnding_ = true;
  keepRecovery();
}

void TfrmMain::keepWorkNow() {
  // No box and no title now: the display may be gone.
  sessionEnding_ = true;
  recoveryFailureTold_ = true;
  keepRecovery();
}

void TfrmMain::setProtected(bool on) {
  if (protected_ == on || sessionEnding_) return;
  protected_ = on;
  showDayName();
}

void TfrmMain::removeOwnRecovery() {
  if (!ownRecovery_.empty() && removeRecovery(ownRecovery_).ok()) ownRecovery_.clear();
}

void TfrmMain::offerRecovery(bool atStartUp) {
  if (atStartUp && recoveryOffered_) return;
  const std::string& folder = state_.DataFolder;
  struct Found {
    std::string file;
    IoResult read;
    std::optional<Recovery> rec;
    std::optional<LocalDate> day;
  };
  std::vector<Found> found;
  for (const std::string& file : recoveryFiles(folder)) {
    if (keptRecovery_.count(file) || file == ownRecovery_) continue;
    Found f{file, {}, {}, {}};
    f.read = readRecovery(file, &f.rec);
    if (f.rec) f.day = recoveryDay(folder, f.rec->dayName);
    found.push_back(std::move(f));
  }
  // The open day's own work first: another day's opens only over nothing unsaved.
  const std::optional<LocalDate> open = folderDay();
  std::stable_partition(found.begin(), found.end(), [&](const Found& f) { return open && f.day == open; });
  DayModel& day = state_.day;
  for (const Found& f : found) {
    OfferCase c;
    c.present = !f.read.ok() || f.rec.has_value();
    c.readable = f.read.ok();
    c.day = f.day;
    c.atStartUp = atStartUp;
    c.openDay = folderDay();
    c.openModified = day.modified();
    if (f.rec) {
      const PadTable table = recoveredTable(*f.rec);
      c.sameAsOpen = f.rec->typed.empty() && std::memcmp(&table, &day.table(), sizeof table) == 0;
    }
    switch (decideOffer(c)) {
      case Offer::Nothing:
      case Offer::Later:
        break;
      case Offer::Report:
        keptRecovery_.insert(f.file);
        if (!f.read.ok())
          reportIo(f.read);
        else
          platform_.errorBox("ファイル \"" + f.file + "\" の変更は, このデータフォルダの日のものではないため復元しません." +
                             "\r\n\r\nファイルはそのまま残します.");
        break;
      case Offer::Drop:
        removeRecovery(f.file);
        break;
      case Offer::Ask: {
        const DayFileNow now = dayFileNow(dayPathOf(*f.day), f.rec->began);
        const std::string text = offerText(*f.day, f.rec->written, now == DayFileNow::Changed);
        if (platform_.ask(text, {"復元する(&R)", "破棄する(&D)"}, 0, 0) != 0)
          removeRecovery(f.file);
        else
          restoreRecovery(f.file, *f.rec, *f.day, now);
        break;
      }
    }
  }
  recoveryOffered_ = true;
  keepRecovery();
}

void TfrmMain::restoreRecovery(const std::string& file, const Recovery& rec, const LocalDate& date, DayFileNow now) {
  DayModel& day = state_.day;
  if (folderDay() != date) showDate(dayPathOf(date));
  const PadTable table = recoveredTable(rec);
  // Pads never stored come back as the frames they were, with what was typed.
  std::array<FreshPad, kPadSlots> fresh{};
  for (const TypedPad& t : rec.typed) {
    if (!t.fresh) continue;
    auto hour = [](const std::string& text) {
      const std::optional<int> h = parseHour(text);
      return h ? dialHour(*h).value_or(8) : 8;
    };
    fresh[t.slot] = {true, hour(t.startHour), t.startMinute, t.startPM, hour(t.endHour), t.endMinute, t.endPM,
                     t.left, t.top};
  }
  // Another program's file since: 保存 asks before it writes over it.
  day.restore(table, restoreYields(now) == Restored::AsksAtSave ? &rec.began : nullptr, fresh);
  for (const TypedPad& t : rec.typed)
    if (TSchedPadFrame* pad = ScrollBox1->padFrame(t.slot)) pad->showTyped(t);
  showDataCount();
  ScrollBox1->pnlIniHint->hide();  // the day is planned now
  focusDay(day.selectedPad());
  // The work lives in the day now, and in the day's own file from here on;
  // the file it came from goes once that holds it.
  const QScopedValueRollback<bool> writing(recoveryOffered_, true);
  keepRecovery();
  if (ownRecovery_ != file && !ownRecovery_.empty()) removeRecovery(file);
}

bool TfrmMain::mayDiscardDay() {
  DayModel& day = state_.day;
  if (!day.modified()) return true;
  switch (platform_.ask(dayName(day) + " の変更を保存しますか？", {"保存(&S)", "保存しない(&N)", "キャンセル"}, 0, 2)) {
    case 0:
      // Typed edits first, through each pad's own store; a refusal stops.
      return ScrollBox1->storeTypedEdits() && FileSave1Execute();
    case 1:
      // The recovery file goes with the day (dayChanged, closeEvent), not
      // before: the command may still stop and leave the work on screen.
      return true;
    default:
      return false;
  }
}

void TfrmMain::closeEvent(QCloseEvent* e) {
  if (sessionEnding_) {
    keepRecovery();
    e->accept();
    return;
  }
  // Routines entered or changed and not yet saved are asked about too.
  if (!mayDiscardDay() || !MayDiscardRoutines(state_.routines, platform_)) {
    showRoutineCount(state_.routines.RoutineCount());
    e->ignore();
    return;
  }
  removeOwnRecovery();  // saved, or answered 保存しない
  e->accept();
}

void TfrmMain::ScheduleUndo1Execute() {
  if (!ScrollBox1->ScheduleUndo1Execute()) btnSave->setFocus(Qt::OtherFocusReason);
  showDataCount();
}

void TfrmMain::ScheduleRedo1Execute() {
  if (!ScrollBox1->ScheduleRedo1Execute()) btnSave->setFocus(Qt::OtherFocusReason);
  showDataCount();
}

// After a command the focus is on a pad, else on 保存: never on the empty
// strip, which a keyboard or screen reader cannot use.
void TfrmMain::focusDay(int slot) {
  if (!ScrollBox1->focusPad(slot) && !ScrollBox1->focusLastPad()) btnSave->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::showDataCount() {
  statusPanels[1]->setText(q("データ総数: ") + QString::number(state_.day.DataCount()));
}

void TfrmMain::showFileHeader() {
  edtThisFile->setText(q(headerFileName(state_.day.image().FilePath)));
  dtpPrepDate->setDate(qdate(fromSerialDate(state_.day.image().CreatedDate)));
}

// Today's file would be made today; another day's date would read as if
// its file existed: that day shows 未作成.
void TfrmMain::showNotCreated() {
  edtThisFile->setText(q(kNotCreated));
  const bool today = state_.day.path() == state_.day.todayPath();
  dtpPrepDate->setDate(today ? qdate(state_.Today) : dtpPrepDate->minimumDate());
}

// After a failed load the day stays empty and open under its path, shown
// as not loaded: the save refuses to write over it.
void TfrmMain::showLoadFailed() {
  edtThisFile->setText(q(kNotLoaded));
  dtpPrepDate->setDate(dtpPrepDate->minimumDate());
  showDataCount();
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
  showDataCount();
  return true;
}

void TfrmMain::PlaySaveSound() { padContext_.playSaveSound(); }

bool TfrmMain::FileSave1Execute() {
  // A day planned ahead (or back) may be the first of its month.
  const LocalDate date = openDayDate();
  const std::string month = state_.DataFolder + "/" + monthFolderName(date);
  if (state_.day.path() == dayPathOf(date) && fileMissing(month)) {
    const IoResult made = createFolder(month);
    if (!made.ok()) {
      reportIo(made);
      return false;
    }
  }
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
    const bool refused = r.op == IoResult::Op::Overwrite || r.error == EACCES || r.error == EROFS || r.error == EPERM;
    if (refused && platform_.ask(dayName(day) + " の変更を別名で保存しますか?", {"別名で保存", "キャンセル"}, 0, 1) == 0)
      saveCopyBeside(platform_, day.path(), [&](std::string& copy) { return day.saveCopy(copy, state_.Today); });
    return false;
  }
  if (headerSet) showFileHeader();
  showDataCount();
  focusDay(-1);
  // Saved: what a crash would have kept is on disk now.
  keepRecovery();
  // Saved, but not known to be durable: the box instead of the sound.
  if (!r.ok())
    reportIo(r);
  else
    PlaySaveSound();
  return true;
}

void TfrmMain::FileExit1Execute() { close(); }

void TfrmMain::showCover() {
  const QRect s = ScrollBox1->geometry();
  pnlCover->setGeometry(s.adjusted(-1, -1, 1, 1));
  pnlCover->show();
  pnlCover->raise();
  pnlCover->repaint();  // the cover alone: nothing under it has changed yet
}

void TfrmMain::hideCover() { pnlCover->hide(); }

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
  offerRecovery(false);
}

void TfrmMain::showDate(const std::string& path) {
  if (mayHoldDay(path)) {
    openDay(path);
  } else {
    state_.day.openEmpty(path);
    showNotCreated();
    showDataCount();
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
  offerRecovery(false);
}

void TfrmMain::ScheduleRemovePad1Execute() {
  if (!ScrollBox1->ScheduleRemovePad1Execute()) btnSave->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::ScheduleDiary1Execute() {
  DayModel& day = state_.day;
  // A day without a file has no diary yet, nor one that could not be read;
  // one diary pad at a time.
  if (!day.hasFile() || day.unread() || dlgDiary) return;
  TdlgDiary dialog(day.diary(), state_.lists, this);
  dialog.typed = [this] {
    state_.day.typedEditsChanged();
    typingTimer_->start();
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
      typingTimer_->start();
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
  edtNow->setText(q(clockText(t.hour, t.minute, t.second)));
  edtNow->setCursorPosition(0);  // a text wider than the box shows its start
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
    offerRecovery(false);
  }
  return day.path() == path && !day.unread();
}

}  // namespace plandor
