#include "schedpadframe.h"

#include <tuple>

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QScopedValueRollback>

#include "sizedicon.h"
#include "widgetsupport.h"

namespace plandor {
namespace {

const char* const kOrderRefusedSave =
    "終了時刻が開始時刻より早い,あるいは同時刻に設定されています.\r\n設定の一時保存は実行されませんでした.\r\n\r\n"
    "時刻を再設定してください.";
const char* const kOrderRefusedRevise =
    "終了時刻が開始時刻より早い,あるいは同時刻に設定されています.\r\n"
    "前回保存したデータが有れば,設定を値に戻します(時刻データのみ).\r\n\r\n時刻を再設定してください.";
const char* const kStartTooEarly =
    "設定可能時刻は 当日 AM6:00 から翌日 AM5:59 までです.\r\n開始時刻を AM6:00 より前に設定することはできません.\r\n\r\n"
    "開始時刻を AM6:00 に設定します.";
const char* const kEndTooLate =
    "設定可能時刻は 当日 AM6:00 から翌日 AM5:59 までです.\r\n終了時刻を AM5:59 より後に設定することはできません.\r\n\r\n"
    "終了時刻を AM5:59 に設定します.";

// Qt's own arrow pictures, taken directly: asking the style first searches
// the icon theme, which costs more than making the first pads of a day.
QIcon arrowIcon(const char* name) {
  return sizedPngIcon(QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + QLatin1String(name) +
                          QStringLiteral("-%1.png"),
                      {16, 32, 128});
}

}  // namespace

TSchedPadFrame::TSchedPadFrame(SchedPadContext& context, QWidget* parent)
    : PadFrameBase(PadKind::Schedule, context.pads, parent), ctx_(context) {
  setObjectName(QStringLiteral("SchedPadFrame"));
  resize(kWidth, kHeight);
  pmiRoutine = ctx_.routineEntry;
  hide();
}

void TSchedPadFrame::addControls() {
  QFrame* panel = Panel1.made();
  auto* save = new QPushButton(q("一時保存"), panel);
  btnSave = save;
  save->setObjectName(QStringLiteral("btnSave"));
  save->setGeometry(3, 57, 60, 20);
  auto* revise = new QPushButton(q("変更"), panel);
  btnRevise = revise;
  revise->setObjectName(QStringLiteral("btnRevise"));
  revise->setGeometry(65, 57, 55, 20);
  auto* up = new QPushButton(panel);
  bitMoveUp = up;
  up->setObjectName(QStringLiteral("bitMoveUp"));
  up->setGeometry(120, 3, 20, 24);
  static const QIcon upIcon = arrowIcon("up");
  static const QIcon downIcon = arrowIcon("down");
  up->setIcon(upIcon);
  pnlPMenu.made()->setGeometry(120, 27, 20, 26);
  auto* down = new QPushButton(panel);
  bitMoveDown = down;
  down->setObjectName(QStringLiteral("bitMoveDown"));
  down->setGeometry(120, 53, 20, 24);
  down->setIcon(downIcon);
  cmbKeyword.made()->setGeometry(145, 5, 115, 21);
  edtPadNo.made()->setGeometry(264, 5, 25, 20);
  cmbContent.made()->setGeometry(145, 29, 145, 20);
  auto* completed = new QCheckBox(q("完了"), panel);
  chbCompleted = completed;
  completed->setObjectName(QStringLiteral("chbCompleted"));
  completed->setGeometry(145, 54, 45, 20);
  colorBox.made()->setGeometry(190, 52, 100, 22);
  for (QWidget* w : {static_cast<QWidget*>(save), static_cast<QWidget*>(revise), static_cast<QWidget*>(up),
                     static_cast<QWidget*>(down), static_cast<QWidget*>(completed)})
    w->setFocusPolicy(Qt::ClickFocus);
  for (QPushButton* b : {save, revise, up, down}) b->setAutoDefault(false);

  setHint(save, q("|パッド上で設定した内容を一時保存します(ファイルには保存されません). "
                  "このタイミングでスケジュールバーが保存・表示されます."));
  setHint(revise, q("|パッド上で変更した内容を一時保存します(ファイルには保存されません). "
                    "このタイミングで,スケジュールバーが変更・表示されます."));
  setHint(up, q("|スケジュール・パッドを上方に移動します. 1クリックで5分相当移動します. マウスカーソルも同時に移動します."));
  setHint(down, q("|スケジュール・パッドを下方に移動します. 1クリックで5分相当移動します. マウスカーソルも同時に移動します."));
  setHint(completed, q("|このスケジュール項目が完了したときに,チェックマークを入れます."));
  up->setAccessibleName(q("パッドを上へ移動"));
  down->setAccessibleName(q("パッドを下へ移動"));

  QMenu* menu = pumPadFrame.made();
  menu->addSeparator()->setObjectName(QStringLiteral("N1"));
  if (pmiRoutine) menu->addAction(pmiRoutine);
  offerPopup(up);
  offerPopup(down);

  connect(save, &QPushButton::clicked, this, &TSchedPadFrame::btnSaveClick);
  connect(revise, &QPushButton::clicked, this, &TSchedPadFrame::btnReviseClick);
  // Typed edits count as unsaved work until the pad stores them.
  for (QComboBox* box : {static_cast<QComboBox*>(cmbKeyword.made()), static_cast<QComboBox*>(cmbContent.made()),
                         static_cast<QComboBox*>(Panel2.made()->cmbHour), static_cast<QComboBox*>(Panel3.made()->cmbHour)})
    connect(box, &QComboBox::editTextChanged, this, &TSchedPadFrame::editedByUser);
  connect(colorBox.made(), &QComboBox::currentIndexChanged, this, &TSchedPadFrame::editedByUser);
  for (QSpinBox* spin : {static_cast<QSpinBox*>(Panel2.made()->speMinute), static_cast<QSpinBox*>(Panel3.made()->speMinute)})
    connect(spin, &QSpinBox::valueChanged, this, &TSchedPadFrame::editedByUser);
  for (QCheckBox* box : {Panel2.made()->chbPM, Panel3.made()->chbPM, completed})
    connect(box, &QCheckBox::toggled, this, &TSchedPadFrame::editedByUser);
  connect(up, &QPushButton::clicked, this, &TSchedPadFrame::bitMoveUpClick);
  connect(down, &QPushButton::clicked, this, &TSchedPadFrame::bitMoveDownClick);
}

void TSchedPadFrame::readControls(PadFace& f) const { f.completed = chbCompleted.made()->isChecked(); }

void TSchedPadFrame::fillControls(const PadFace& f) {
  chbCompleted.made()->setChecked(f.completed);
  // Enabled before disabled: "一時保存" pressed from the keyboard hands the
  // focus on to "変更".
  for (bool enabling : {true, false})
    for (auto [button, on] : {std::pair{btnRevise.made(), f.canRevise}, std::pair{btnSave.made(), f.canSave}})
      if (on == enabling) button->setEnabled(on);
}

// Made once for the view, never shown: it paints the pads nobody works in,
// with the palette and font the pads have.
PadFrameBase& TSchedPadFrame::likeness() {
  if (!ctx_.likeness) {
    ctx_.likeness = std::make_shared<TSchedPadFrame>(ctx_, nullptr);
    ctx_.likeness->likeness_ = true;
    ctx_.likeness->setPalette(palette());
    ctx_.likeness->setFont(font());
    ctx_.likeness->makeControls();
  }
  return *ctx_.likeness;
}

void TSchedPadFrame::editedByUser() {
  if (filling_) return;
  setEdited(true);
  ctx_.typed();
}

void TSchedPadFrame::setEdited(bool edited) {
  edited_ = edited;
  if (slot() >= 0) ctx_.day.typedEditsChanged();
}

void TSchedPadFrame::reset() {
  edited_ = false;
  setSlot(-1);
  setFace(PadFace{});
}

void TSchedPadFrame::showRecord(int slot, const PadRecord& p) {
  edited_ = false;
  setSlot(slot);
  move(p.Left, p.Top);
  PadFace f = face();
  f.number = QString::number(slot + 1);
  faceOf(p, true, f);
  f.completed = p.Completed != 0;
  f.canSave = false;
  f.canRevise = true;
  setFace(f);
  setVisible(true);
}

static PadTimeFace timeFace(int hour, int minute, bool pm) { return {QString::number(hour), minute, pm}; }

void TSchedPadFrame::showTimes(const PadRecord& p) {
  move(p.Left, p.Top);
  PadFace f = face();
  f.start = timeFace(p.StartHour, p.StartMinute, p.StartPM == 1);
  f.end = timeFace(p.EndHour, p.EndMinute, p.EndPM == 1);
  setFace(f);
}

void TSchedPadFrame::showNew(int padNo, PadTime start, PadTime end, int left, int top) {
  edited_ = false;
  setNumber(padNo);
  PadFace f = face();
  f.start = timeFace(start.hour, start.minute, start.pm);
  f.end = timeFace(end.hour, end.minute, end.pm);
  f.canSave = true;
  f.canRevise = false;
  setFace(f);
  move(left, top);
}

SchedEntry TSchedPadFrame::schedEntry() const {
  SchedEntry e{entry(), number(), y(), face().completed};
  e.common.left = x();
  return e;
}

bool TSchedPadFrame::apply(const PadStoreResult& r, const char* orderRefused) {
  Platform& platform = ctx_.pads.platform;
  PadFace f = face();
  switch (r.verdict) {
    case PadVerdict::NotInteger:
      refuseHour(r.refusedHour, false);
      return false;
    case PadVerdict::HourOutsideDial:
      refuseHour(r.refusedHour, true);
      return false;
    case PadVerdict::EndNotAfterStart:
      platform.message(orderRefused);
      if (r.timesRestored) {
        f.start = timeFace(r.pad.StartHour, r.pad.StartMinute, r.pad.StartPM == 1);
        f.end = timeFace(r.pad.EndHour, r.pad.EndMinute, r.pad.EndPM == 1);
        setFace(f);
      }
      ctx_.day.storePad(slot(), r.bar, r.pad);
      return false;
    case PadVerdict::Stored:
      break;
  }
  if (r.startCorrected) {
    platform.message(kStartTooEarly);
    f.start = timeFace(6, 0, false);
  }
  if (r.endCorrected) {
    platform.message(kEndTooLate);
    f.end = timeFace(5, 59, false);
  }
  // Taken: the pad holds nothing the day lacks when the day tells of it.
  f.canRevise = true;
  f.canSave = false;
  setFace(f);
  edited_ = false;
  ctx_.day.storePad(slot(), r.bar, r.pad);
  return true;
}

bool TSchedPadFrame::btnSaveClick() {
  const int s = slot();
  if (s < 0 || s >= kPadSlots) return true;
  if (!apply(temporarySave(schedEntry(), ctx_.day.bar(s), ctx_.day.pad(s)), kOrderRefusedSave)) return false;
  move(x(), ctx_.day.pad(s).Top);
  ctx_.pads.playSaveSound();
  return true;
}

bool TSchedPadFrame::btnReviseClick() {
  const int s = slot();
  if (s < 0 || s >= kPadSlots) return true;
  const bool stored = apply(change(schedEntry(), ctx_.day.bar(s), ctx_.day.pad(s)), kOrderRefusedRevise);
  if (!stored) return false;
  ctx_.pads.playSaveSound();
  return true;
}

bool TSchedPadFrame::storeEdits() {
  if (!hasEdits()) return true;
  return face().canSave ? btnSaveClick() : btnReviseClick();
}

std::optional<PadStoreResult> TSchedPadFrame::draft() const {
  const int s = slot();
  if (s < 0 || s >= kPadSlots || !hasEdits()) return std::nullopt;
  PadStoreResult r = face().canSave ? temporarySave(schedEntry(), ctx_.day.bar(s), ctx_.day.pad(s))
                                          : change(schedEntry(), ctx_.day.bar(s), ctx_.day.pad(s));
  if (r.verdict != PadVerdict::Stored) return std::nullopt;
  return r;
}

TypedPad TSchedPadFrame::typedState() const {
  const SchedEntry e = schedEntry();
  TypedPad t;
  t.slot = slot();
  const PadFace f = face();
  t.fresh = f.canSave && !f.canRevise;
  t.left = x();
  t.top = y();
  t.completed = e.completed;
  t.color = e.common.color;
  t.keyword = e.common.keyword;
  t.content = e.common.content;
  t.startHour = e.common.start.hourText;
  t.startMinute = e.common.start.minute;
  t.startPM = e.common.start.pm;
  t.endHour = e.common.end.hourText;
  t.endMinute = e.common.end.minute;
  t.endPM = e.common.end.pm;
  return t;
}

void TSchedPadFrame::showTyped(const TypedPad& t) {
  move(t.left, t.top);
  PadFace f = face();
  f.keyword = QString::fromStdString(t.keyword);
  f.content = QString::fromStdString(t.content);
  f.color = t.color;
  f.start = {QString::fromStdString(t.startHour), t.startMinute, t.startPM};
  f.end = {QString::fromStdString(t.endHour), t.endMinute, t.endPM};
  f.completed = t.completed;
  f.canSave = t.fresh;
  f.canRevise = !t.fresh;
  setFace(f);
  setEdited(true);
}

// Each move is an edit of its own: the recovery file follows every one.
void TSchedPadFrame::bitMoveUpClick() {
  QCursor::setPos(QCursor::pos() - QPoint(0, 10));
  move(x(), y() - 10);
  setEdited(true);
  ctx_.typed();
}

void TSchedPadFrame::bitMoveDownClick() {
  QCursor::setPos(QCursor::pos() + QPoint(0, 10));
  move(x(), y() + 10);
  setEdited(true);
  ctx_.typed();
}

QList<QWidget*> TSchedPadFrame::keyOrder() const {
  return {Panel2->cmbHour, Panel2->speMinute, Panel2->chbPM, Panel3->cmbHour, Panel3->speMinute, Panel3->chbPM,
          btnSave,         btnRevise,         bitMoveUp,     bitMoveDown,     cmbKeyword,        edtPadNo,
          cmbContent,      chbCompleted,      colorBox};
}

void TSchedPadFrame::FrameEnter() {
  ctx_.day.select(slot());
  PadFrameBase::FrameEnter();
}

}  // namespace plandor
