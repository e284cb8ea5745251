#include "schedpadframe.h"

#include <tuple>

#include <QAction>
#include <QCursor>
#include <QIcon>
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
  Panel1->setGeometry(0, 0, kWidth, kHeight);

  btnSave = new QPushButton(q("一時保存"), Panel1);
  btnSave->setObjectName(QStringLiteral("btnSave"));
  btnSave->setGeometry(3, 57, 60, 20);
  btnRevise = new QPushButton(q("変更"), Panel1);
  btnRevise->setObjectName(QStringLiteral("btnRevise"));
  btnRevise->setGeometry(65, 57, 55, 20);
  bitMoveUp = new QPushButton(Panel1);
  bitMoveUp->setObjectName(QStringLiteral("bitMoveUp"));
  bitMoveUp->setGeometry(120, 3, 20, 24);
  static const QIcon up = arrowIcon("up");
  static const QIcon down = arrowIcon("down");
  bitMoveUp->setIcon(up);
  pnlPMenu->setGeometry(120, 27, 20, 26);
  bitMoveDown = new QPushButton(Panel1);
  bitMoveDown->setObjectName(QStringLiteral("bitMoveDown"));
  bitMoveDown->setGeometry(120, 53, 20, 24);
  bitMoveDown->setIcon(down);
  cmbKeyword->setGeometry(145, 5, 115, 21);
  edtPadNo->setGeometry(264, 5, 25, 20);
  cmbContent->setGeometry(145, 29, 145, 20);
  chbCompleted = new QCheckBox(q("完了"), Panel1);
  chbCompleted->setObjectName(QStringLiteral("chbCompleted"));
  chbCompleted->setGeometry(145, 54, 45, 20);
  colorBox->setGeometry(190, 52, 100, 22);
  for (QWidget* w : {static_cast<QWidget*>(btnSave), static_cast<QWidget*>(btnRevise),
                     static_cast<QWidget*>(bitMoveUp), static_cast<QWidget*>(bitMoveDown),
                     static_cast<QWidget*>(chbCompleted)})
    w->setFocusPolicy(Qt::ClickFocus);
  for (QPushButton* b : {btnSave, btnRevise, bitMoveUp, bitMoveDown}) b->setAutoDefault(false);

  setHint(btnSave, q("|パッド上で設定した内容を一時保存します(ファイルには保存されません). "
                     "このタイミングでスケジュールバーが保存・表示されます."));
  setHint(btnRevise, q("|パッド上で変更した内容を一時保存します(ファイルには保存されません). "
                       "このタイミングで,スケジュールバーが変更・表示されます."));
  setHint(bitMoveUp, q("|スケジュール・パッドを上方に移動します. 1クリックで5分相当移動します. マウスカーソルも同時に移動します."));
  setHint(bitMoveDown, q("|スケジュール・パッドを下方に移動します. 1クリックで5分相当移動します. マウスカーソルも同時に移動します."));
  setHint(chbCompleted, q("|このスケジュール項目が完了したときに,チェックマークを入れます."));
  bitMoveUp->setAccessibleName(q("パッドを上へ移動"));
  bitMoveDown->setAccessibleName(q("パッドを下へ移動"));

  pumPadFrame->addSeparator()->setObjectName(QStringLiteral("N1"));
  if (ctx_.routineEntry) {
    pmiRoutine = ctx_.routineEntry;
    pumPadFrame->addAction(pmiRoutine);
  }
  offerPopup(bitMoveUp);
  offerPopup(bitMoveDown);

  connect(btnSave, &QPushButton::clicked, this, &TSchedPadFrame::btnSaveClick);
  connect(btnRevise, &QPushButton::clicked, this, &TSchedPadFrame::btnReviseClick);
  // Typed edits count as unsaved work until the pad stores them.
  for (QComboBox* box : {static_cast<QComboBox*>(cmbKeyword), static_cast<QComboBox*>(cmbContent),
                         static_cast<QComboBox*>(Panel2->cmbHour), static_cast<QComboBox*>(Panel3->cmbHour)})
    connect(box, &QComboBox::editTextChanged, this, &TSchedPadFrame::editedByUser);
  connect(colorBox, &QComboBox::currentIndexChanged, this, &TSchedPadFrame::editedByUser);
  for (QSpinBox* spin : {static_cast<QSpinBox*>(Panel2->speMinute), static_cast<QSpinBox*>(Panel3->speMinute)})
    connect(spin, &QSpinBox::valueChanged, this, &TSchedPadFrame::editedByUser);
  for (QCheckBox* box : {Panel2->chbPM, Panel3->chbPM, chbCompleted})
    connect(box, &QCheckBox::toggled, this, &TSchedPadFrame::editedByUser);
  connect(bitMoveUp, &QPushButton::clicked, this, &TSchedPadFrame::bitMoveUpClick);
  connect(bitMoveDown, &QPushButton::clicked, this, &TSchedPadFrame::bitMoveDownClick);
  hide();
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
  const QScopedValueRollback<bool> filling(filling_, true);
  edited_ = false;
  resetCommon();
  chbCompleted->setChecked(false);
  btnSave->setEnabled(true);
  btnRevise->setEnabled(true);
}

void TSchedPadFrame::showRecord(int slot, const PadRecord& p) {
  const QScopedValueRollback<bool> filling(filling_, true);
  edited_ = false;
  setNumber(slot + 1);
  move(p.Left, p.Top);
  showCommon(p, true);
  chbCompleted->setChecked(p.Completed != 0);
  btnSave->setEnabled(false);
  btnRevise->setEnabled(true);
  setVisible(true);
}

void TSchedPadFrame::showTimes(const PadRecord& p) {
  const QScopedValueRollback<bool> filling(filling_, true);
  move(p.Left, p.Top);
  Panel2->show(p.StartHour, p.StartMinute, p.StartPM == 1);
  Panel3->show(p.EndHour, p.EndMinute, p.EndPM == 1);
  nameYourself();
}

void TSchedPadFrame::showNew(int padNo, PadTime start, PadTime end, int left, int top) {
  const QScopedValueRollback<bool> filling(filling_, true);
  edited_ = false;
  setNumber(padNo);
  Panel2->show(start.hour, start.minute, start.pm);
  Panel3->show(end.hour, end.minute, end.pm);
  btnSave->setEnabled(true);
  btnRevise->setEnabled(false);
  move(left, top);
  nameYourself();
}

SchedEntry TSchedPadFrame::schedEntry() const {
  SchedEntry e{entry(), number(), y(), chbCompleted->isChecked()};
  e.common.left = x();
  return e;
}

bool TSchedPadFrame::apply(const PadStoreResult& r, const char* orderRefused) {
  const QScopedValueRollback<bool> filling(filling_, true);
  Platform& platform = ctx_.pads.platform;
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
        Panel2->show(r.pad.StartHour, r.pad.StartMinute, r.pad.StartPM == 1);
        Panel3->show(r.pad.EndHour, r.pad.EndMinute, r.pad.EndPM == 1);
        nameYourself();
      }
      ctx_.day.storePad(slot(), r.bar, r.pad);
      return false;
    case PadVerdict::Stored:
      break;
  }
  if (r.startCorrected) {
    platform.message(kStartTooEarly);
    Panel2->show(6, 0, false);
  }
  if (r.endCorrected) {
    platform.message(kEndTooLate);
    Panel3->show(5, 59, false);
  }
  // Taken: the pad holds nothing the day lacks when the day tells of it.
  // "変更" first: pressed from the keyboard, the focus goes on to it.
  btnRevise->setEnabled(true);
  btnSave->setEnabled(false);
  edited_ = false;
  ctx_.day.storePad(slot(), r.bar, r.pad);
  nameYourself();
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
  return btnSave->isEnabled() ? btnSaveClick() : btnReviseClick();
}

std::optional<PadStoreResult> TSchedPadFrame::draft() const {
  const int s = slot();
  if (s < 0 || s >= kPadSlots || !hasEdits()) return std::nullopt;
  PadStoreResult r = btnSave->isEnabled() ? temporarySave(schedEntry(), ctx_.day.bar(s), ctx_.day.pad(s))
                                          : change(schedEntry(), ctx_.day.bar(s), ctx_.day.pad(s));
  if (r.verdict != PadVerdict::Stored) return std::nullopt;
  return r;
}

TypedPad TSchedPadFrame::typedState() const {
  const SchedEntry e = schedEntry();
  TypedPad t;
  t.slot = slot();
  t.fresh = btnSave->isEnabled() && !btnRevise->isEnabled();
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
  {
    const QScopedValueRollback<bool> filling(filling_, true);
    move(t.left, t.top);
    cmbKeyword->setEditText(QString::fromStdString(t.keyword));
    cmbContent->setEditText(QString::fromStdString(t.content));
    colorBox->setColor(t.color);
    for (auto [row, hour, minute, pm] : {std::tuple{Panel2, &t.startHour, t.startMinute, t.startPM},
                                         std::tuple{Panel3, &t.endHour, t.endMinute, t.endPM}}) {
      row->speMinute->setValue(minute);
      row->chbPM->setChecked(pm);
      row->cmbHour->setEditText(QString::fromStdString(*hour));
    }
    chbCompleted->setChecked(t.completed);
    btnSave->setEnabled(t.fresh);
    btnRevise->setEnabled(!t.fresh);
  }
  setEdited(true);
  nameYourself();
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
